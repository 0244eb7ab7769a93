// Tests of IMidiPorts over the in-process fake MIDI system: lists, open by name, sends, input, no client.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "AudioThread.h"
#include "IMidiPorts.h"
#include "MidiFakeSystem.h"
#include "RtMidiBackend.h"
#include "WaitUntil.h"

namespace
{
using Bytes = std::vector<unsigned char>;

struct Inbox
{
  std::vector<IMidiMsg> msgs;
  std::vector<Bytes> sysex;
  int calls = 0;
};

void collect(double, std::vector<unsigned char>* message, void* userData)
{
  auto* inbox = static_cast<Inbox*>(userData);
  ++inbox->calls;
  IMidiPorts::Dispatch(
      *message, [inbox](IMidiMsg* msg) { inbox->msgs.push_back(*msg); },
      [inbox](ISysEx* s) { inbox->sysex.emplace_back(s->mData, s->mData + s->mSize); });
}

class IMidiPortsTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    system = MidiFakeSystem::create();
    system->setOutputPorts({"A", "B"});
    system->setInputPorts({"In 1", "In 2"});
    ports = std::make_unique<IMidiPorts>(nullptr);
    ports->SetBackend(system->makeBackend());
  }

  // Opens output port name through the cached list and checks it took.
  void openOut(const char* name)
  {
    ports->GetOutNames();
    int idx = 1;
    ASSERT_GT(ports->OpenOut(idx, name), 0);
  }

  std::shared_ptr<MidiFakeSystem> system;
  std::unique_ptr<IMidiPorts> ports;
};
} // namespace

TEST_F(IMidiPortsTest, ListsBeginWithOffAndFollowTheSystemOrder)
{
  EXPECT_EQ((std::vector<std::string>{"OFF", "A", "B"}), ports->GetOutNames());
  EXPECT_EQ((std::vector<std::string>{"OFF", "In 1", "In 2"}), ports->GetInNames());
  system->setOutputPorts({"A", "B", "C"});
  EXPECT_EQ(3u, ports->GetOutNames().size()) << "the list is built once";
  // Until it is read again: the open port keeps its entry at its new position, one gone is closed; one
  // listed but gone when chosen is said.
  int idx = 1;
  ASSERT_EQ(2, ports->OpenOut(idx, "B"));
  system->setOutputPorts({"C", "A", "B"});
  EXPECT_EQ((std::vector<std::string>{"OFF", "C", "A", "B"}), ports->RereadOutNames());
  EXPECT_EQ(3, ports->GetOutIndex());
  EXPECT_TRUE(ports->IsOutOpen());
  // A list that cannot be read (every second call) keeps the last list and the open port, and is logged.
  const std::string log = "/tmp/korvid-midi-listfail-" + std::to_string(::getpid()) + ".log";
  ports->SetDebugLogPath(log);
  system->setListsFail(true);
  for (int read = 0; read < 2; ++read)
    EXPECT_EQ((std::vector<std::string>{"OFF", "C", "A", "B"}), ports->RereadOutNames()) << read;
  // So does choosing the open port again after a read, as a recall does, whichever read fails.
  for (int choice = 0; choice < 4; ++choice)
  {
    ports->RereadOutNames();
    EXPECT_TRUE(ports->OpenOut(idx = 3, "B") == 3 && ports->IsOutOpen()) << choice;
  }
  system->setListsFail(false);
  EXPECT_TRUE(ports->IsOutOpen() && ports->TakeLost() == 0);
  std::ifstream in(log);
  EXPECT_NE(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())
                .find("names failed, the last list is kept"),
            std::string::npos);
  std::remove(log.c_str());
  system->setOutputPorts({"C"});
  EXPECT_EQ((std::vector<std::string>{"OFF", "C"}), ports->RereadOutNames());
  EXPECT_FALSE(ports->IsOutOpen());
  EXPECT_EQ(IMidiPorts::kOutLost, ports->TakeLost());
  system->setOutputPorts({});
  EXPECT_EQ(0, ports->OpenOut(idx = 1, "C"));
  EXPECT_EQ(IMidiPorts::kOutGone, ports->TakeLost());
}

