// The library's store entry points, the save layers, the part indicator of outgoing sysex and program
// changes, in the editor built from the project's resources, wired to a simulated synthesizer.
#include "KorvidTestSupport.h"

#include "BlofeldSimulator.h"
#include "ControlLayer.h"
#include "IControl.h"
#include "LibrarianPatch.h"
#include "LibrarianViewControl.h"
#include "PatchFile.h"
#include "PatchLibrarian.h"
#include "SoundDumpLayout.h"
#include "SysexProtocol.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace korvidtest;

namespace
{
using Bytes = BlofeldSimulator::Bytes;

BlofeldSimulator* gSimulator = nullptr;

std::unique_ptr<IMidiPorts::Backend> simulatorBackend()
{
  return gSimulator->makeBackend();
}

// Message box answers.
constexpr int kOk = 1;
constexpr int kCancel = 7;
constexpr int kClosed = 0;

class LibraryTransfersEditor : public StartupFixture
{
protected:
  void SetUp() override
  {
    useResources(pluginFolder());
    writeMadeBanks();
    simulator = std::make_unique<BlofeldSimulator>(0);
    gSimulator = simulator.get();
    IMidiPorts::SetBackendFactory(&simulatorBackend);
    plug = construct();
    // The input first: choosing the output then runs the device-id probe and waits for it. The simulator
    // keeps quiet meanwhile, so that no global dump arrives in the middle of a test: also for the probe's
    // requests that its thread has not handled yet when the probe ends.
    simulator->setFault(BlofeldSimulator::Fault::Silent);
    choosePort(kDeviceInSelection);
    choosePort(kDeviceOutSelection);
    simulator->drain();
    simulator->setFault(BlofeldSimulator::Fault::None);
    ASSERT_TRUE(plug->mOutputPresent);
    manager = plug->mMIDIMessageManager;
    ASSERT_NE(manager, nullptr);
    // The simulator answers on its own thread in real time: requests must wait for it.
    manager->setClock(&scaledClock);
    // Part p on channel p, only what a test switches on active, the shortest sync timer.
    for (int part = 0; part < Korvid::kPartCount; ++part)
    {
      set(kMultiPartMIDICh + part, part + 2.0);
      set(kMultiPartStatus + part, 0.0);
    }
    set(kGlobalMidiChannel, 0.0);
    set(kLibSyncTimer, 0.0);
    // Every message class passes both inputs.
    for (size_t c = 0; c < Korvid::kBlockClassCount; ++c)
    {
      plug->mHostInputBlocked[c] = false;
      plug->mHardwareInputBlocked[c] = false;
    }
    upperBank = LibrarianViewControl::bankOfPane(plug->mPatchLibrarian, LibrarianViewControl::kUpperPane,
                                                 false, false);
    ASSERT_NE(upperBank, nullptr);
    ASSERT_EQ(upperBank->mRecords.size(), 128u);
  }

  void TearDown() override
  {
    plug.reset();
    IMidiPorts::SetBackendFactory(nullptr);
    gSimulator = nullptr;
  }

  void choosePort(int paramIdx)
  {
    IParam* ports = plug->GetParam(paramIdx);
    for (int i = 0; i < ports->GetNDisplayTexts(); ++i)
    {
      if (std::string(ports->GetDisplayText(i)) != BlofeldSimulator::kPortName)
        continue;
      if (paramIdx == kDeviceOutSelection)
        chooseOutputPort(*plug, i);
      else
        plug->SetParameterFromGUI(paramIdx, ports->GetNormalized(i));
    }
  }

  void set(int paramIdx, double value) { plug->GetParam(paramIdx)->Set(value); }
  HeadlessSurface& surface() { return *static_cast<HeadlessSurface*>(plug->getSurface()); }

  // Waits for the bank changes and the device jobs, then for the simulator.
  void settle()
  {
    BankChangeThread& thread = manager->bankChanges;
    EXPECT_TRUE(thread.waitDone(thread.issued(), static_cast<int>(kWaitLimit.count())));
    EXPECT_TRUE(waitUntil([&] { return !plug->ThreadRunning(); }));
    simulator->drain();
  }

  // What the synthesizer holds after the library dump was stored as (bank, program) for device 0.
  static Bytes storedForm(Bytes dump, int bank, int program)
  {
    dump[SysexProtocol::kDeviceIdOffset] = 0;
    dump[SysexProtocol::kBankOffset] = static_cast<unsigned char>(bank);
    dump[SysexProtocol::kProgramOffset] = static_cast<unsigned char>(program);
    dump[SoundDumpLayout::kChecksumOffset] = SysexProtocol::checksum(
        dump.data(), static_cast<int>(dump.size()), 7, SoundDumpLayout::kChecksumOffset - 1);
    return dump;
  }

