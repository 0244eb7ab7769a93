// Job 2: the sound dump of one part, sent to the part's edit buffer or stored into the librarian.
#include "MIDIMessageSender.h"

#include "Korvid.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"
#include "PatchManager.h"
#include "SysexProtocol.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace
{
double valueOf(Korvid* plug, int paramIdx)
{
  IParam* param = plug->GetParam(paramIdx);
  return param ? param->Value() : 0.0;
}
} // namespace

void MIDIMessageSender::buildPartDump(int part, uint8_t* dump, std::string* nameText,
                                      std::string* categoryText)
{
  const SoundDumpLayout::Dump& templ = SoundDumpLayout::soundTemplate();
  std::copy(templ.begin(), templ.end(), dump);
  dump[SysexProtocol::kDeviceIdOffset] =
      SysexProtocol::dataByte(static_cast<int>(valueOf(plug, kGlobalSysExID)));
  dump[SysexProtocol::kBankOffset] = SysexProtocol::kEditBufferBank;
  dump[SysexProtocol::kProgramOffset] = SysexProtocol::dataByte(part);
  SoundDumpLayout::buildParameters(
      part, [this](int idx) { return valueOf(plug, idx); }, dump);

  IParam* nameParam = plug->GetParam(kPatchName + part);
  const std::string name = nameParam ? nameParam->GetDisplayText(0) : "";
  const size_t copied = std::min(name.size(), static_cast<size_t>(SoundDumpLayout::kNameLength));
  for (size_t i = 0; i < copied; ++i)
  {
    dump[SoundDumpLayout::kNameOffset + i] = SysexProtocol::dataByte(static_cast<unsigned char>(name[i]));
  }

  const int category = static_cast<int>(valueOf(plug, kCategoryName + part));
  dump[SoundDumpLayout::kCategoryOffset] = SysexProtocol::dataByte(category);
  if (nameText)
  {
    *nameText = name;
  }
  if (categoryText)
  {
    *categoryText = SoundDumpLayout::categoryText(category);
  }
}

bool MIDIMessageSender::sendPartToDevice(int part, bool toLibrarian, bool)
{
  if (part < 0 || part >= SysexProtocol::kPartCount)
  {
    manager->sendRunning = false;
    return false;
  }
  const bool pushAll = plug->mPushAllParts.load();
  if (!pushAll)
  {
    plug->DisplayProcessingIndicator(true);
  }
  SoundDumpLayout::Dump dump{};
  std::string name;
  std::string category;
  buildPartDump(part, dump.data(), &name, &category);

  if (!pushAll && patchManager)
  {
    patchManager->setName(PatchManager::kFirstPartNameSlot + part, name);
    plug->setLibrarianViewDirty();
    patchManager->setName(PatchManager::kFirstCategorySlot + part, category);
    plug->setLibrarianViewDirty();
  }
  if (!pushAll && part == plug->mCurrentPart.load())
  {
    plug->displayPatchName(name);
    plug->displayCategoryName(category);
  }

  bool sent = true;
  if (toLibrarian)
  {
    dump[SysexProtocol::kBankOffset] =
        SysexProtocol::dataByte(static_cast<int>(valueOf(plug, kMultiPartBank + part)));
    dump[SysexProtocol::kProgramOffset] = SysexProtocol::dataByte(plug->getSelectedLibrarianSlot());
    storeIntoLibrarian(dump.data(), static_cast<int>(dump.size()), "Part " + std::to_string(part + 1));
  }
  else
  {
    sent = sendDump(dump.data(), static_cast<int>(dump.size()), kAfterDumpPauseMs);
    pause(kAfterDumpPauseMs);
  }
  plug->DisplayProcessingIndicator(false);
  // Also when called inside another job (multi push, library record), which set the flag per part.
  manager->sendRunning = false;
  return sent;
}