TEST_F(IMidiPortsTest, ThePlugInsOwnPortsAreNotListed)
{
  // As ALSA and JACK name the ports of the plug-in's clients, in this instance or another one; other
  // programs keep theirs, also with RtMidi's default client names.
  EXPECT_EQ(ports->ClientName().rfind("Korvid Editor ", 0), 0u);
  system->setOutputPorts({"Korvid Editor 1:RtMidi Input 130:0", "A", "Korvid Editor 12-01:RtMidi Input",
                          "Korvid Editor 1-x:port", "Korvid Editors:port",
                          "Korvid Editor 2 #7-01:RtMidi Input", "Korvid Editor 2 #x:port",
                          "RtMidi Input Client:RtMidi Input"});
  system->setInputPorts({ports->ClientName() + ":RtMidi Output", "In 1", "Korvid Editor 3-12:RtMidi Output",
                         "Korvid Editor :port", "Korvid Editor 3 #12:RtMidi Output"});
  EXPECT_EQ((std::vector<std::string>{"OFF", "A", "Korvid Editor 1-x:port", "Korvid Editors:port",
                                      "Korvid Editor 2 #x:port", "RtMidi Input Client:RtMidi Input"}),
            ports->GetOutNames());
  EXPECT_EQ((std::vector<std::string>{"OFF", "In 1", "Korvid Editor :port"}), ports->GetInNames());
  int idx = 1;
  EXPECT_EQ(1, ports->OpenOut(idx, "A")) << "found again by name among the system's ports";
}

TEST_F(IMidiPortsTest, APortThatGoesAwayIsClosedAndReported)
{
  openOut("B");
  ports->GetInNames();
  int idx = 1;
  ASSERT_GT(ports->OpenIn(idx, "In 2"), 0);
  // The watch closes the port before it notes the loss: the loss is waited for, the closing then checked.
  int lost = 0;
  system->setOutputPorts({"A"});
  ASSERT_TRUE(korvidtest::waitUntil([&] { return (lost = ports->TakeLost()) != 0; }));
  EXPECT_EQ(IMidiPorts::kOutLost, lost);
  EXPECT_FALSE(ports->IsOutOpen());
  EXPECT_EQ(0, ports->GetOutIndex());
  EXPECT_TRUE(ports->IsInOpen());
  EXPECT_EQ(0, ports->TakeLost()) << "said once";
  system->setInputPorts({});
  ASSERT_TRUE(korvidtest::waitUntil([&] { return (lost = ports->TakeLost()) != 0; }));
  EXPECT_EQ(IMidiPorts::kInLost, lost);
  EXPECT_FALSE(ports->IsInOpen());
  IMidiMsg note(0, 0x90, 60, 100);
  EXPECT_FALSE(ports->SendMsg(&note));

  // A list read before B came and was opened beside it (the opener holding the port, sends give up) keeps B.
  // The dumps the client gave up on are unknown while the opener holds the port past the wait for it, and
  // waited for while it holds it for less.
  openOut("A");
  system->setLateCycles({0, 0, 0, 0, 1});
  std::thread opener;
  std::thread settler;
  std::optional<uint64_t> settled;
  system->onNextList(
      [&]
      {
        system->setOutputPorts({"A", "B"});
        opener = std::thread([&] { ports->OpenOut(idx = 2, "B"); });
        EXPECT_TRUE(korvidtest::waitUntil([&] { return !ports->SendMsg(&note); }));
        EXPECT_FALSE(ports->SettleDumps(std::chrono::milliseconds(0)).has_value());
        settler = std::thread([&] { settled = ports->SettleDumps(std::chrono::milliseconds(0)); });
      });
  ports->RereadOutNames();
  opener.join();
  settler.join();
  EXPECT_EQ(settled, std::optional<uint64_t>(1));
  EXPECT_TRUE(ports->IsOutOpen() && ports->TakeLost() == 0);
  // Audio thread messages refused until the port was found gone: one log line with the count.
  const std::string log = "/tmp/korvid-midi-unsent-" + std::to_string(::getpid()) + ".log";
  ports->SetDebugLogPath(log);
  system->setOutputPorts({"A", "B"});
  openOut("B");
  system->refuseSends(true);
  for (int batch = 0; batch < 3; ++batch)
  {
    {
      AudioThread::Scope pass;
      EXPECT_TRUE(ports->SendMsg(&note) && ports->SendMsg(&note));
    }
    ASSERT_TRUE(ports->WaitForAudioSends(std::chrono::seconds(5)));
  }
  system->setOutputPorts({"A"});
  const auto logged = [&log]
  {
    std::ifstream in(log);
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t at = all.find("did not take 6 messages");
    return at != all.npos && at == all.find("did not take") && at == all.rfind("did not take");
  };
  EXPECT_TRUE(korvidtest::waitUntil(logged));
  // What late cycles cost, as the output client counts it (the dump given up on above may be said here).
  system->setLateCycles({5, 2, 3, 0, 1});
  const std::string cost = "lost 5 messages (2 note-ons, not written again); written again: 3 note or pedal "
                           "releases; given up: 0 releases, ";
  using It = std::istreambuf_iterator<char>;
  EXPECT_TRUE(korvidtest::waitUntil(
      [&] { return std::string(It(std::ifstream(log).rdbuf()), It()).find(cost) != std::string::npos; }));
  std::remove(log.c_str());
}

