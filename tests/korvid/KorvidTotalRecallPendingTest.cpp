// A project opened without its MIDI output to the synthesizer: its stored values are kept for the next save,
// applied when the user chooses an output, and given up only when the user edits the values they would
// replace.
#include "TotalRecallTestSupport.h"

#include "SysexProtocol.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <thread>

using namespace korvidtest;

namespace
{
constexpr int kOscillatorPage = 2;
// A part level: a stored value that a test changes in a project.
constexpr int kChangedParam = kMultiPartLevel + 2;

Bytes bodyOf(const Bytes& chunk)
{
  return Bytes(chunk.begin() + kHeaderSize, chunk.end());
}

Bytes withHeaderOf(const Bytes& chunk, const Bytes& body)
{
  Bytes whole(chunk.begin(), chunk.begin() + kHeaderSize);
  whole.insert(whole.end(), body.begin(), body.end());
  return whole;
}

// The stored values block and the port names of what the host would store now.
struct SavedNow
{
  std::vector<double> values;
  std::string inPort;
  std::string outPort;
};

SavedNow saveNow(Korvid& plug)
{
  const Bytes body = bodyOf(hostChunk(plug));
  const BodyLayout layout(body);
  EXPECT_TRUE(layout.complete);
  SavedNow saved;
  if (!layout.complete)
    return saved;
  for (size_t i = 0; i < kStoredValueCount; ++i)
    saved.values.push_back(layout.value(body, i));
  saved.inPort = layout.names[PatchManager::kMidiInPortSlot];
  saved.outPort = layout.names[PatchManager::kMidiOutPortSlot];
  return saved;
}

// The first stored index where a and b differ in any bit, skipping except; -1 when none.
int firstDifference(const std::vector<double>& a, const std::vector<double>& b, int except = -1)
{
  for (int i = 0; i < Korvid::kStoredParamCount; ++i)
  {
    if (i != except && !sameBits(a[static_cast<size_t>(i)], b[static_cast<size_t>(i)]))
      return i;
  }
  return -1;
}

// The dump types among the messages a port received, in order.
std::vector<int> dumpsIn(const std::vector<Bytes>& messages)
{
  std::vector<int> kinds;
  for (const Bytes& m : messages)
  {
    if (m.size() > SysexProtocol::kTypeOffset && m[0] == SysexProtocol::kSysexStart &&
        (m[SysexProtocol::kTypeOffset] == SysexProtocol::kGlobalDump ||
         m[SysexProtocol::kTypeOffset] == SysexProtocol::kMultiDump ||
         m[SysexProtocol::kTypeOffset] == SysexProtocol::kSoundDump))
      kinds.push_back(m[SysexProtocol::kTypeOffset]);
  }
  return kinds;
}

class KorvidPendingRecall : public StartupFixture
{
protected:
  KorvidPendingRecall()
  {
    useResources(pluginFolder());
    // A project saved with the synthesizer on kBlofeld, every stored value edited, parts 1 and 4 active.
    writeMadeBanks();
    midi->setOutputPorts({kBlofeld});
    midi->setInputPorts({kBlofeld});
    auto saver = construct();
    chooseOutputPort(*saver, 1);
    chooseInputPort(*saver, 1);
    editEverything(*saver);
    project = storedAndOtherValues(*saver);
    chunk = hostChunk(*saver);
  }

  // The project opened in a session where the synthesizer is reached through kOther only: the stored ports
  // are not there, so the stored values wait.
  std::unique_ptr<Korvid> openWithoutTheOutput()
  {
    midi->setOutputPorts({kOther});
    midi->setInputPorts({kOther});
    auto plug = construct();
    plug->mMIDIMessageManager->setClock(&jobClock);
    editorValues = storedAndOtherValues(*plug);
    EXPECT_EQ(giveHostChunk(*plug, chunk), 1);
    EXPECT_TRUE(plug->hasPendingRecall());
    EXPECT_FALSE(plug->mOutputPresent);
    return plug;
  }

  std::vector<double> project;
  Bytes chunk;
  std::vector<double> editorValues;
};
} // namespace

