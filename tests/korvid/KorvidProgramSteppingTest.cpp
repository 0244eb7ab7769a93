// The patch up and down buttons of a part in the editor built from the project's resources: from the part's
// own program, wrapping within the bank, with the bank and program change the synthesizer receives; a locked
// part, a part that takes no program changes, multi mode and library control.
#include "LibrarianGlueSupport.h"

#include "ParamIndex.h"
#include "SoundDumpLayout.h"
#include "SysexProtocol.h"

#include <algorithm>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace korvidtest;

namespace
{
using Bytes = MidiFakeSystem::Bytes;

class ProgramStepping : public LibraryEditorFixture
{
protected:
  void SetUp() override
  {
    plug = makeEditor(true);
    // Part 5 on MIDI channel 6 (index 5), part 2 on channel 3; both play and take program changes.
    for (int part : {2, 5})
    {
      plug->GetParam(kMultiPartStatus + part)->Set(1.0);
      plug->GetParam(kMultiPartMIDICh + part)->Set(part + 2.0);
      plug->GetParam(kReceiveProgramChange + part)->Set(1.0);
      plug->GetParam(kMultiPartBank + part)->Set(part == 5 ? 2.0 : 0.0);
    }
    plug->GetParam(kControlLibrary)->Set(0.0);
    plug->mProgramChangeControlsBank = false;
  }
  void TearDown() override
  {
    waitIdle();
    plug.reset();
  }

  void press(int button)
  {
    plug->SetParameterFromGUI(button, 1.0);
    plug->SetParameterFromGUI(button, 0.0);
  }
  int program(int part) { return plug->GetParam(kMultiPartPatch + part)->Int(); }
  std::string firstLine() { return displayLine(*plug, 0); }
  void waitIdle()
  {
    waitUntil([&] { return !plug || !plug->ThreadRunning(); });
  }
  // The short messages sent on channel (0..15), in order.
  std::vector<Bytes> onChannel(int channel)
  {
    std::vector<Bytes> messages;
    for (const Bytes& m : sent())
    {
      if (m.size() <= 3 && m[0] < 0xF0 && (m[0] & 0x0F) == channel)
        messages.push_back(m);
    }
    return messages;
  }
  bool sentToChannel(int channel, const Bytes& message)
  {
    for (const Bytes& m : onChannel(channel))
    {
      if (m == message)
        return true;
    }
    return false;
  }
  // The bank change goes out on a thread of its own: waits up to 5 s for message on channel.
  bool arrivesOnChannel(int channel, const Bytes& message)
  {
    for (int wait = 0; wait < 5000; ++wait)
    {
      if (sentToChannel(channel, message))
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }

  std::unique_ptr<Korvid> plug;
};

TEST_F(ProgramStepping, StepsFromThePartsOwnProgramAndWrapsWithinTheBank)
{
  struct Case
  {
    int start;
    bool up;
    int program;
  };
  const Case cases[] = {{127, true, 0}, {0, false, 127}, {40, true, 41}, {41, false, 40}};
  for (const Case& c : cases)
  {
    plug->GetParam(kMultiPartPatch + 5)->Set(c.start);
    plug->GetParam(kMultiPartPatch + 2)->Set(90.0); // another part's program plays no part
    midi->clearReceived();
    press((c.up ? kPatchUp : kPatchDown) + 5);
    EXPECT_EQ(program(5), c.program) << c.start << (c.up ? " up" : " down");
    EXPECT_EQ(plug->GetParam(kMultiPartBank + 5)->Int(), 2) << "the bank stays";
    EXPECT_EQ(program(2), 90);
    EXPECT_EQ(plug->mLibrarianView->cursorSlot, c.program);
    // The synthesizer is told on part 5's channel: bank C, then the program.
    EXPECT_TRUE(arrivesOnChannel(5, {0xC5, static_cast<unsigned char>(c.program)})) << c.start;
    EXPECT_TRUE(sentToChannel(5, {0xB5, 0, 2})) << c.start;
    waitIdle();
  }

  // With program changes selecting banks, the part's new sound is asked for.
  plug->mProgramChangeControlsBank = true;
  midi->clearReceived();
  press(kPatchUp + 5);
  waitIdle();
  const std::vector<uint8_t> request = SysexProtocol::soundEditBufferRequest(plug->mDeviceId, 5);
  bool requested = false;
  for (const Bytes& m : sent())
    requested =
        requested || (m.size() > request.size() && std::equal(request.begin(), request.end(), m.begin() + 1));
  EXPECT_TRUE(requested);
}

TEST_F(ProgramStepping, ALockedPartOrOneThatTakesNoProgramChangesKeepsItsProgram)
{
  plug->GetParam(kMultiPartPatch + 5)->Set(10.0);
  plug->GetParam(kPartLock + 5)->Set(1.0);
  press(kPatchUp + 5);
  EXPECT_EQ(program(5), 10);
  EXPECT_TRUE(onChannel(5).empty());

  plug->GetParam(kPartLock + 5)->Set(0.0);
  plug->GetParam(kReceiveProgramChange + 5)->Set(0.0);
  plug->SetParameterFromGUI(kPatchUp + 5, 1.0);
  EXPECT_EQ(firstLine(), "Program Change Disabled.");
  plug->SetParameterFromGUI(kPatchUp + 5, 0.0);
  EXPECT_EQ(program(5), 10);
  EXPECT_FALSE(sentToChannel(5, {0xC5, 11}));
}

TEST_F(ProgramStepping, InMultiModeTheMultisProgramStepsAndTheUserIsTold)
{
  plug->GetParam(kDatatype)->Set(1.0);
  plug->OnParamChange(kDatatype);
  ASSERT_TRUE(plug->mMultiMode);
  plug->GetParam(kMultiPatch)->Set(127.0);
  plug->GetParam(kMultiPartPatch + 5)->Set(10.0);
  plug->SetParameterFromGUI(kPatchUp + 5, 1.0);
  EXPECT_EQ(firstLine(), "Disable Multi Mode first");
  EXPECT_EQ(plug->GetParam(kMultiPatch)->Int(), 0);
  EXPECT_EQ(program(5), 10);
}

TEST_F(ProgramStepping, UnderLibraryControlTheNextSlotOfThePaneGoesToThePart)
{
  plug->GetParam(kControlLibrary)->Set(1.0);
  plug->mLibrarianView->activePane = LibrarianViewControl::kUpperPane;
  plug->mLibrarianView->cursorSlot = 127;
  press(kPatchUp + 5);
  // The slot's job writes the part's parameters: looked at once it has ended.
  waitIdle();
  EXPECT_EQ(plug->mLibrarianView->cursorSlot, 0);
  EXPECT_EQ(plug->mLibrarianView->selectedUpper, 0);
  EXPECT_EQ(plug->mPatchLibrarian->mSelectedUpperSlot, 0);
  EXPECT_EQ(program(5), 0);
  // Bank A's slot 0, "A0", reaches part 5's edit buffer.
  bool arrived = false;
  for (const Bytes& m : sent())
  {
    if (m.size() == static_cast<size_t>(SoundDumpLayout::kDumpLength) && m[6] == 5)
      arrived = std::string(m.begin() + SoundDumpLayout::kNameOffset,
                            m.begin() + SoundDumpLayout::kNameOffset + 2) == "A0";
  }
  EXPECT_TRUE(arrived) << plug->getStatusText() << " " << sent().size();

  press(kPatchDown + 5);
  waitIdle();
  EXPECT_EQ(plug->mLibrarianView->cursorSlot, 127);
  EXPECT_EQ(program(5), 127);
}
} // namespace