  // An edit buffer holds the library dump: the bytes that tell the made sounds apart and that the editor
  // keeps (name, category, both filters' cutoff) are the dump's. The made sounds' other bytes are the
  // template's, some of which the editor holds to its parameters' ranges.
  static void expectSameSound(const Bytes& editBuffer, const Bytes& dump)
  {
    constexpr int kFilter1Cutoff = 85;
    constexpr int kFilter2Cutoff = 105;
    std::vector<int> bytes{kFilter1Cutoff, kFilter2Cutoff, SoundDumpLayout::kCategoryOffset};
    for (int i = 0; i < SoundDumpLayout::kNameLength; ++i)
      bytes.push_back(SoundDumpLayout::kNameOffset + i);
    for (int i : bytes)
    {
      ASSERT_EQ(editBuffer[static_cast<size_t>(i)], dump[static_cast<size_t>(i)]) << "byte " << i;
    }
  }

  // Sends a program change as the host or as the synthesizer.
  void programChange(bool fromHost, int channel, int program)
  {
    const auto status = static_cast<unsigned char>(0xC0 + channel);
    if (fromHost)
    {
      IMidiMsg msg(0, status, static_cast<uint8_t>(program), 0);
      plug->ProcessMidiMsg(&msg, false);
    }
    else
    {
      simulator->play({status, static_cast<unsigned char>(program)});
    }
  }

  const Bytes& upperRecord(int slot)
  {
    return upperBank->mRecords[static_cast<size_t>(slot)].mMessages.front().mData;
  }

  // Position of the last received message equal to message, or -1.
  long lastIndexOf(const Bytes& message)
  {
    const std::vector<Bytes> all = simulator->received();
    const auto found = std::find(all.rbegin(), all.rend(), message);
    return found == all.rend() ? -1 : static_cast<long>(all.rend() - found) - 1;
  }

  // Position of the last sound dump received for part's edit buffer, or -1.
  long lastEditBufferDump(int part)
  {
    const std::vector<Bytes> all = simulator->received();
    for (size_t i = all.size(); i-- > 0;)
    {
      const Bytes& m = all[i];
      if (SysexProtocol::isSoundDump(m.data(), static_cast<int>(m.size())) &&
          m[SysexProtocol::kBankOffset] == SysexProtocol::kEditBufferBank &&
          m[SysexProtocol::kProgramOffset] == part)
        return static_cast<long>(i);
    }
    return -1;
  }

  // A fifth of real time: a sync-timer pause of 50 ms takes 10 ms.
  DeviceClock scaledClock{DeviceClock::Mode::Scaled, 0.2};
  std::unique_ptr<BlofeldSimulator> simulator;
  std::unique_ptr<Korvid> plug;
  MIDIMessageManager* manager = nullptr;
  PatchFile* upperBank = nullptr;
};
} // namespace

