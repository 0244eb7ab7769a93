// ControlDisplay: which edits the display shows, and writing its two lines.
#include "ControlDisplay.h"

#include "IControl.h"
#include "IParam.h"
#include "Korvid.h"
#include "ParamIndex.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace
{
// An inclusive run of parameter indices.
struct IndexRun
{
  int first;
  int last;
};

constexpr int kLastPart = Korvid::kPartCount - 1;

// Edits the display never shows: name and selection fields, buttons, triggers and the displays themselves.
constexpr IndexRun kWithoutDisplay[] = {
    {kOverrideTempo, kMultiName},
    {kPatchName, kCategoryName + kLastPart},
    {kLibUpperPreviousBank, kLibLowerNextBank},
    {kTriggerProgControl, kOverwriteBank},
    {kDeviceOutSelection, kDeviceInSelection},
    {kViewMIDIFilterSettings, kExitAboutWindow},
    {kTriggerGlobalLocalKBDControl, kTriggerGlobalLocalKBDControl},
    {kLibSyncTimer, kRequestFromBank},
    {kControlDisplayName, kControlDisplayCategory},
    {kControlDisplayPatch, kRequestTempData},
    {kFirstRunExit, kCancelDataRequest},
    {kMainTab, kQuickTab},
    {kLibrarianArea, kLibrarianArea},
    {kMultiPartSettings, kMultiPartSettings + kLastPart},
    {kPatchUp, kPatchDown + kLastPart},
    {kFilterLinkTrigger, kFilterLinkTrigger + kLastPart},
    {kTriggerOscillator1Samples, kTriggerOscillator2Samples + kLastPart},
    {kTriggerOscillator1LimitWT, kTriggerFilterRouting + kLastPart},
    // A button that springs back: its 1 and 0 say nothing; the randomizer reports in the status line.
    {kRandomize, kRandomize},
};

static_assert(kMultiName == kOverrideTempo + 4 && kCategoryName == kPatchName + Korvid::kPartCount,
              "the name fields follow the multi's selection fields");
static_assert(kDiscardBankData == kControlDisplayPatch + 4 && kCancelDataRequest == kFirstRunExit + 6,
              "the display and librarian buttons are contiguous");
static_assert(kPatchDown == kPatchUp + Korvid::kPartCount &&
                  kTriggerOscillator2Samples == kTriggerOscillator1Samples + Korvid::kPartCount,
              "paired button blocks are adjacent");

bool hasDisplay(int paramIdx)
{
  for (const IndexRun& run : kWithoutDisplay)
  {
    if (paramIdx >= run.first && paramIdx <= run.last)
      return false;
  }
  return true;
}

// While the transport runs only edits of the current part are shown: names whose second character is 'X' or
// 'f', or that begin with the part prefix "[n] " where n is the current part's number.
bool belongsToShownPart(const char* name, int currentPart)
{
  if (name == nullptr || name[0] == '\0' || name[1] == '\0')
    return false;
  if (name[1] == 'X' || name[1] == 'f')
    return true;
  if (name[0] != '[')
    return false;
  // Part numbers have at most two digits; longer runs of digits are no part prefix.
  constexpr int kMaxDigits = 2;
  int number = 0;
  int digits = 0;
  const char* p = name + 1;
  while (*p >= '0' && *p <= '9' && digits <= kMaxDigits)
  {
    number = number * 10 + (*p - '0');
    ++digits;
    ++p;
  }
  if (digits == 0 || digits > kMaxDigits || p[0] != ']' || p[1] != ' ')
    return false;
  return number == currentPart + 1;
}

void setText(IControl* control, const std::string& text)
{
  if (ITextControl* display = dynamic_cast<ITextControl*>(control))
    display->SetTextFromPlug(text.c_str());
}

constexpr size_t kNameLine = 0;
constexpr size_t kValueLine = 1;
constexpr int kProgramChangeClass = 1;
} // namespace

void ControlDisplay::controlDisplay(Korvid* plug, int paramIdx, double value, bool transportRunning)
{
  if (plug == nullptr || !hasDisplay(paramIdx))
    return;
  if (!plug->mConstructed)
    return;
  if (paramIdx == kPatchSearchString || paramIdx == kPatchSearch)
    return;
  // The library control is shown only while program changes from the DAW are filtered.
  if (paramIdx == kControlLibrary && !plug->mHostInputBlocked[kProgramChangeClass])
    return;
  IParam* param = plug->GetParam(paramIdx);
  if (param == nullptr)
    return;
  const char* name = param->GetNameForHost();
  if (transportRunning && !belongsToShownPart(name, plug->mCurrentPart))
    return;
  setText(plug->mDisplayControls[kNameLine], name ? name : "");
  setText(plug->mDisplayControls[kValueLine], valueLine(*plug, paramIdx, value));
}

std::string ControlDisplay::getValueString(double value)
{
  const int length = std::snprintf(nullptr, 0, "%.0f", value);
  if (length <= 0)
    return std::string();
  try
  {
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    std::snprintf(buffer.data(), buffer.size(), "%.0f", value);
    return std::string(buffer.data(), static_cast<size_t>(length));
  }
  catch (const std::bad_alloc&)
  {
    return std::string();
  }
}