TEST_F(KorvidPendingRecall, AProjectOpenedWithoutItsOutputKeepsItsValuesThroughTheNextSave)
{
  auto plug = openWithoutTheOutput();
  // Nothing of the block is applied and nothing is sent; the bank and patch selection are the project's, as
  // in every recall.
  const std::vector<double> shown = storedAndOtherValues(*plug);
  for (int i = 0; i < Korvid::kStoredParamCount; ++i)
  {
    if (i != kBankSelection && i != kPatchSelection)
    {
      ASSERT_TRUE(sameBits(shown[static_cast<size_t>(i)], editorValues[static_cast<size_t>(i)])) << i;
    }
  }
  EXPECT_TRUE(midi->received(kOther).empty());
  EXPECT_EQ(plug->getStatusText(), "Choose MIDI Out to load project");

  // The host saves the whole project again (another track was edited): the body is the project's, only the
  // port selectors' positions differ, as no port of the project is open in this session.
  const Bytes again = hostChunk(*plug);
  const Bytes original = bodyOf(chunk);
  Bytes body = bodyOf(again);
  const BodyLayout layout(original);
  ASSERT_TRUE(layout.complete);
  ASSERT_EQ(body.size(), original.size());
  EXPECT_EQ(doubleAt(body, layout.selections), 0.0);
  EXPECT_EQ(doubleAt(body, layout.selections + 8), 0.0);
  std::copy(original.begin() + static_cast<long>(layout.selections),
            original.begin() + static_cast<long>(layout.selections + 16),
            body.begin() + static_cast<long>(layout.selections));
  EXPECT_TRUE(body == original);
  // A second save is the same.
  EXPECT_TRUE(hostChunk(*plug) == again);

  // Opened where the synthesizer is, the project saved again comes back whole and reaches the synthesizer.
  plug.reset();
  midi->setOutputPorts({kBlofeld});
  midi->setInputPorts({kBlofeld});
  auto later = construct();
  later->mMIDIMessageManager->setClock(&jobClock);
  EXPECT_EQ(giveHostChunk(*later, again), 1);
  EXPECT_FALSE(later->hasPendingRecall());
  EXPECT_EQ(firstDifference(storedAndOtherValues(*later), project, kDeviceID_old), -1);
  EXPECT_EQ(midi->openOutputs(), std::vector<std::string>{kBlofeld});
  EXPECT_EQ(midi->openInputs(), std::vector<std::string>{kBlofeld});
  EXPECT_EQ(dumpsIn(midi->received(kBlofeld)).size(), 4u);
}

TEST_F(KorvidPendingRecall, ChoosingAnOutputAppliesTheStoredValuesAsTheRecallWould)
{
  home.writeFile("Korvid Editor LOG.txt", "");
  auto plug = openWithoutTheOutput();
  // The user looks at the oscillators of another part, chooses the port the synthesizer is on now.
  plug->SetParameterFromGUI(kMainTab, plug->GetParam(kMainTab)->GetNormalized(kOscillatorPage));
  plug->SetParameterFromGUI(kQuickTab, plug->GetParam(kQuickTab)->GetNormalized(2));
  ASSERT_TRUE(plug->hasPendingRecall());
  chooseOutputPort(*plug, 1);

  EXPECT_FALSE(plug->hasPendingRecall());
  const std::vector<double> now = storedAndOtherValues(*plug);
  EXPECT_EQ(firstDifference(now, project, kDeviceID_old), -1);
  const int deviceId = static_cast<int>(project[kGlobalSysExID]);
  EXPECT_EQ(plug->mDeviceId, deviceId);
  EXPECT_EQ(plug->GetParam(kDeviceID_old)->Value(), plug->GetParam(kDeviceID_old)->Bounded(deviceId));
  EXPECT_STREQ(plug->GetParam(kMultiName)->GetDisplayText(0), "Recalled Multi a");
  EXPECT_STREQ(plug->GetParam(kPatchName + 3)->GetDisplayText(0), "Sound 3");
  expectTablesAndFlagsOf(*plug, project);

  // The multi went out with the global data first and the two active parts after it; the flags of the resend
  // are clear again; the page and the part the user looks at stay.
  EXPECT_EQ(dumpsIn(midi->received(kOther)),
            (std::vector<int>{SysexProtocol::kGlobalDump, SysexProtocol::kMultiDump,
                              SysexProtocol::kSoundDump, SysexProtocol::kSoundDump}));
  EXPECT_FALSE(plug->mPushGlobal || plug->mPushAllParts || plug->mIgnoreIncoming);
  EXPECT_EQ(plug->GetParam(kMainTab)->Int(), kOscillatorPage);
  EXPECT_EQ(plug->mCurrentPart, 2);

  // A save now holds the applied values and the port chosen.
  const SavedNow saved = saveNow(*plug);
  EXPECT_EQ(firstDifference(saved.values, now), -1);
  EXPECT_EQ(saved.outPort, kOther);

  const std::vector<std::string> lines = logLines(plug->getLogPath(), kLogPrefix);
  const auto at = [&lines](const std::string& text)
  { return std::find(lines.begin(), lines.end(), std::string(kLogPrefix) + text) - lines.begin(); };
  EXPECT_LT(at("no MIDI output, the stored values wait for one"),
            at("MIDI output chosen, the stored values are applied now"));
  EXPECT_LT(at("MIDI output chosen, the stored values are applied now"),
            at("hardware DeviceID " + std::to_string(deviceId)));
  EXPECT_LT(at("hardware DeviceID " + std::to_string(deviceId)), at("multi sent"));
  EXPECT_LT(at("multi sent"), static_cast<long>(lines.size()));
}