TEST_F(LibraryTransfersEditor, AWholeBankGoesIntoMemoryOnlyWhenTheUserConfirms)
{
  struct Row
  {
    int answer;
    int startSlot;
    int bankByte;
    const char* question;
  };
  const Row rows[] = {
      {kCancel, 0, 3, "Store 128 sounds of \""},
      {kClosed, 0, 3, "Store 128 sounds of \""},
      {kOk, 120, 1, "Store 8 sounds of \""},
      {kOk, 0, 3, "Store 128 sounds of \""},
  };
  for (const Row& row : rows)
  {
    SCOPED_TRACE(row.answer);
    const std::vector<Bytes> before{simulator->sound(row.bankByte, 0), simulator->sound(row.bankByte, 7)};
    const size_t asked = surface().MessageBoxes().size();
    surface().QueueMessageBoxResult(row.answer);
    if (row.startSlot == 0)
      plug->SendAllProgramsFromLibrarian(row.bankByte);
    else
      plug->storeAllPatchesToDeviceFromLibrarian(0, row.startSlot, row.bankByte);
    settle();
    ASSERT_EQ(surface().MessageBoxes().size(), asked + 1);
    const std::string question = surface().MessageBoxes().back();
    EXPECT_NE(question.find(row.question + upperBank->mFileName), std::string::npos) << question;
    EXPECT_NE(question.find(std::string("into bank ") + static_cast<char>('A' + row.bankByte)),
              std::string::npos);
    const int stored = row.answer == kOk ? 128 - row.startSlot : 0;
    for (int program = 0; program < 128; ++program)
    {
      if (program < stored)
      {
        ASSERT_EQ(simulator->sound(row.bankByte, program),
                  storedForm(upperRecord(row.startSlot + program), row.bankByte, program))
            << "program " << program;
      }
    }
    if (stored == 0)
    {
      EXPECT_EQ(simulator->sound(row.bankByte, 0), before[0]);
      EXPECT_EQ(simulator->sound(row.bankByte, 7), before[1]);
    }
    else
    {
      EXPECT_EQ(plug->getStatusText(), MIDIMessageSender::kTextWriteCompleted);
      EXPECT_EQ(plug->getStatusDetail(), MIDIMessageSender::writeCountText(stored));
    }
  }
  // Nothing is asked when nothing could be stored, and the message line says why.
  struct Refusal
  {
    std::function<void()> arrange;
    const char* text;
  };
  const Bytes stored = simulator->sound(0, 0);
  const Refusal refusals[] = {
      // Without the program that shows the question nothing is confirmed.
      {[&] { surface().SetDialogsMissing("The dialog needs zenity"); },
       "The dialog needs zenity - nothing sent"},
      {[&] { plug->mOutputPresent = false; }, "Set MIDI I/O First!"},
      {[&] { plug->mPatchLibrarian->mUpperBankIndex = 100000; }, "No bank open - nothing stored"},
      {[&] { upperBank->mRecords[0].mMessages.clear(); }, "Slot is empty - nothing stored"},
  };
  for (const Refusal& refusal : refusals)
  {
    refusal.arrange();
    const size_t asked = surface().MessageBoxes().size();
    plug->SendAllProgramsFromLibrarian(0);
    settle();
    EXPECT_EQ(surface().MessageBoxes().size(), asked);
    EXPECT_EQ(plug->getStatusText(), refusal.text);
    EXPECT_EQ(simulator->sound(0, 0), stored);
    plug->mOutputPresent = true;
    plug->mPatchLibrarian->mUpperBankIndex = 0;
    surface().SetDialogsMissing("");
  }
}

TEST_F(LibraryTransfersEditor, TheSelectedSlotGoesToThePartAndIntoMemoryWhenAsked)
{
  const int part = 3;
  const int slot = 5;
  set(kMultiPartBank + part, 2.0);
  plug->mPatchLibrarian->mSelectedUpperSlot = slot;
  plug->mLibrarianView->selectedUpper = slot;
  const Bytes storedBefore = simulator->sound(2, slot);

  plug->SendSingleProgramFromLibrarian(false, part);
  settle();
  EXPECT_EQ(simulator->sound(2, slot), storedBefore);
  expectSameSound(simulator->editBuffer(part), upperRecord(slot));
  EXPECT_EQ(plug->GetParam(kMultiPartPatch + part)->Int(), slot);

  plug->SendSingleProgramFromLibrarian(true, part);
  settle();
  EXPECT_EQ(simulator->sound(2, slot), storedForm(upperRecord(slot), 2, slot));
  EXPECT_FALSE(manager->storeToMemory.load());
}

TEST_F(LibraryTransfersEditor, DataReceivedIntoTheLibraryOffersSaveAndDiscard)
{
  for (bool multi : {false, true})
  {
    SCOPED_TRACE(multi);
    plug->mMultiMode = multi;
    for (ControlLayer* layer : {plug->mKeepBankOpenLayer, plug->mMenuLayers[0], plug->mMenuLayers[2]})
      layer->Hide(false);
    plug->mDiscardChangesLayerRight->Hide(true);
    plug->mDatatypeControl->GrayOut(false);
    set(kBankEditUnsaved, 0.0);
    set(kDiscardBankData, 1.0);

    plug->SetLibrarianStatusUnsaved(true);
    EXPECT_TRUE(plug->mDiscardChangesLayerRight->mVisible);
    EXPECT_FALSE(plug->mKeepBankOpenLayer->mVisible);
    EXPECT_TRUE(plug->mDatatypeControl->IsGrayed());
    // The upper browser menu of the kind shown goes; the other kind's stays as it was.
    EXPECT_FALSE(plug->mMenuLayers[multi ? 2 : 0]->mVisible);
    EXPECT_TRUE(plug->mMenuLayers[multi ? 0 : 2]->mVisible);
    EXPECT_EQ(plug->GetParam(kBankEditUnsaved)->Value(), 1.0);
    EXPECT_EQ(plug->GetParam(kDiscardBankData)->Value(), 0.0);
    EXPECT_EQ(plug->getStatusText(), "Data received to slot(s)");
  }
}

