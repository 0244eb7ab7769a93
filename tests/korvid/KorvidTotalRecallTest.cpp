// The editor's state in the host project, on the editor built from the project's resources: the body as
// written, a save in one instance recalled whole in another, a recall without a MIDI output, and bodies cut
// short or damaged that change nothing.
#include "TotalRecallTestSupport.h"

#include "IPlugStructs.h"
#include "SysexProtocol.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

using namespace korvidtest;

namespace
{
constexpr const char* kBlofeldRenumbered = "Blofeld:Blofeld MIDI 1 28:0";
constexpr int kSnapshotSize = 63036;

class KorvidTotalRecall : public StartupFixture
{
protected:
  KorvidTotalRecall() { useResources(pluginFolder()); }

  size_t sentCount() const
  {
    size_t count = 0;
    for (const char* port : {kBlofeld, kBlofeldRenumbered, kOther})
    {
      count += midi->received(port).size();
    }
    return count;
  }
};
} // namespace

TEST_F(KorvidTotalRecall, ASavedStateComesBackWholeInAnotherInstance)
{
  writeMadeBanks();
  midi->setOutputPorts({kOther, kBlofeld});
  midi->setInputPorts({kBlofeld});
  auto saver = construct();
  // The start-up snapshot: version word, kQuickTab and the stored parameters, kept as the name block's data.
  ByteChunk snapshot;
  ASSERT_TRUE(saver->SerializeState2(&snapshot, false));
  ASSERT_EQ(snapshot.Size(), kSnapshotSize);
  const ByteChunk& startUp = saver->mPatchManager->mData;
  ASSERT_EQ(startUp.Size(), kSnapshotSize);
  EXPECT_EQ(Bytes({0, 0, 0, 1}), Bytes(startUp.Bytes(), startUp.Bytes() + 4));
  const Bytes startUpBytes(startUp.Bytes(), startUp.Bytes() + startUp.Size());

  // The input first: choosing the output then runs the device-id probe, and waits for it.
  chooseInputPort(*saver, 1);
  chooseOutputPort(*saver, 2);
  editEverything(*saver);
  const std::vector<double> saved = storedAndOtherValues(*saver);
  const Bytes chunk = hostChunk(*saver);
  ASSERT_GT(chunk.size(), kHeaderSize);
  saver.reset();

  // The body, item by item.
  const Bytes body(chunk.begin() + kHeaderSize, chunk.end());
  const BodyLayout layout(body);
  ASSERT_TRUE(layout.complete);
  EXPECT_EQ(Bytes({0, 0, 0, 1}), Bytes(body.begin(), body.begin() + 4));
  EXPECT_EQ(doubleAt(body, BodyLayout::kQuickTab), kShownPart);
  EXPECT_EQ(Bytes({0, 0, 0, 1, 0, 0, 0, 1, 0x00, 0x00, 0xF6, 0x3C}),
            Bytes(body.begin() + BodyLayout::kNameBlock, body.begin() + BodyLayout::kData));
  EXPECT_TRUE(std::equal(startUpBytes.begin(), startUpBytes.end(), body.begin() + BodyLayout::kData));
  ASSERT_EQ(layout.names.size(), 35u);
  EXPECT_EQ(layout.names[0], "Recalled Multi a");
  EXPECT_EQ(layout.names[2], "Sound 1");
  EXPECT_EQ(layout.names[17], kBlofeld);
  EXPECT_EQ(layout.names[18], kBlofeld);
  EXPECT_EQ(layout.names[19], "Pad ");
  EXPECT_EQ(doubleAt(body, layout.selections), 1.0);     // MIDI In: entry 1 of OFF + one port
  EXPECT_EQ(doubleAt(body, layout.selections + 8), 1.0); // MIDI Out: entry 2 of OFF + two ports
  for (int i = 0; i < Korvid::kStoredParamCount; ++i)
  {
    ASSERT_TRUE(
        sameBits(doubleAt(body, layout.values + 8 * static_cast<size_t>(i)), saved[static_cast<size_t>(i)]))
        << i;
  }

  // Another session: the input port came back under another ALSA client number.
  midi->setInputPorts({kBlofeldRenumbered});
  home.writeFile("Korvid Editor LOG.txt", "");
  writeSettings("black\nlarge\nyes");
  auto recaller = construct();
  recaller->mMIDIMessageManager->setClock(&jobClock);
  midi->clearReceived();
  EXPECT_EQ(giveHostChunk(*recaller, chunk), 1);

  for (int i = 0; i < Korvid::kStoredParamCount; ++i)
  {
    if (i != kDeviceID_old && i != kUserInterfaceStyle && i != kUserInterfaceSize)
    {
      ASSERT_TRUE(sameBits(recaller->GetParam(i)->Value(), saved[static_cast<size_t>(i)])) << i;
    }
  }
  // Saved while White and Normal (no settings file): the selectors show what the settings file draws.
  EXPECT_EQ(recaller->GetParam(kUserInterfaceStyle)->Value(), 1.0);
  EXPECT_EQ(recaller->GetParam(kUserInterfaceSize)->Value(), 2.0);
  const int deviceId = static_cast<int>(saved[kGlobalSysExID]);
  EXPECT_EQ(recaller->mDeviceId, deviceId);
  EXPECT_EQ(recaller->GetParam(kDeviceID_old)->Value(), recaller->GetParam(kDeviceID_old)->Bounded(deviceId));
  EXPECT_EQ(recaller->GetParam(kQuickTab)->Value(), kShownPart);
  EXPECT_EQ(recaller->mCurrentPart, kShownPart);
  EXPECT_EQ(recaller->GetParam(kMainTab)->Int(), 0);

  EXPECT_TRUE(recaller->mOutputPresent);
  EXPECT_EQ(recaller->GetParam(kDeviceOutSelection)->Int(), 2);
  EXPECT_EQ(recaller->GetParam(kDeviceInSelection)->Int(), 1);
  EXPECT_EQ(midi->openOutputs(), std::vector<std::string>{kBlofeld});
  EXPECT_EQ(midi->openInputs(), std::vector<std::string>{kBlofeldRenumbered});

  std::string slot;
  recaller->mPatchManager->getName(&slot, PatchManager::kMultiNameSlot);
  EXPECT_EQ(slot, "Recalled Multi a");
  recaller->mPatchManager->getName(&slot, PatchManager::kFirstPartNameSlot + 3);
  EXPECT_EQ(slot, std::string("Sound 3") + std::string(9, '\0'));
  EXPECT_EQ(recaller->mPatchManager->mNames[PatchManager::kFirstCategorySlot], "Pad ");
  EXPECT_STREQ(recaller->GetParam(kMultiName)->GetDisplayText(0), "Recalled Multi a");
  EXPECT_STREQ(recaller->GetParam(kPatchName + 3)->GetDisplayText(0), "Sound 3");
  EXPECT_STREQ(recaller->GetParam(kCategoryName + 3)->GetDisplayText(0), "INIT");
  EXPECT_EQ(
      Bytes(recaller->mPatchManager->mData.Bytes(), recaller->mPatchManager->mData.Bytes() + kSnapshotSize),
      startUpBytes);

  expectTablesAndFlagsOf(*recaller, saved);
  // The upper pane opens the bank the shown part remembers (held to the list) on the part's sound.
  EXPECT_EQ(recaller->GetParam(kPatchSelectionListUpper)->Int(), 1);
  EXPECT_EQ(recaller->getSelectedLibrarianSlot(), static_cast<int>(saved[kMultiPartPatch + kShownPart]));
  EXPECT_FALSE(recaller->mKeepSelectedBank) << "stored off";
  // The clock flags follow parameters that are not stored.
  EXPECT_EQ(recaller->mClockFlag, recaller->GetParam(kSendMIDIClockInfo)->Value() == 1.0);

  // The multi went out with the global data first and the two active parts after it.
  std::vector<int> kinds;
  for (const Bytes& m : midi->received(kBlofeld))
  {
    if (m.size() > SysexProtocol::kTypeOffset && m[0] == SysexProtocol::kSysexStart)
      kinds.push_back(m[SysexProtocol::kTypeOffset]);
  }
  EXPECT_EQ(kinds, (std::vector<int>{SysexProtocol::kGlobalDump, SysexProtocol::kMultiDump,
                                     SysexProtocol::kSoundDump, SysexProtocol::kSoundDump}));
  EXPECT_FALSE(recaller->mPushGlobal || recaller->mPushAllParts || recaller->mIgnoreIncoming);

  std::vector<std::string> expected = {
      std::string(kLogPrefix) + "MIDI In device stored " + kBlofeld,
      std::string(kLogPrefix) +
          "MIDI In device matched without client and port numbers: " + kBlofeldRenumbered,
      std::string(kLogPrefix) + "MIDI Out device stored " + kBlofeld,
      std::string(kLogPrefix) + "MIDI Out device matched exactly",
      std::string(kLogPrefix) + "MIDI In device after checking devices " + kBlofeldRenumbered,
      std::string(kLogPrefix) + "MIDI Out device after checking devices " + kBlofeld,
      std::string(kLogPrefix) + "hardware DeviceID " + std::to_string(deviceId),
      std::string(kLogPrefix) + "Multi name Recalled Multi a"};
  for (int part = 0; part < Korvid::kPartCount; ++part)
  {
    expected.push_back(std::string(kLogPrefix) + "Part " + std::to_string(part) + " name Sound " +
                       std::to_string(part) + " | Category name INIT | Bank " +
                       std::to_string(static_cast<int>(saved[static_cast<size_t>(kMultiPartBank + part)])) +
                       " |\xC2\xA0Program " +
                       std::to_string(static_cast<int>(saved[static_cast<size_t>(kMultiPartPatch + part)])));
  }
  expected.push_back(std::string(kLogPrefix) + "multi sent");
  expected.push_back(std::string(kLogPrefix) + "MIDI In device after nonautomated params " +
                     kBlofeldRenumbered);
  expected.push_back(std::string(kLogPrefix) + "MIDI Out device after nonautomated params " + kBlofeld);
  EXPECT_EQ(logLines(recaller->getLogPath(), kLogPrefix), expected);
}

