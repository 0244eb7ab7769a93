// Sound dump parsing: a received or fed-back sound dump into one part's parameters.
#include "MIDIMessageManager.h"

#include "IGraphics.h"
#include "Korvid.h"
#include "ParamIndex.h"
#include "PatchManager.h"
#include "SysexProtocol.h"

#include <string>
#include <utility>
#include <vector>

void MIDIMessageManager::sysexPatchParse(ISysEx* msg)
{
  if (!msg || !msg->mData || msg->mSize < SysexProtocol::kSoundDumpMinimumLength)
  {
    return;
  }
  const uint8_t* data = msg->mData;
  if (data[SysexProtocol::kManufacturerOffset] != SysexProtocol::kManufacturerId ||
      data[SysexProtocol::kModelOffset] != SysexProtocol::kModelId ||
      data[SysexProtocol::kTypeOffset] != SysexProtocol::kSoundDump)
  {
    return;
  }
  // Only parts 0..15 exist: a dump addressed to a stored program is no part's edit buffer.
  const int part = data[SysexProtocol::kProgramOffset];
  if (part >= SysexProtocol::kPartCount)
  {
    return;
  }
  dataReceived = false;

  IGraphics* surface = graphics ? graphics : plug->GetGUI();
  auto read = [this](int paramIdx)
  {
    IParam* param = plug->GetParam(paramIdx);
    return param ? param->Value() : 0.0;
  };

  const std::string name(reinterpret_cast<const char*>(data) + SoundDumpLayout::kNameOffset,
                         SoundDumpLayout::kNameLength);
  if (IParam* nameParam = plug->GetParam(kPatchName + part))
  {
    nameParam->SetDisplayText(0, name.c_str());
  }
  if (patchManager)
  {
    patchManager->setName(PatchManager::kFirstPartNameSlot + part, name);
  }
  plug->setLibrarianViewDirty();
  IParam* currentName = plug->GetParam(kPatchName + plug->mCurrentPart.load());
  plug->displayPatchName(currentName ? currentName->GetDisplayText(0) : "");

  // Kept per thread (the MIDI input and the worker both parse), so that a parse allocates nothing.
  thread_local std::vector<SoundDumpLayout::ParsedValue> values;
  SoundDumpLayout::parseParameters(data, part, read, values);
  const int category = data[SoundDumpLayout::kCategoryOffset];
  values.push_back({kCategoryName + part, category});
  // All values at once: with an editor, its controls follow in one walk rather than one walk per value.
  if (surface)
  {
    thread_local std::vector<std::pair<int, double>> plainValues;
    plainValues.clear();
    plainValues.reserve(values.size());
    for (const SoundDumpLayout::ParsedValue& v : values)
    {
      plainValues.emplace_back(v.paramIdx, static_cast<double>(v.value));
    }
    surface->SetParametersFromPlug(plainValues);
  }
  else
  {
    for (const SoundDumpLayout::ParsedValue& v : values)
    {
      if (IParam* param = plug->GetParam(v.paramIdx))
      {
        param->SetFromPlain(static_cast<double>(v.value));
      }
    }
  }

  const std::string categoryText = SoundDumpLayout::categoryText(category);
  if (patchManager)
  {
    patchManager->setName(PatchManager::kFirstCategorySlot + part, categoryText);
  }
  plug->setLibrarianViewDirty();
  // The display shows the current part's category, as it shows its name: a dump of another part (the
  // parts of a synced multi) leaves it.
  if (part == plug->mCurrentPart.load())
  {
    plug->displayCategoryName(categoryText);
  }
  dataReceived = true;
}