TEST_F(IMidiPortsTest, OpenOutByNameSetsThePositionAndOffCloses)
{
  ports->GetOutNames();
  int idx = 1;
  EXPECT_EQ(2, ports->OpenOut(idx, "B"));
  EXPECT_EQ(2, idx);
  EXPECT_EQ((std::vector<std::string>{"B"}), system->openOutputs());
  EXPECT_TRUE(ports->IsOutOpen());

  EXPECT_EQ(0, ports->OpenOut(idx, "OFF"));
  EXPECT_EQ(0, idx);
  EXPECT_TRUE(system->openOutputs().empty());

  idx = 0;
  EXPECT_EQ(0, ports->OpenOut(idx, "A"));
  EXPECT_TRUE(system->openOutputs().empty());

  idx = 1;
  EXPECT_EQ(0, ports->OpenOut(idx, "Not there"));
  EXPECT_EQ(0, idx);
  EXPECT_EQ(0, ports->OpenOut(idx = 1, nullptr));
  EXPECT_TRUE(system->openOutputs().empty());
}

TEST_F(IMidiPortsTest, OpenBeforeTheListWasBuiltOpensNothing)
{
  int idx = 2;
  EXPECT_EQ(0, ports->OpenOut(idx, "B"));
  EXPECT_TRUE(system->openOutputs().empty());
}

TEST_F(IMidiPortsTest, OpenByNameFindsThePortAgainAfterTheSystemListChanged)
{
  ports->GetOutNames();
  ports->GetInNames();
  // A port was plugged in before B: B's cached position now points at another device.
  system->setOutputPorts({"A", "New", "B"});
  system->setInputPorts({"In 0", "In 1", "In 2"});
  int idx = 1;
  EXPECT_EQ(2, ports->OpenOut(idx, "B"));
  EXPECT_EQ(2, idx) << "position in the list the menu shows";
  EXPECT_EQ((std::vector<std::string>{"B"}), system->openOutputs());
  idx = 1;
  EXPECT_EQ(2, ports->OpenIn(idx, "In 2"));
  EXPECT_EQ((std::vector<std::string>{"In 2"}), system->openInputs());

  // A port plugged in before B between the open's look at the list and the open: B opens.
  system->onNextList([this] { system->setOutputPorts({"New", "A", "B"}); });
  EXPECT_EQ(2, ports->OpenOut(idx = 1, "B"));
  EXPECT_EQ((std::vector<std::string>{"B"}), system->openOutputs());

  // Unplugged since the list was built: nothing opens and the caller's menu goes to "OFF".
  system->setOutputPorts({"B"});
  idx = 1;
  EXPECT_EQ(0, ports->OpenOut(idx, "A"));
  EXPECT_EQ(0, idx);
  EXPECT_TRUE(system->openOutputs().empty());
}