TEST_F(KorvidTotalRecall, WithoutItsOutputARecallAppliesNoValueAndSendsNothing)
{
  midi->setOutputPorts({kBlofeld, kOther});
  auto plug = construct();
  chooseOutputPort(*plug, 1);
  editEverything(*plug);
  const Bytes chunk = hostChunk(*plug);
  const BodyLayout layout(Bytes(chunk.begin() + kHeaderSize, chunk.end()));
  ASSERT_TRUE(layout.complete);

  // The synthesizer was unplugged; another output is chosen before the project is opened again.
  midi->setOutputPorts({kOther});
  for (int i = 0; i < Korvid::kStoredParamCount; ++i)
  {
    plug->GetParam(i)->Set(plug->GetParam(i)->GetMin());
  }
  plug->mPatchManager->setName(PatchManager::kMultiNameSlot, "Before");
  chooseOutputPort(*plug, 2);
  ASSERT_TRUE(plug->mOutputPresent);
  midi->clearReceived();
  const std::vector<double> before = storedAndOtherValues(*plug);
  const std::vector<int> banks = plug->mPartBankTable.values();
  const int deviceId = plug->mDeviceId;

  EXPECT_EQ(giveHostChunk(*plug, chunk), 1);
  // The output chosen before is closed: the stored one is not there, so nothing counts as present.
  EXPECT_FALSE(plug->mOutputPresent);
  EXPECT_EQ(plug->GetParam(kDeviceOutSelection)->Int(), 0);
  EXPECT_TRUE(midi->openOutputs().empty());
  const std::vector<double> after = storedAndOtherValues(*plug);
  for (int i = 0; i < Korvid::kStoredParamCount; ++i)
  {
    // The bank and patch selection are the project's whether an output is there or not.
    if (i != kBankSelection && i != kPatchSelection)
    {
      ASSERT_TRUE(sameBits(after[static_cast<size_t>(i)], before[static_cast<size_t>(i)])) << i;
    }
  }
  for (int i : {kBankSelection, kPatchSelection})
  {
    EXPECT_EQ(plug->GetParam(i)->GetNormalized(),
              doubleAt(Bytes(chunk.begin() + kHeaderSize, chunk.end()),
                       layout.selections + (i == kBankSelection ? 16 : 24)));
  }
  EXPECT_EQ(plug->mPartBankTable.values(), banks);
  EXPECT_EQ(plug->mDeviceId, deviceId);
  EXPECT_EQ(sentCount(), 0u);
  EXPECT_FALSE(plug->ThreadRunning());
  // The names and the part shown are the project's; the editor shows main tab 0.
  EXPECT_EQ(plug->mPatchManager->mNames[PatchManager::kMultiNameSlot], "Recalled Multi a");
  EXPECT_EQ(plug->mCurrentPart, kShownPart);
  EXPECT_EQ(plug->GetParam(kMainTab)->Int(), 0);

  // Without names (the start-up snapshot's layout) the body holds no ports: the position after kQuickTab.
  ByteChunk snapshot;
  ASSERT_TRUE(plug->SerializeState2(&snapshot, false));
  EXPECT_EQ(plug->UnserializeState2(&snapshot, 0, false), 12);
  EXPECT_TRUE(sameBits(plug->GetParam(kMultiPartLevel)->Value(), before[kMultiPartLevel]));

  // The position returned is the one after the bank and patch selection.
  ByteChunk direct;
  direct.AppendBytes(chunk.data(), static_cast<int>(chunk.size()));
  EXPECT_EQ(plug->UnserializeState(&direct, static_cast<int>(kHeaderSize)),
            static_cast<int>(kHeaderSize + layout.values));
}