TEST_F(KorvidPendingRecall, OnlyTheUsersEditsOfStoredValuesGiveThemUpAndOnlyAnOutputAppliesThem)
{
  auto plug = openWithoutTheOutput();
  const auto flipped = [](Korvid& p, int idx) { return p.GetParam(idx)->GetNormalized() < 0.5 ? 1.0 : 0.0; };
  struct Case
  {
    const char* what;
    std::function<void(Korvid&)> act;
    bool keeps;
  };
  const std::vector<Case> cases = {
      {"a sound value edited",
       [&](Korvid& p) { p.SetParameterFromGUI(kFilter1Cutoff, flipped(p, kFilter1Cutoff)); }, false},
      {"a MIDI filter switched",
       [&](Korvid& p)
       { p.SetParameterFromGUI(kMIDIFilterHWCCPassThrough, flipped(p, kMIDIFilterHWCCPassThrough)); },
       false},
      {"a trigger button flipping a stored switch",
       [](Korvid& p)
       {
         p.SetParameterFromGUI(kTriggerOscillatorGlideOnOffSwitch, 1.0);
         p.SetParameterFromGUI(kTriggerOscillatorGlideOnOffSwitch, 0.0);
       },
       false},
      {"the librarian's next bank button", [](Korvid& p) { p.SetParameterFromGUI(kLibUpperNextBank, 1.0); },
       true},
      {"another part shown",
       [](Korvid& p) { p.SetParameterFromGUI(kQuickTab, p.GetParam(kQuickTab)->GetNormalized(7)); }, true},
      {"another page shown",
       [](Korvid& p)
       { p.SetParameterFromGUI(kMainTab, p.GetParam(kMainTab)->GetNormalized(kOscillatorPage)); },
       true},
      {"an input port chosen", [](Korvid& p) { chooseInputPort(p, 1); }, true},
      {"a value from the synthesizer's data",
       [&](Korvid& p) { p.SetParameterFromGUI2(kFilter1Cutoff, flipped(p, kFilter1Cutoff)); }, true},
      {"the output port set to OFF", [this](Korvid& p) { chooseOutputPort(p, 0); }, true},
      {"a damaged project handed over",
       [this](Korvid& p) { EXPECT_EQ(giveHostChunk(p, Bytes(chunk.begin(), chunk.end() - 3)), 0); }, true},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    // Each case starts from the project just opened.
    ASSERT_EQ(giveHostChunk(*plug, chunk), 1);
    midi->clearReceived();
    c.act(*plug);
    const std::vector<double> shown = storedAndOtherValues(*plug);
    EXPECT_EQ(plug->hasPendingRecall(), c.keeps);
    // A save holds the project's values while they wait, the editor's once they are given up.
    EXPECT_EQ(firstDifference(saveNow(*plug).values, c.keeps ? project : shown), -1);
    // Never applied on the way: the editor's values are as the action left them, nothing is sent.
    EXPECT_NE(firstDifference(shown, project, kDeviceID_old), -1);
    EXPECT_TRUE(dumpsIn(midi->received(kOther)).empty());
    if (!c.keeps)
    {
      EXPECT_EQ(plug->getStatusText(), "Project's stored values dropped");
    }
  }

  // Given up, nothing comes back when the output is chosen: the user's values stay, no multi is sent.
  ASSERT_EQ(giveHostChunk(*plug, chunk), 1);
  plug->SetParameterFromGUI(kFilter1Cutoff, flipped(*plug, kFilter1Cutoff));
  const std::vector<double> edited = storedAndOtherValues(*plug);
  chooseOutputPort(*plug, 1);
  EXPECT_FALSE(plug->hasPendingRecall());
  EXPECT_EQ(firstDifference(storedAndOtherValues(*plug), edited), -1);
  EXPECT_TRUE(dumpsIn(midi->received(kOther)).empty());
}

