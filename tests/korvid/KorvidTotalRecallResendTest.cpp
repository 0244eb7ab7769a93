// A recalled project's multi reaching a simulated synthesizer: sent with the global data and the active parts
// while the host's other threads go on, posted once a busy device worker is free, given up (and said so)
// when the worker stays busy, and sent once the user chooses an output after a recall that had none.
#include "TotalRecallTestSupport.h"

#include "BlofeldSimulator.h"
#include "MIDIMessageSender.h"
#include "MultiDumpLayout.h"
#include "SysexProtocol.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

using namespace korvidtest;

namespace
{
using P = SysexProtocol;
using S = MIDIMessageSender;

BlofeldSimulator* gSimulator = nullptr;

std::unique_ptr<IMidiPorts::Backend> simulatorBackend()
{
  return gSimulator->makeBackend();
}

class KorvidTotalRecallResend : public StartupFixture
{
protected:
  // An editor wired to the simulator, its device jobs in scaled time (a clock second is 200 ms, so that the
  // waits' margin for the sends themselves holds on a loaded machine), parts 0 and 5 active and named, and
  // its state saved with them.
  KorvidTotalRecallResend()
  {
    useResources(pluginFolder());
    simulator = std::make_unique<BlofeldSimulator>(0);
    gSimulator = simulator.get();
    IMidiPorts::SetBackendFactory(&simulatorBackend);
    plug = construct();
    chooseInputPort(*plug, simulatorEntry()); // a request needs it
    chooseOutputPort(*plug, simulatorEntry());
    plug->mMIDIMessageManager->setClock(&clock);
    for (int part = 0; part < Korvid::kPartCount; ++part)
    {
      plug->GetParam(kMultiPartStatus + part)->Set(part == 0 || part == 5 ? 1.0 : 0.0);
    }
    plug->mPatchManager->setName(PatchManager::kMultiNameSlot, "Studio Multi");
    plug->mPatchManager->setName(PatchManager::kFirstPartNameSlot + 5, "Lead");
    chunk = hostChunk(*plug);
    // What the recall must put back.
    plug->mPatchManager->setName(PatchManager::kMultiNameSlot, "Other");
    plug->mPatchManager->setName(PatchManager::kFirstPartNameSlot + 5, "Other");
    simulator->drain();
    before = simulator->received().size();
  }

  ~KorvidTotalRecallResend() override
  {
    plug.reset();
    IMidiPorts::SetBackendFactory(nullptr);
    simulator.reset();
    gSimulator = nullptr;
  }

  // Types of the messages the simulator received since the state was saved, with the part of a sound.
  std::vector<std::pair<int, int>> receivedSince()
  {
    simulator->drain();
    std::vector<std::pair<int, int>> kinds;
    const std::vector<Bytes> all = simulator->received();
    for (size_t i = before; i < all.size(); ++i)
      kinds.emplace_back(all[i][P::kTypeOffset],
                         all[i][P::kTypeOffset] == P::kSoundDump ? all[i][P::kProgramOffset] : -1);
    return kinds;
  }

  // The global data, the multi and the two active parts' sounds, in this order.
  static std::vector<std::pair<int, int>> resend()
  {
    return {{P::kGlobalDump, -1}, {P::kMultiDump, -1}, {P::kSoundDump, 0}, {P::kSoundDump, 5}};
  }

  std::string multiNameAtTheSynthesizer()
  {
    const Bytes multi = simulator->multiEditBuffer();
    if (multi.size() < MultiDumpLayout::kNameOffset + MultiDumpLayout::kNameLength)
      return "";
    return std::string(multi.begin() + MultiDumpLayout::kNameOffset,
                       multi.begin() + MultiDumpLayout::kNameOffset + MultiDumpLayout::kNameLength);
  }

  // The simulator's entry in the output port list.
  int simulatorEntry()
  {
    const IParam* out = plug->GetParam(kDeviceOutSelection);
    for (int i = 0; i < out->GetNDisplayTexts(); ++i)
    {
      if (std::string(out->GetDisplayText(i)) == BlofeldSimulator::kPortName)
        return i;
    }
    return 0;
  }

  // Runs act on a thread of its own and, once the device worker sends, takes the plug mutex as the host's
  // other threads do; true when that happened before act returned.
  bool lockedWhileTheWorkerSends(const std::function<void()>& act)
  {
    std::atomic<bool> done{false};
    std::thread actor(
        [&]
        {
          act();
          done = true;
        });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done && !plug->ThreadRunning() && std::chrono::steady_clock::now() < deadline)
    {
      std::this_thread::yield();
    }
    bool locked = false;
    if (!done)
    {
      WDL_MutexLock lock(plug->GetMutex());
      locked = !done;
    }
    actor.join();
    return locked;
  }

  void expectFlagsCleared()
  {
    EXPECT_FALSE(plug->mPushGlobal);
    EXPECT_FALSE(plug->mPushAllParts);
    EXPECT_FALSE(plug->mIgnoreIncoming);
  }