TEST_F(KorvidTotalRecall, BodiesCutShortOrDamagedChangeNothingAndSendNothing)
{
  midi->setOutputPorts({kBlofeld});
  midi->setInputPorts({kBlofeld});
  home.writeFile("Korvid Editor LOG.txt", "");
  auto plug = construct();
  chooseInputPort(*plug, 1);
  chooseOutputPort(*plug, 1);
  editEverything(*plug);
  const Bytes chunk = hostChunk(*plug);
  const Bytes body(chunk.begin() + kHeaderSize, chunk.end());
  const BodyLayout layout(body);
  ASSERT_TRUE(layout.complete);

  // A whole recall would change all of this.
  for (int i = 0; i < Korvid::kStoredParamCount; ++i)
  {
    plug->GetParam(i)->Set(plug->GetParam(i)->GetMax());
  }
  plug->GetParam(kQuickTab)->Set(2);
  plug->mCurrentPart = 2;
  plug->mPatchManager->setName(PatchManager::kMultiNameSlot, "Before");
  midi->clearReceived();
  const RecallSnapshot before(*plug, midi.get());

  // Cut at every item boundary, longest first, so that one chunk only shrinks.
  std::vector<size_t> cuts = layout.boundaries();
  std::sort(cuts.rbegin(), cuts.rend());
  ByteChunk cut;
  cut.AppendBytes(chunk.data(), static_cast<int>(chunk.size()));
  // A change made by any refused body would last: the whole instance is compared every few rounds and at
  // the end of each run.
  constexpr size_t kCompareEvery = 64;
  for (size_t i = 0; i < cuts.size(); ++i)
  {
    cut.Resize(static_cast<int>(kHeaderSize + cuts[i]));
    ASSERT_EQ(plug->UnserializeState(&cut, static_cast<int>(kHeaderSize)), -1) << cuts[i];
    if (i % kCompareEvery == 0)
    {
      ASSERT_TRUE(before.unchanged(*plug, midi.get())) << "cut at " << cuts[i];
    }
  }
  ASSERT_TRUE(before.unchanged(*plug, midi.get()));
  EXPECT_EQ(plug->UnserializeState(&cut, -1), -1);
  // The host is told: only the magic, the header alone, a body one byte short.
  EXPECT_EQ(giveHostChunk(*plug, Bytes(chunk.begin(), chunk.begin() + 4)), 0);
  EXPECT_EQ(giveHostChunk(*plug, Bytes(chunk.begin(), chunk.begin() + kHeaderSize)), 0);
  EXPECT_EQ(giveHostChunk(*plug, Bytes(chunk.begin(), chunk.end() - 1)), 0);

  // Mutated bodies: cut anywhere, a length word that lies, bytes inserted or removed, a value the recall
  // applies that is not a number.
  std::mt19937 random(19);
  const auto below = [&random](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
  std::vector<size_t> lengthWords = layout.nameLengths;
  lengthWords.push_back(BodyLayout::kDataLength);
  std::vector<size_t> doubles = {BodyLayout::kQuickTab};
  for (size_t at = layout.selections; at < body.size(); at += 8)
    doubles.push_back(at);
  for (size_t round = 0; round < 3000; ++round)
  {
    Bytes mutated = body;
    switch (round % 5)
    {
    case 0:
      mutated.resize(below(body.size()));
      break;
    case 1:
    {
      const size_t at = lengthWords[below(lengthWords.size())];
      uint32_t value = static_cast<uint32_t>(random());
      if (round % 3 == 0)
        value = (at == BodyLayout::kDataLength ? bigEndianAt(body, at) : littleEndianAt(body, at)) +
                static_cast<uint32_t>(below(9)) - 4u;
      if (value == (at == BodyLayout::kDataLength ? bigEndianAt(body, at) : littleEndianAt(body, at)))
        value ^= 0x80000000u;
      for (int b = 0; b < 4; ++b)
        mutated[at + static_cast<size_t>(b)] = static_cast<unsigned char>(
            at == BodyLayout::kDataLength ? value >> (24 - 8 * b) : value >> (8 * b));
      break;
    }
    case 2:
    {
      const size_t at = below(body.size() + 1);
      const size_t n = 1 + below(16);
      for (size_t k = 0; k < n; ++k)
        mutated.insert(mutated.begin() + static_cast<long>(at), static_cast<unsigned char>(random()));
      break;
    }
    case 3:
    {
      const size_t at = below(body.size());
      const size_t n = std::min(1 + below(16), body.size() - at);
      mutated.erase(mutated.begin() + static_cast<long>(at), mutated.begin() + static_cast<long>(at + n));
      break;
    }
    default:
    {
      const double notANumber = round / 5 % 2 ? std::numeric_limits<double>::quiet_NaN()
                                              : -std::numeric_limits<double>::quiet_NaN();
      std::memcpy(mutated.data() + doubles[below(doubles.size())], &notANumber, sizeof notANumber);
      break;
    }
    }
    ByteChunk damaged;
    damaged.AppendBytes(chunk.data(), static_cast<int>(kHeaderSize));
    damaged.AppendBytes(mutated.data(), static_cast<int>(mutated.size()));
    ASSERT_EQ(plug->UnserializeState(&damaged, static_cast<int>(kHeaderSize)), -1) << "round " << round;
    if (round % kCompareEvery == 0)
    {
      ASSERT_TRUE(before.unchanged(*plug, midi.get())) << "round " << round;
    }
  }
  EXPECT_TRUE(before.unchanged(*plug, midi.get()));
  EXPECT_EQ(sentCount(), 0u);
  EXPECT_FALSE(plug->ThreadRunning());
  EXPECT_EQ(plug->getStatusText(), "Stored state unreadable");

  // What nothing applies is taken as stored: a port name longer than its slot names only a port of that
  // very name (numbers aside), a name that fills its slot the one port whose name begins with it, none of
  // two; a NaN in the name block's copy of the values (no name given). The log and the line say so.
  const std::string longPort = "a2j:Blofeld [20] (capture): Blofeld MIDI 1";
  const std::string twin = "a2j:Blofeld [20] (capture): Blofeld MIDI 2";
  const std::string several = "matches several ports, none is opened";
  midi->setOutputPorts({kBlofeld, longPort, twin});
  midi->setInputPorts({kBlofeld, longPort, twin});
  std::vector<size_t> dataDoubles;
  for (size_t at = BodyLayout::kData + 4; at + 8 <= BodyLayout::kData + layout.dataLength; at += 8)
    dataDoubles.push_back(at);
  struct NameRow
  {
    int slot;
    std::string stored;
    int entry;
    std::string logged;
    bool refused = false; // the output refuses every send: the multi resent after the recall reaches nothing
  };
  const int in = PatchManager::kMidiInPortSlot;
  const int out = PatchManager::kMidiOutPortSlot;
  const std::string listed[] = {"OFF", kBlofeld, longPort, twin};
  for (const NameRow& row :
       {NameRow{in, std::string(33, 'B'), 0, "not found"},
        NameRow{out, std::string(65536, 'B'), 0, "not found"}, NameRow{out, "", 1, "matched exactly"},
        NameRow{out, longPort, 2, "matched exactly"},
        NameRow{in, "a2j:Blofeld [28] (capture): Blofeld MIDI 2", 3,
                "matched without client and port numbers: " + twin},
        NameRow{out, "a2j:Blofeld [28] (capture): Blofeld MIDI 1", 2,
                "matched without client and port numbers: " + longPort},
        NameRow{out, twin.substr(0, 32) + std::string(1, '\0') + twin, 3, "matched exactly"},
        NameRow{out, longPort.substr(0, 32), 0, several},
        NameRow{out, "a2j:Blofeld [29] (capture): Blofeld MIDI 1", 2,
                "matched without client and port numbers: " + longPort, true}})
  {
    const size_t length = row.stored.size();
    Bytes taken(chunk.begin(), chunk.begin() + kHeaderSize);
    Bytes named = length ? rebuiltBody(body, kShownPart, {{row.slot, row.stored}}, {}) : body;
    if (!length)
    {
      const double notANumber = std::numeric_limits<double>::quiet_NaN();
      for (size_t at : {dataDoubles.front(), dataDoubles[below(dataDoubles.size())]})
        std::memcpy(named.data() + at, &notANumber, sizeof notANumber);
    }
    taken.insert(taken.end(), named.begin(), named.end());
    midi->refuseSends(row.refused);
    EXPECT_EQ(giveHostChunk(*plug, taken), 1) << length;
    midi->refuseSends(false);
    const bool output = row.slot == out;
    EXPECT_EQ(plug->GetParam(kDeviceOutSelection)->Int(), output ? row.entry : 1) << length;
    EXPECT_EQ(plug->GetParam(kDeviceInSelection)->Int(), output ? 1 : row.entry) << length;
    EXPECT_EQ(plug->mOutputPresent.load(), !output || row.entry > 0) << length;
    const std::vector<std::string> logged = logLines(plug->getLogPath(), kLogPrefix);
    const std::string line =
        std::string(kLogPrefix) + (output ? "MIDI Out" : "MIDI In") + " device " + row.logged;
    EXPECT_NE(std::find(logged.begin(), logged.end(), line), logged.end()) << line;
    EXPECT_EQ(plug->getStatusText() == "MIDI OUT: several ports match, choose one", row.logged == several);
    // A port opened in place of the stored one is named on the line.
    const std::string substitute = std::string("Saved MIDI ") + (output ? "OUT" : "IN") + " absent, opened:";
    EXPECT_EQ(plug->getStatusText() == "Multi not sent: no MIDI went out!", row.refused);
    if (row.refused)
      EXPECT_EQ(plug->getStatusDetail().rfind(substitute + " a2j:Blofeld", 0), 0u) << plug->getStatusDetail();
    else
      EXPECT_EQ(plug->getStatusText() == substitute && plug->getStatusDetail() == listed[row.entry],
                row.logged.rfind("matched without", 0) == 0);
    // Saved again, a port found keeps its whole name, one not found or not told apart the stored name
    // unless no port name is that long ("OFF").
    hostChunk(*plug);
    EXPECT_EQ(plug->mPatchManager->mNames[row.slot], row.entry       ? listed[row.entry]
                                                     : length <= 512 ? row.stored
                                                                     : "OFF");
  }

  // The whole body is taken; a pass-through value just below 1.0 keeps its class blocked.
  Bytes whole = chunk;
  const double almostOne = 0.999;
  std::memcpy(whole.data() + kHeaderSize + layout.values + 8 * kMIDIFilterDAWPCPassThrough, &almostOne,
              sizeof almostOne);
  EXPECT_EQ(giveHostChunk(*plug, whole), 1);
  EXPECT_EQ(plug->GetParam(kQuickTab)->Value(), kShownPart);
  EXPECT_TRUE(plug->mHostInputBlocked[1]);
  EXPECT_FALSE(plug->mHostInputBlocked[0]);
}