TEST_F(LibraryTransfersEditor, OutgoingSysexWithThreeEZeroFLightsThePartInByteFive)
{
  struct Row
  {
    unsigned char model;
    unsigned char part;
    bool tracksIncoming;
    int lit; // part lit, or -1
  };
  const Row rows[] = {
      {0x0F, 4, false, 4}, {0x0F, 15, false, 15}, {0x13, 4, false, -1},
      {0x0F, 4, true, -1}, {0x0F, 16, false, -1},
  };
  for (const Row& row : rows)
  {
    SCOPED_TRACE(static_cast<int>(row.part));
    for (int p = 0; p < Korvid::kPartCount; ++p)
    {
      plug->mIndicatorState[static_cast<size_t>(p)] = 0;
      set(kMIDILed + p, 0.0);
    }
    plug->mIndicatorsTrackIncoming = row.tracksIncoming;
    unsigned char message[] = {0xF0, 0x3E, row.model, 0x00, 0x20, row.part, 0x00, 0x01, 0x40, 0xF7};
    plug->checksumCheckAndSend(message, sizeof(message));
    for (int p = 0; p < Korvid::kPartCount; ++p)
    {
      EXPECT_EQ(plug->mIndicatorState[static_cast<size_t>(p)], p == row.lit ? 1 : 0) << "part " << p;
      EXPECT_EQ(plug->GetParam(kMIDILed + p)->Value(), p == row.lit ? 1.0 : 0.0) << "part " << p;
    }
  }
}

TEST_F(LibraryTransfersEditor, ProgramChangesFromEitherSideLoadTheNewProgramAndKeepLockedSections)
{
  struct Row
  {
    bool fromHost;
    bool locked;
  };
  const Row rows[] = {{false, false}, {true, false}, {false, true}, {true, true}};
  const int part = 3;
  // "Send+Recv", the start value.
  set(kGlobalRxProgramChange, 2.0);
  set(kControlLibrary, 0.0);
  plug->mProgramChangeControlsBank = true;
  set(kMultiPartBank + part, 1.0);
  int program = 20;
  for (const Row& row : rows)
  {
    SCOPED_TRACE(std::string(row.fromHost ? "host" : "synthesizer") + (row.locked ? ", locked" : ""));
    ++program;
    // The stored sound of the new program, with its own name.
    Bytes sound = upperRecord(program);
    sound[SoundDumpLayout::kNameOffset] = static_cast<unsigned char>('a' + program % 26);
    simulator->setSound(1, program, sound);
    set(kSectionLockFilter1 + part, row.locked ? 1.0 : 0.0);
    const size_t before = simulator->received().size();

    programChange(row.fromHost, part, program);
    settle();

    EXPECT_EQ(plug->GetParam(kMultiPartPatch + part)->Int(), program);
    EXPECT_GE(lastIndexOf({static_cast<unsigned char>(0xB0 + part), 32, 64}), static_cast<long>(before));
    const std::string name(reinterpret_cast<const char*>(sound.data()) + SoundDumpLayout::kNameOffset,
                           SoundDumpLayout::kNameLength);
    EXPECT_EQ(plug->GetParam(kPatchName + part)->GetDisplayText(0), name) << plug->getStatusText();
    // With a locked section the part goes back after the request of the new program.
    const long request =
        lastIndexOf({0xF0, 0x3E, 0x13, 0x00, 0x00, 0x7F, static_cast<unsigned char>(part), 0xF7});
    const long resent = lastEditBufferDump(part);
    EXPECT_EQ(resent > static_cast<long>(before), row.locked);
    if (row.locked)
    {
      EXPECT_LT(request, resent);
    }
  }
}

TEST_F(LibraryTransfersEditor, InLibraryModeAProgramChangeSendsThatSlotOfTheActivePane)
{
  struct Row
  {
    bool fromHost;
    int pane;
    int program;
  };
  const Row rows[] = {{false, 0, 10}, {true, 0, 11}, {true, 1, 12}, {false, 1, 13}};
  const int part = 2;
  set(kGlobalRxProgramChange, 1.0);
  set(kControlLibrary, 1.0);
  PatchLibrarian& library = *plug->mPatchLibrarian;
  library.mLowerBankIndex = static_cast<int>(library.mSoundBanks.size()) - 1;
  for (const Row& row : rows)
  {
    SCOPED_TRACE(std::string(row.fromHost ? "host" : "synthesizer") + ", pane " + std::to_string(row.pane));
    plug->mLibrarianView->activePane = row.pane;
    const PatchFile* bank = LibrarianViewControl::bankOfPane(&library, row.pane, false, false);
    ASSERT_NE(bank, nullptr);
    programChange(row.fromHost, part, row.program);
    settle();
    EXPECT_EQ(library.mSelectedUpperSlot, row.program);
    EXPECT_EQ(plug->GetParam(kMultiPartPatch + part)->Int(), row.program);
    expectSameSound(simulator->editBuffer(part),
                    bank->mRecords[static_cast<size_t>(row.program)].mMessages.front().mData);
  }
}