TEST_F(IMidiPortsTest, ShortMessagesHaveTheirLengthAndSysexIsFramedWhenNeeded)
{
  openOut("A");
  IMidiMsg pc(0, 0xC3, 5, 0xFF);
  IMidiMsg at(0, 0xD0, 40, 0);
  IMidiMsg cc(0, 0xB1, 7, 100);
  EXPECT_TRUE(ports->SendMsg(&pc));
  EXPECT_TRUE(ports->SendMsg(&at));
  EXPECT_TRUE(ports->SendMsg(&cc));
  const unsigned char bare[] = {0x3E, 0x13, 0x00};
  const unsigned char framed[] = {0xF0, 0x3E, 0x13, 0x00, 0xF7};
  EXPECT_TRUE(ports->SendSysex(bare, 3));
  EXPECT_TRUE(ports->SendSysex(framed, 5));
  const unsigned char patch[] = {0x3E, 0x13};
  EXPECT_TRUE(ports->SendPatchSysex(patch, 2));
  EXPECT_TRUE(ports->SendBytes({0xFA}));

  const std::vector<Bytes> expected = {{0xC3, 5},
                                       {0xD0, 40},
                                       {0xB1, 7, 100},
                                       {0xF0, 0x3E, 0x13, 0x00, 0xF7},
                                       {0xF0, 0x3E, 0x13, 0x00, 0xF7},
                                       {0x3E, 0x13},
                                       {0xFA}};
  EXPECT_EQ(expected, system->received("A"));
}

TEST_F(IMidiPortsTest, SendsReportFailureWhenNothingGoesOut)
{
  const unsigned char data[] = {0xF0, 0x01, 0xF7};
  IMidiMsg cc(0, 0xB0, 1, 2);
  EXPECT_FALSE(ports->SendMsg(&cc)) << "no port open";
  EXPECT_FALSE(ports->SendSysex(data, 3));
  openOut("A");
  EXPECT_FALSE(ports->SendSysex(data, 0));
  EXPECT_FALSE(ports->SendSysex(nullptr, 3));
  EXPECT_FALSE(ports->SendPatchSysex(data, 0));
  EXPECT_FALSE(ports->SendBytes({}));
  EXPECT_FALSE(ports->SendMsg(nullptr));

  // Longer than the port takes: refused, never cut or sent in part.
  system->setMaxMessageSize(16);
  Bytes longDump(17, 0x01);
  longDump.front() = 0xF0;
  longDump.back() = 0xF7;
  EXPECT_FALSE(ports->SendBytes(longDump));
  EXPECT_FALSE(ports->SendSysex(longDump.data() + 1, 15)) << "15 bytes framed are 17";
  EXPECT_TRUE(ports->SendSysex(longDump.data() + 1, 14));
  EXPECT_EQ(1u, system->received("A").size());

  // Of the audio thread's messages the port refused, the releases go out once it takes them.
  system->setMaxMessageSize(2);
  {
    AudioThread::Scope audio;
    for (IMidiMsg msg : {IMidiMsg(0, 0x90, 60, 9), IMidiMsg(0, 0x80, 60, 0), IMidiMsg(0, 0xB0, 64, 0)})
      EXPECT_TRUE(ports->SendMsg(&msg));
  }
  ASSERT_TRUE(korvidtest::waitUntil([&] { return ports->AudioSendsHandled() == 3; }));
  system->setMaxMessageSize(16);
  EXPECT_TRUE(ports->WaitForAudioSends(std::chrono::seconds(10)));
  EXPECT_EQ(system->received("A"),
            (std::vector<Bytes>{system->received("A").front(), {0x80, 60, 0}, {0xB0, 64, 0}}));
}

TEST_F(IMidiPortsTest, InputBecomesShortMessagesOrSysex)
{
  Inbox inbox;
  ports->SetInputCallback(&collect, &inbox);
  ports->GetInNames();
  int idx = 0;
  ASSERT_EQ(1, ports->OpenIn(idx = 2, "In 1"));

  EXPECT_EQ(1, system->inject("In 1", {0x90, 0x3C, 0x64}));
  EXPECT_EQ(1, system->inject("In 1", {0xC0, 0x05}));
  Bytes dump(15, 0x11);
  dump.front() = 0xF0;
  dump.back() = 0xF7;
  EXPECT_EQ(1, system->inject("In 1", dump));
  EXPECT_EQ(0, system->inject("In 2", {0x90, 1, 1})) << "a port not opened delivers nothing";
  system->inject("In 1", {});

  ASSERT_EQ(2u, inbox.msgs.size());
  EXPECT_EQ(0, inbox.msgs[0].mOffset);
  EXPECT_EQ(0x90, inbox.msgs[0].mStatus);
  EXPECT_EQ(60, inbox.msgs[0].mData1);
  EXPECT_EQ(100, inbox.msgs[0].mData2);
  EXPECT_EQ(0xC0, inbox.msgs[1].mStatus);
  EXPECT_EQ(5, inbox.msgs[1].mData1);
  EXPECT_EQ(0, inbox.msgs[1].mData2);
  ASSERT_EQ(1u, inbox.sysex.size());
  EXPECT_EQ(dump, inbox.sysex[0]);
}