  DeviceClock clock{DeviceClock::Mode::Scaled, 0.2};
  std::unique_ptr<BlofeldSimulator> simulator;
  std::unique_ptr<Korvid> plug;
  Bytes chunk;
  size_t before = 0;
};
} // namespace

TEST_F(KorvidTotalRecallResend, TheMultiReachesTheSynthesizerWhileTheHostGoesOn)
{
  VstIntPtr result = 0;
  // Once the resend runs, another thread of the host gets the plug mutex before the recall returns.
  const bool lockedDuringResend = lockedWhileTheWorkerSends([&] { result = giveHostChunk(*plug, chunk); });

  EXPECT_EQ(result, 1);
  EXPECT_TRUE(lockedDuringResend);
  EXPECT_EQ(receivedSince(), resend());
  EXPECT_EQ(multiNameAtTheSynthesizer(), "Studio Multi    ");
  // The part sounds went out without writing over the names the recall brought back.
  std::string name;
  plug->mPatchManager->getName(&name, PatchManager::kFirstPartNameSlot + 5);
  EXPECT_EQ(name, std::string("Lead") + std::string(12, '\0'));
  expectFlagsCleared();
  EXPECT_FALSE(plug->mWorkerBusy);
}

TEST_F(KorvidTotalRecallResend, ABusyWorkerIsWaitedForAndTheMultiPostedOnceItIsFree)
{
  JobArguments global;
  global.jobCode = S::kJobSendGlobal;
  ASSERT_TRUE(plug->mMIDIMessageManager->post(global));

  EXPECT_EQ(giveHostChunk(*plug, chunk), 1);
  std::vector<std::pair<int, int>> expected = {{P::kGlobalDump, -1}};
  for (const auto& kind : resend())
    expected.push_back(kind);
  EXPECT_EQ(receivedSince(), expected);
  EXPECT_EQ(multiNameAtTheSynthesizer(), "Studio Multi    ");
  EXPECT_NE(plug->getStatusText(), "Multi not sent: device busy");
  expectFlagsCleared();
}

TEST_F(KorvidTotalRecallResend, AWorkerThatStaysBusyEndsTheWaitAndTheUserIsTold)
{
  // A bank request to a synthesizer that never answers keeps the worker for minutes: at the longest sync
  // timer its first time-out comes long after the recall has given up waiting for it.
  simulator->setFault(BlofeldSimulator::Fault::Silent);
  plug->GetParam(kLibSyncTimer)->Set(7);
  plug->mMIDIMessageManager->sendAllPatchRequestSysexFromLibrarian(0);
  ASSERT_TRUE(plug->ThreadRunning());

  // The values are the project's; only the resend did not happen.
  EXPECT_EQ(giveHostChunk(*plug, chunk), 1);
  EXPECT_EQ(plug->getStatusText(), "Multi not sent: device busy");
  for (const auto& kind : receivedSince())
  {
    EXPECT_EQ(kind.first, P::kSoundRequest);
  }
  std::string name;
  plug->mPatchManager->getName(&name, PatchManager::kMultiNameSlot);
  EXPECT_EQ(name, std::string("Studio Multi") + std::string(4, '\0'));
  expectFlagsCleared();
  EXPECT_TRUE(plug->ThreadRunning());
}

TEST_F(KorvidTotalRecallResend, AnOutputChosenAfterARecallWithoutItSendsTheMultiWhileTheHostGoesOn)
{
  // The project names an output this session does not have: its values wait, and the output chosen before
  // is closed.
  const Bytes body(chunk.begin() + kHeaderSize, chunk.end());
  Bytes moved(chunk.begin(), chunk.begin() + kHeaderSize);
  const Bytes renamed = rebuiltBody(body, 0.0, {{PatchManager::kMidiOutPortSlot, "Gone"}}, {});
  moved.insert(moved.end(), renamed.begin(), renamed.end());
  ASSERT_EQ(giveHostChunk(*plug, moved), 1);
  ASSERT_TRUE(plug->hasPendingRecall());
  ASSERT_FALSE(plug->mOutputPresent);

  // The user chooses the synthesizer's port on the editor's thread; the host's audio thread takes the plug
  // mutex while the multi goes out.
  const double entry = plug->GetParam(kDeviceOutSelection)->GetNormalized(simulatorEntry());
  const bool lockedDuringResend =
      lockedWhileTheWorkerSends([&] { plug->SetParameterFromGUI(kDeviceOutSelection, entry); });
  EXPECT_TRUE(waitUntil([&] { return !plug->ThreadRunning(); }));

  EXPECT_TRUE(lockedDuringResend);
  EXPECT_FALSE(plug->hasPendingRecall());
  // The global data, the multi and the active parts, before anything the port choice sends after them.
  std::vector<std::pair<int, int>> kinds = receivedSince();
  ASSERT_GE(kinds.size(), resend().size());
  kinds.resize(resend().size());
  EXPECT_EQ(kinds, resend());
  EXPECT_EQ(multiNameAtTheSynthesizer(), "Studio Multi    ");
  expectFlagsCleared();
}
