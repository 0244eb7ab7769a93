// The plug-in's file import into the library folder, and the help pages and user manual it opens.
#include "Korvid.h"

#include "IGraphics.h"
#include "PatchLibrarian.h"
#include "SafeFileWriter.h"
#include "WdlString.h"

#include <array>
#include <filesystem>
#include <string>
#include <system_error>

namespace
{
// The maker's web site and the pages of the help topics (support tickets, downloads, knowledge base).
constexpr const char* kMakerSite = "https://www.quillmarsh.com";
constexpr std::array<const char*, 3> kHelpPages = {"/my-tickets/", "/downloads/", "/kb/articles/"};

constexpr const char* kMidiExtensions = "mid";
constexpr const char* kSysexExtensions = "syx kvd";
constexpr const char* kLogImported = "FILE IMPORTER: patch file copied to ";
constexpr const char* kNothingImported = " - nothing imported";
} // namespace

bool Korvid::sayDialogFailed(const char* consequence)
{
  IGraphics* surface = GetGUI();
  const std::string failure = surface ? surface->DialogFailure() : "";
  if (failure.empty())
  {
    return false;
  }
  showStatusText((failure + consequence).c_str());
  return true;
}

bool Korvid::saveImportedFile(bool midiFile)
{
  IGraphics* surface = GetGUI();
  if (!surface)
  {
    return false;
  }
  WDL_String chosen("");
  WDL_String folder(mFileDialogFolder.c_str());
  surface->PromptForFile(&chosen, kFileOpen, &folder, midiFile ? kMidiExtensions : kSysexExtensions);
  const std::string source = chosen.Get();
  if (source.empty())
  {
    if (!sayDialogFailed(kNothingImported))
    {
      showStatusText("Nothing imported");
    }
    return false;
  }
  mFileDialogFolder = folder.Get();
  return importBankFile(source);
}

bool Korvid::importBankFile(const std::string& source)
{
  namespace fs = std::filesystem;
  std::error_code error;
  const size_t slash = source.find_last_of('/');
  const std::string name = slash == std::string::npos ? source : source.substr(slash + 1);
  auto refuse = [this](const std::string& text)
  {
    showStatusText((text + kNothingImported).c_str());
    return false;
  };
  if (name.empty())
  {
    return refuse("No file chosen");
  }
  if (!fs::is_regular_file(source, error))
  {
    return refuse("Cannot read " + name);
  }
  // Read whole before anything is written: a file that cannot be read leaves the library as it was.
  const auto size = static_cast<long long>(fs::file_size(source, error));
  ByteChunk bytes;
  if (error || !PatchLibrarian::readWholeFile(source, &bytes, PatchLibrarian::kMaximumBankFileSize) ||
      bytes.Size() != size)
  {
    return refuse(size > PatchLibrarian::kMaximumBankFileSize ? name + " is too large"
                                                              : "Cannot read " + name);
  }
  // The library reads no smaller file: it would stay out of the lists without a word.
  if (size < PatchLibrarian::kMinimumBankFileSize)
  {
    return refuse(name + " is too small for a bank");
  }
  // The library's own reader decides: a file it would not list would be copied for nothing.
  if (!PatchLibrarian::listsBankFile(name, &bytes))
  {
    return refuse(name + " holds no bank the library reads");
  }
  const std::string library = getPatchesFolderStr();
  if (!fs::is_directory(library, error))
  {
    return refuse("Library folder missing");
  }
  const std::string sameName = library + "/" + name;
  if (fs::equivalent(source, sameName, error))
  {
    return refuse(name + " is already in the library");
  }
  // Never over a file of the library: a free name "<name> (n)" instead.
  const std::string target = SafeFileWriter::freePath(sameName);
  std::string why;
  if (!SafeFileWriter::write(target, bytes.Bytes(), bytes.Size(), false, &why))
  {
    log("FILE IMPORTER: " + target + " not written: " + why);
    return refuse("Cannot write " + name);
  }
  log(kLogImported + target);
  const std::string written = target.substr(target.find_last_of('/') + 1);
  showStatusText((written + " imported").c_str());
  return true;
}

bool Korvid::OpenHelpTopics(int topic)
{
  IGraphics* surface = GetGUI();
  if (!surface || topic < 0 || topic >= static_cast<int>(kHelpPages.size()))
  {
    return false;
  }
  const std::string url = std::string(kMakerSite) + kHelpPages[static_cast<size_t>(topic)];
  if (!surface->OpenURL(url.c_str()))
  {
    showStatusText(("Cannot open " + url).c_str());
    return false;
  }
  return true;
}

void Korvid::OpenDataDirectory(bool manual)
{
  IGraphics* surface = GetGUI();
  if (!surface)
  {
    return;
  }
  const std::string path = mDataFolder.getOpenDataDirectoryPath(manual);
  std::error_code error;
  if (manual && !std::filesystem::is_regular_file(path, error))
  {
    showStatusText((std::string(DataFolder::kUserManualName) + " is not in the data folder").c_str());
    return;
  }
  if (!surface->OpenURL(path.c_str()))
  {
    showStatusText(("Cannot open " + path).c_str());
  }
}