TEST_F(IMidiPortsTest, CloseAllStopsInputDeliveryAndClosesBothPorts)
{
  Inbox inbox;
  ports->SetInputCallback(&collect, &inbox);
  ports->GetInNames();
  int idx = 0;
  ASSERT_EQ(2, ports->OpenIn(idx = 1, "In 2"));
  openOut("B");
  system->inject("In 2", {0x90, 1, 1});
  ports->CloseAll();
  EXPECT_EQ(0, system->inject("In 2", {0x90, 2, 2}));
  EXPECT_EQ(1, inbox.calls);
  EXPECT_TRUE(system->openOutputs().empty());
  EXPECT_TRUE(system->openInputs().empty());
  EXPECT_EQ(0, ports->GetOutIndex());
  IMidiMsg cc(0, 0xB0, 1, 2);
  EXPECT_FALSE(ports->SendMsg(&cc));
  ports->CloseAll();
}

TEST_F(IMidiPortsTest, ClientsAreMadeOnceOnTheFirstListRequest)
{
  EXPECT_EQ(0, system->clientsCreated());
  ports->GetOutNames();
  ports->GetOutNames();
  ports->GetInNames();
  EXPECT_EQ(2, system->clientsCreated());
}

TEST(IMidiPortsNoClientTest, ListsHoldOnlyOffAndEverythingFailsQuietly)
{
  auto system = MidiFakeSystem::create();
  system->setOutputPorts({"A"});
  system->setClientsFail(true);
  const std::filesystem::path log = std::filesystem::temp_directory_path() /
                                    ("korvid-midi-noclient-" + std::to_string(::getpid()) + ".log");
  {
    std::ofstream(log.string());
  }

  IMidiPorts ports(nullptr);
  ports.SetBackend(system->makeBackend());
  ports.SetDebugLogPath(log.string());
  EXPECT_EQ((std::vector<std::string>{"OFF"}), ports.GetOutNames());
  EXPECT_EQ((std::vector<std::string>{"OFF"}), ports.GetInNames());
  int idx = 1;
  EXPECT_EQ(0, ports.OpenOut(idx, "A"));
  EXPECT_EQ(0, idx);
  EXPECT_EQ(0, ports.OpenIn(idx = 1, "OFF"));
  const unsigned char data[] = {0x3E, 0x13};
  EXPECT_FALSE(ports.SendSysex(data, 2));
  ports.CloseAll();

  std::ifstream in(log.string());
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(std::string::npos, text.find("no MIDI output client")) << text;
  std::filesystem::remove(log);
}

TEST(IMidiPortsNoClientTest, RealBackendWithoutSequencerOrJackServerGivesNoClient)
{
  // A server name nobody runs, and no ALSA sequencer file: RtMidi's default API would throw here.
  const std::string server = "korvid-absent-" + std::to_string(::getpid());
  ::setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
  ::setenv("JACK_NO_START_SERVER", "1", 1);
  RtMidiBackend backend("/nonexistent/snd/seq");
  EXPECT_THROW(backend.chooseApiName(), std::runtime_error);

  IMidiPorts ports(nullptr);
  ports.SetBackend(std::make_unique<RtMidiBackend>("/nonexistent/snd/seq"));
  EXPECT_EQ((std::vector<std::string>{"OFF"}), ports.GetOutNames());
  EXPECT_EQ((std::vector<std::string>{"OFF"}), ports.GetInNames());
  int idx = 1;
  EXPECT_EQ(0, ports.OpenOut(idx, "OFF"));
  IMidiMsg cc(0, 0xB0, 1, 2);
  EXPECT_FALSE(ports.SendMsg(&cc));
  ::unsetenv("JACK_DEFAULT_SERVER");
}
