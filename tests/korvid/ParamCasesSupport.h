// Helpers of the tests of the change handler's settings, page and librarian cases: edits as the controls make
// them, the two display lines, and bank files generated into the temporary library.
#pragma once

#include "KorvidTestSupport.h"

#include "IControl.h"
#include "InitDumpTemplates.h"
#include "PatchLibrarian.h"
#include "SysexProtocol.h"

#include <algorithm>
#include <string>
#include <vector>

namespace korvidtest
{
class ParamCasesFixture : public StartupFixture
{
protected:
  ParamCasesFixture() { useResources(pluginFolder()); }

  // The user's road: the value is stored and the handler runs (only for a changed value, or a text).
  static void edit(Korvid& plug, int paramIdx, double value)
  {
    IParam* param = plug.GetParam(paramIdx);
    plug.SetParameterFromGUI(paramIdx, param->GetNormalized(value));
  }
  // A button pressed and released.
  static void press(Korvid& plug, int paramIdx)
  {
    edit(plug, paramIdx, 1.0);
    edit(plug, paramIdx, 0.0);
  }
  // The value stored and the handler run, also when the value does not change.
  static void set(Korvid& plug, int paramIdx, double value)
  {
    plug.GetParam(paramIdx)->Set(value);
    plug.OnParamChange(paramIdx);
  }
  // A text typed into a text field of paramIdx and confirmed.
  static void enterText(Korvid& plug, int paramIdx, const std::string& text)
  {
    IParam* param = plug.GetParam(paramIdx);
    param->SetDisplayText(0, text.c_str());
    plug.SetParameterFromGUI(paramIdx, param->GetNormalized(param->Value() == 0.0 ? 1.0 : 0.0));
  }

  static std::string line(Korvid& plug, size_t index) { return displayLine(plug, index); }

  // A bank file of 128 sounds in the library whose names are names (then "Init" names).
  void writeSoundBank(const std::string& file, const std::vector<std::string>& names)
  {
    writeBank(file, InitDumpTemplates::initSound(), InitDumpTemplates::kSoundNameOffset, names);
  }
  void writeMultiBank(const std::string& file, const std::vector<std::string>& names)
  {
    writeBank(file, InitDumpTemplates::initMulti(), InitDumpTemplates::kMultiNameOffset, names);
  }

  // The name bytes of a dump.
  static std::string nameOf(const std::vector<unsigned char>& dump, int offset)
  {
    return std::string(dump.begin() + offset, dump.begin() + offset + InitDumpTemplates::kSoundNameLength);
  }

private:
  void writeBank(const std::string& file, const std::vector<unsigned char>& dump, int nameOffset,
                 const std::vector<std::string>& names)
  {
    createLibrary();
    std::string bytes;
    for (size_t slot = 0; slot < PatchFile::kBankSize; ++slot)
    {
      std::vector<unsigned char> record = dump;
      if (slot < names.size())
      {
        std::string name = names[slot];
        name.resize(InitDumpTemplates::kSoundNameLength, ' ');
        std::copy(name.begin(), name.end(), record.begin() + nameOffset);
        SysexProtocol::writeChecksum(record.data(), static_cast<int>(record.size()));
      }
      bytes.append(record.begin(), record.end());
    }
    home.writeFile("Patches/" + file, bytes);
  }
};
} // namespace korvidtest