TEST_F(KorvidPendingRecall, TheNextRecallReplacesTheStoredValuesThatWait)
{
  auto plug = openWithoutTheOutput();
  const Bytes original = bodyOf(chunk);
  const double changed = project[kChangedParam] == 17.0 ? 18.0 : 17.0;

  // Another project without its output: its values wait in place of the first one's.
  const Bytes second = withHeaderOf(chunk, rebuiltBody(original, 1.0, {}, {{kChangedParam, changed}}));
  ASSERT_EQ(giveHostChunk(*plug, second), 1);
  EXPECT_TRUE(plug->hasPendingRecall());
  std::vector<double> expected = project;
  expected[kChangedParam] = changed;
  EXPECT_EQ(firstDifference(saveNow(*plug).values, expected), -1);
  EXPECT_NE(plug->GetParam(kChangedParam)->Value(), changed);

  // A project whose output is there is applied at once, and nothing waits any more.
  const Bytes third =
      withHeaderOf(chunk, rebuiltBody(original, 1.0, {{PatchManager::kMidiOutPortSlot, kOther}}, {}));
  ASSERT_EQ(giveHostChunk(*plug, third), 1);
  EXPECT_TRUE(plug->mOutputPresent);
  EXPECT_FALSE(plug->hasPendingRecall());
  EXPECT_EQ(firstDifference(storedAndOtherValues(*plug), project, kDeviceID_old), -1);
  EXPECT_EQ(dumpsIn(midi->received(kOther)).size(), 4u);
}

// The recall waits for a MIDI system that does not answer; then its ports open by name and its values go out:
// during the recall's wait, or, answered after it, handed on by an idle call that returns while the resend's
// sends are held; a plug-in closed meanwhile stops the handed-on work before it goes. A stuck library's
// answer never comes: the recall does not wait for it, and its values wait for an output.
TEST_F(KorvidPendingRecall, AProjectOpenedWhileTheMidiSystemDoesNotAnswerOpensItsPortsOnceItAnswers)
{
  enum class Answer
  {
    DuringTheRecall,
    AfterIt,
    AfterItThenClosed,
    Never
  };
  for (const Answer answers :
       {Answer::DuringTheRecall, Answer::AfterIt, Answer::AfterItThenClosed, Answer::Never})
  {
    SCOPED_TRACE(static_cast<int>(answers));
    home.writeFile("Korvid Editor LOG.txt", "");
    midi->clearReceived();
    auto plug = construct();
    plug->mMIDIMessageManager->setClock(&jobClock);
    midi->setUnanswered(true);
    const auto waiting = [&]
    { return home.readFile("Korvid Editor LOG.txt").find("ports wait for it") != std::string::npos; };
    std::atomic<bool> recalled{false};
    const std::atomic<bool> never{false};
    bool waited = false;
    midi->setStuck(answers == Answer::Never);
    std::thread answer(
        [&]
        {
          if (answers == Answer::Never)
          {
            waited = waitUntil([&] { return jobClock.sleep(1000, never), recalled.load(); }) && waiting();
            return;
          }
          waited = waitUntil(waiting);
          if (answers != Answer::DuringTheRecall)
            // The recall's wait runs out on the job clock.
            waited = waited && waitUntil([&] { return jobClock.sleep(1000, never), recalled.load(); });
          else
            midi->setUnanswered(false);
        });
    EXPECT_EQ(giveHostChunk(*plug, chunk), 1);
    recalled = true;
    answer.join();
    EXPECT_EQ(waited, answers != Answer::Never);
    if (answers == Answer::Never)
    {
      EXPECT_TRUE(plug->hasPendingRecall());
      EXPECT_EQ(plug->getStatusText(), "MIDI library stuck: restart the host");
      midi->setStuck(false);
      midi->setUnanswered(false);
      continue;
    }
    if (answers != Answer::DuringTheRecall)
    {
      EXPECT_TRUE(plug->hasPendingRecall());
      midi->holdSends(true);
      midi->setUnanswered(false);
      EXPECT_TRUE(waitUntil([&] { return plug->OnIdle(), midi->sendsHeld() > 0; }));
      plug->OnIdle();
      EXPECT_GT(midi->sendsHeld(), 0);
    }
    if (answers == Answer::AfterItThenClosed)
    {
      std::atomic<bool> closed{false};
      std::thread close([&] { plug.reset(), closed = true; });
      midi->holdSends(false);
      EXPECT_TRUE(waitUntil([&] { return closed.load(); }));
      close.join();
      continue;
    }
    midi->holdSends(false);
    // The ports open during the recall's wait, or on a later look when a loaded machine answered after it.
    EXPECT_TRUE(waitUntil([&] { return plug->OnIdle(), plug->getStatusText() == "MIDI OUT+IN reopened"; }));
    EXPECT_EQ(midi->openOutputs(), std::vector<std::string>{kBlofeld});
    EXPECT_EQ(midi->openInputs(), std::vector<std::string>{kBlofeld});
    EXPECT_EQ(plug->GetParam(kDeviceOutSelection)->Int(), 1);
    EXPECT_FALSE(plug->hasPendingRecall());
    EXPECT_EQ(firstDifference(storedAndOtherValues(*plug), project, kDeviceID_old), -1);
    EXPECT_EQ(dumpsIn(midi->received(kBlofeld)).size(), 4u);
  }
}
