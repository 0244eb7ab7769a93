// Multi and global dump parsing: received dumps into the multi, part and global parameters.
#include "MIDIMessageManager.h"

#include "IGraphics.h"
#include "Korvid.h"
#include "MultiDumpLayout.h"
#include "ParamIndex.h"
#include "PatchManager.h"
#include "SysexProtocol.h"

#include <string>

namespace
{
bool hasHeader(const uint8_t* data, uint8_t type)
{
  return data[SysexProtocol::kManufacturerOffset] == SysexProtocol::kManufacturerId &&
         data[SysexProtocol::kModelOffset] == SysexProtocol::kModelId &&
         data[SysexProtocol::kTypeOffset] == type;
}
} // namespace

void MIDIMessageManager::setParameterFromDump(int paramIdx, double value)
{
  IGraphics* surface = graphics ? graphics : plug->GetGUI();
  if (surface)
  {
    surface->SetParameterFromPlug(paramIdx, value, false);
  }
  else if (IParam* param = plug->GetParam(paramIdx))
  {
    param->SetNormalized(param->GetNormalized(value));
  }
}

void MIDIMessageManager::encryptMultiSettings1Values(int value, int part)
{
  MultiDumpLayout::unpackFlags1(value, part, [this](int idx, double v) { setParameterFromDump(idx, v); });
}

void MIDIMessageManager::encryptMultiSettings2Values(int value, int part)
{
  MultiDumpLayout::unpackFlags2(value, part, [this](int idx, double v) { setParameterFromDump(idx, v); });
}

void MIDIMessageManager::sysexMultiParse(ISysEx* msg)
{
  if (!msg || !msg->mData || msg->mSize < MultiDumpLayout::kMultiLength ||
      !hasHeader(msg->mData, SysexProtocol::kMultiDump))
  {
    return;
  }
  const uint8_t* data = msg->mData;
  dataReceived = false;

  const std::string name(reinterpret_cast<const char*>(data) + MultiDumpLayout::kNameOffset,
                         MultiDumpLayout::kNameLength);
  if (IParam* nameParam = plug->GetParam(kMultiName))
  {
    nameParam->SetDisplayText(0, name.c_str());
  }
  if (patchManager)
  {
    patchManager->setName(PatchManager::kMultiNameSlot, name);
  }
  plug->setLibrarianViewDirty();

  std::vector<int> banks = plug->mPartBankTable.values();
  std::vector<int> programs = plug->mPartProgramTable.values();
  MultiDumpLayout::parseMulti(
      data, msg->mSize, [this](int idx, double v) { setParameterFromDump(idx, v); }, &banks, &programs);
  plug->mPartBankTable.store(banks);
  plug->mPartProgramTable.store(programs);
  dataReceived = true;
}

void MIDIMessageManager::sysexSettingsParse(ISysEx* msg)
{
  if (msg && SysexProtocol::isGlobalDump(msg->mData, msg->mSize))
  {
    dataReceived = false;
    MultiDumpLayout::parseGlobal(msg->mData, msg->mSize,
                                 [this](int idx, double v) { setParameterFromDump(idx, v); });
    plug->mLocalControl = msg->mData[MultiDumpLayout::kGlobalLocalControlOffset] != 0;
    dataReceived = true;
  }
  dumpExpected = false;
}
