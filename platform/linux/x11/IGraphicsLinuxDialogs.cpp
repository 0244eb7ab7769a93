// The Linux surface's dialogs: message boxes and file panels through zenity, web pages and files through
// xdg-open.
#include "IGraphicsLinux.h"

#include "ChildProcess.h"
#include "DisplayText.h"
#include "EditorLock.h"
#include "WdlString.h"

#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace
{
// Message box types and results of the surface.
constexpr int kBoxOkCancel = 1;
constexpr int kBoxYesNoCancel = 3;
constexpr int kBoxYesNo = 4;
constexpr int kResultDefault = 1;
constexpr int kResultAlternate = 7;
constexpr int kResultOther = 2;
constexpr int kResultNone = 0;

// zenity ends with 0 for its OK button and 1 for everything else: its cancel button, an extra button (whose
// label it prints), Escape and a closed window. An answer that drops or keeps data is therefore an extra
// button: ending without a label is no answer.
constexpr int kZenityOk = 0;
constexpr int kZenityCancel = 1;
constexpr const char* kNoLabel = "No";
constexpr const char* kYesLabel = "Yes";

// xdg-open hands the address to the desktop and usually returns at once; a browser it started in the
// foreground keeps it running, which counts as started.
constexpr int kOpenTimeoutMs = 3000;

constexpr const char* kDefaultFolder = "~/Desktop";

std::string trimmed(const std::string& text)
{
  const size_t end = text.find_last_not_of(" \t\r\n");
  return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

// "~" at the start stands for $HOME, which zenity does not expand.
std::string expandHome(const std::string& path)
{
  const char* home = std::getenv("HOME");
  if (home && (path == "~" || path.rfind("~/", 0) == 0))
  {
    return std::string(home) + path.substr(1);
  }
  return path;
}

// GTK's save panel selects the proposed name up to its extension, so a name typed with the extension over
// it comes back with the extension twice ("My Bank.kvd.kvd"): the one typed stays, in the case typed.
std::string withExtensionOnce(const std::string& path, const char* extensions)
{
  std::istringstream words(extensions ? extensions : "");
  for (std::string word; words >> word;)
  {
    const std::string twice = "." + word + "." + word;
    const size_t slash = path.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (path.size() > nameStart + twice.size() &&
        strcasecmp(path.c_str() + path.size() - twice.size(), twice.c_str()) == 0)
    {
      return path.substr(0, path.size() - word.size() - 1);
    }
  }
  return path;
}
} // namespace

std::vector<std::string> IGraphicsLinux::MessageBoxArgs(const char* text, const char* caption, int type)
{
  std::vector<std::string> args{"zenity"};
  switch (type)
  {
  case kBoxOkCancel:
    args.insert(args.end(), {"--question", "--ok-label=OK", "--cancel-label=Cancel"});
    break;
  case kBoxYesNoCancel:
    args.insert(args.end(), {"--question", "--ok-label=Yes", "--cancel-label=Cancel", "--extra-button=No"});
    break;
  case kBoxYesNo:
    // Without OK and Cancel: both answers print their labels.
    args.insert(args.end(), {"--question", "--switch", "--extra-button=No", "--extra-button=Yes"});
    break;
  default:
    args.push_back("--info");
    break;
  }
  // Texts are shown as they are: no markup, and passed as one argument each, in UTF-8 (zenity ends at once
  // on an argument that is not).
  args.push_back("--no-markup");
  args.push_back("--title=" + displayText(caption ? caption : ""));
  args.push_back("--text=" + displayText(text ? text : ""));
  return args;
}

int IGraphicsLinux::ShowMessageBox(const char* text, const char* caption, int type)
{
  ChildProcess zenity(MessageBoxArgs(text, caption, type));
  std::unique_ptr<EditorLockRelease> release = ReleaseEditorLockWhileModal();
  const ChildProcess::Outcome outcome = zenity.Run([this]() { PumpWhileWaiting(); });
  mDialogFailure = outcome == ChildProcess::Outcome::kNotStarted ? kNeedsZenity : "";
  if (outcome != ChildProcess::Outcome::kExited)
  {
    std::fprintf(stderr, "Korvid Editor: message box not shown: %s: %s\n", caption ? caption : "",
                 text ? text : "");
    return kResultNone;
  }
  const int code = zenity.ExitCode();
  if (code == kZenityOk)
  {
    return kResultDefault;
  }
  if (code != kZenityCancel)
  {
    return kResultNone;
  }
  const std::string label = trimmed(zenity.Output());
  switch (type)
  {
  case kBoxOkCancel:
    return kResultAlternate;
  case kBoxYesNoCancel:
    // Escape and a closed window cancel, as the Cancel button does.
    return label == kNoLabel ? kResultAlternate : kResultOther;
  case kBoxYesNo:
    if (label == kYesLabel)
    {
      return kResultDefault;
    }
    return label == kNoLabel ? kResultAlternate : kResultNone;
  default:
    return kResultNone;
  }
}

void IGraphicsLinux::PromptForFile(WDL_String* fileName, EFileAction action, WDL_String* dir,
                                   const char* extensions)
{
  if (!fileName)
  {
    return;
  }
  if (!WindowIsOpen())
  {
    fileName->Set("");
    mDialogFailure = "";
    return;
  }
  const std::string proposed = fileName->Get();
  if (dir && dir->GetLength() == 0)
  {
    dir->Set(kDefaultFolder);
  }
  std::string folder = dir ? dir->Get() : kDefaultFolder;
  fileName->Set("");

  std::vector<std::string> args{"zenity", "--file-selection"};
  if (action == kFileSave)
  {
    args.push_back("--save");
    args.push_back("--confirm-overwrite");
  }
  folder = expandHome(folder);
  if (!folder.empty() && folder.back() != '/')
  {
    folder += '/';
  }
  // The folder is a path as it is; the proposed name goes into the panel's name field, which takes UTF-8.
  args.push_back("--filename=" + folder + displayText(proposed));
  std::istringstream words(extensions ? extensions : "");
  std::string patterns;
  for (std::string word; words >> word;)
  {
    patterns += (patterns.empty() ? "*." : " *.") + word;
  }
  if (!patterns.empty())
  {
    args.push_back("--file-filter=" + patterns);
  }

  std::string chosen;
  {
    ChildProcess zenity(args);
    std::unique_ptr<EditorLockRelease> release = ReleaseEditorLockWhileModal();
    const ChildProcess::Outcome outcome = zenity.Run([this]() { PumpWhileWaiting(); });
    mDialogFailure = outcome == ChildProcess::Outcome::kNotStarted ? kNeedsZenity : "";
    if (outcome != ChildProcess::Outcome::kExited)
    {
      std::fprintf(stderr, "Korvid Editor: file panel not shown\n");
      return;
    }
    chosen = trimmed(zenity.Output());
    if (zenity.ExitCode() != kZenityOk || chosen.empty())
    {
      return;
    }
  }
  if (action == kFileSave)
  {
    // The panel asked before replacing the name it gave, not the one kept: a file of that name is asked for.
    const std::string kept = withExtensionOnce(chosen, extensions);
    if (kept != chosen && access(kept.c_str(), F_OK) == 0 &&
        ShowMessageBox(("A file named \"" + kept.substr(kept.find_last_of('/') + 1) +
                        "\" already exists. Do you want to replace it?")
                           .c_str(),
                       "Save As", kBoxOkCancel) != kResultDefault)
    {
      return;
    }
    chosen = kept;
  }
  fileName->Set(chosen.c_str());
  if (dir)
  {
    const size_t slash = chosen.find_last_of('/');
    dir->Set(slash == std::string::npos ? "" : chosen.substr(0, slash + 1).c_str());
  }
}

bool IGraphicsLinux::OpenURL(const char* url, const char*, const char*, const char*)
{
  if (!url || !*url)
  {
    return false;
  }
  std::string target = url;
  if (target[0] == '-')
  {
    // Never an option of xdg-open: such a text can only be a file name.
    target = "./" + target;
  }
  ChildProcess xdgOpen({"xdg-open", target}, false);
  std::unique_ptr<EditorLockRelease> release = ReleaseEditorLockWhileModal();
  const ChildProcess::Outcome outcome = xdgOpen.Run([this]() { PumpWhileWaiting(); }, kOpenTimeoutMs);
  if (outcome == ChildProcess::Outcome::kNotStarted)
  {
    std::fprintf(stderr, "Korvid Editor: cannot open %s\n", url);
    return false;
  }
  if (outcome == ChildProcess::Outcome::kExited && xdgOpen.ExitCode() > 0)
  {
    std::fprintf(stderr, "Korvid Editor: xdg-open could not open %s (exit %d)\n", url, xdgOpen.ExitCode());
    return false;
  }
  return true;
}
