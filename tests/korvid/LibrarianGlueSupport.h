// Helpers of the librarian glue and slot view tests: records and banks made in memory, and an editor whose
// library holds them, with or without an output port.
#pragma once

#include "KorvidTestSupport.h"

#include "ControlLayer.h"
#include "HeadlessSurface.h"
#include "InitDumpTemplates.h"
#include "LibrarianViewControl.h"
#include "PatchLibrarian.h"
#include "ProgressIndicator.h"
#include "SysexProtocol.h"

#include <algorithm>
#include <string>
#include <vector>

namespace korvidtest
{
constexpr const char* kLibraryPort = "Blofeld Out";

// A sysex body as it goes out, between its start and end bytes.
inline MidiFakeSystem::Bytes framedSysex(const std::vector<uint8_t>& body)
{
  MidiFakeSystem::Bytes framed(body.size() + 2, SysexProtocol::kSysexStart);
  std::copy(body.begin(), body.end(), framed.begin() + 1);
  framed.back() = SysexProtocol::kSysexEnd;
  return framed;
}

// A sound record named name (up to 16 characters, in the dump too), or a multi record with multi.
inline LibrarianPatch libraryRecord(const std::string& name, bool multi = false)
{
  LibrarianPatch record;
  PatchSysexMessage dump;
  dump.mData = multi ? InitDumpTemplates::initMulti() : InitDumpTemplates::initSound();
  const int offset = multi ? InitDumpTemplates::kMultiNameOffset : InitDumpTemplates::kSoundNameOffset;
  const std::string padded = (name + std::string(16, ' ')).substr(0, 16);
  std::copy(padded.begin(), padded.end(), dump.mData.begin() + offset);
  record.mMessages.push_back(dump);
  record.mName = name;
  return record;
}

// A bank file of count records named prefix + number; the slots listed in empty hold no dump.
inline PatchFile* libraryBank(const std::string& prefix, int count, const std::vector<int>& empty = {},
                              bool multi = false)
{
  auto* bank = new PatchFile();
  bank->mKind = multi ? PatchFile::kMultis : PatchFile::kSounds;
  bank->mFileName = prefix + ".syx";
  bank->mFolderName = "Patches";
  for (int k = 0; k < count; ++k)
  {
    const bool blank = std::find(empty.begin(), empty.end(), k) != empty.end();
    bank->mRecords.push_back(blank ? LibrarianPatch() : libraryRecord(prefix + std::to_string(k), multi));
  }
  return bank;
}

// The real editor on the headless surface over an empty library folder, filled with banks made in memory:
// sound banks "A" (128), "B" (3) and "C" (128, slot 5 empty), multi bank "M", category bank "Cat" and search
// bank "Found"; the upper pane shows A, the lower pane B.
class LibraryEditorFixture : public StartupFixture
{
protected:
  LibraryEditorFixture()
  {
    useResources(pluginFolder());
    createLibrary();
    writeSettings("white\nnormal\nyes");
  }

  // An editor; withPort chooses an output port (its device-id probe has ended on return) and opens the input
  // of the same name, and forgets what was sent so far.
  std::unique_ptr<Korvid> makeEditor(bool withPort)
  {
    if (withPort)
    {
      midi->setOutputPorts({kLibraryPort});
      midi->setInputPorts({kLibraryPort});
    }
    auto plug = construct();
    if (withPort)
    {
      chooseOutputPort(*plug, 1);
      int input = (plug->rereadExternalMIDIInNames(), 1);
      plug->setExternalMIDIIn(input, kLibraryPort);
    }
    PatchLibrarian* library = plug->mPatchLibrarian;
    // The banks the start-up scan found give way (the lists own their banks; the trees only point).
    for (int tree = PatchLibrarian::kSoundTree; tree <= PatchLibrarian::kSearchTree; ++tree)
      library->clearDataStructures(tree);
    for (auto* list :
         {&library->mSoundBanks, &library->mMultiBanks, &library->mCategoryBanks, &library->mSearchBanks})
      for (PatchFile* bank : *list)
        delete bank;
    library->mSoundBanks = {libraryBank("A", 128), libraryBank("B", 3), libraryBank("C", 128, {5})};
    library->mMultiBanks = {libraryBank("M", 128, {}, true)};
    library->mCategoryBanks = {libraryBank("Cat", 128)};
    library->mSearchBanks = {libraryBank("Found", 128)};
    library->mUpperBankIndex = 0;
    library->mLowerBankIndex = 1;
    library->mPatchType = PatchLibrarian::kPatchTypeSounds;
    plug->updatePatchLibrarianView(2);
    midi->clearReceived();
    plug->showStatusText("");
    return plug;
  }

  static HeadlessSurface* headless(Korvid& plug) { return dynamic_cast<HeadlessSurface*>(plug.getSurface()); }

  // The name shown in a slot of the view.
  static std::string shown(Korvid& plug, int pane, int slot)
  {
    return shownText(plug.mLibrarianView->getSlotText(pane, slot));
  }

  std::vector<MidiFakeSystem::Bytes> sent() const { return midi->received(kLibraryPort); }

public:
  // Keeps the sysex-job worker busy until the editor goes: a part request into the editor (it arms no
  // library request) on a clock a thousand times slow; returns once the job has sent its request, with its
  // busy overlay hidden so that clicks reach the editor as during a job that shows none. Forgets what was
  // sent.
  void occupyWorker(Korvid& plug)
  {
    MIDIMessageManager* manager = plug.mMIDIMessageManager;
    manager->setClock(&slowClock);
    JobArguments request;
    request.jobCode = MIDIMessageSender::kJobRequestPart;
    request.toEditor = true;
    ASSERT_TRUE(manager->post(request));
    // The job expects its dump before it sends the request: wait for the request itself, or it and the
    // job's wait text could come after what the test does next.
    const MidiFakeSystem::Bytes sentRequest =
        framedSysex(SysexProtocol::soundEditBufferRequest(plug.mDeviceId.load(), request.part));
    ASSERT_TRUE(waitUntil(
        [this, &sentRequest]
        {
          const auto all = sent();
          return std::find(all.begin(), all.end(), sentRequest) != all.end();
        }));
    plug.mProgressIndicator->Hide(true);
    plug.mProgressLayer->Hide(true);
    midi->clearReceived();
  }

  // The time source of occupyWorker's job: outlives the editors of a test.
  DeviceClock slowClock{DeviceClock::Mode::Scaled, 1000.0};
};
} // namespace korvidtest
