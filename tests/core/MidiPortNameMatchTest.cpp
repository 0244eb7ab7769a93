// Finding a stored MIDI port among the ports listed now: exact names, names whose numbers changed, cut names.
#include "MidiPortNameMatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using Kind = MidiPortNameMatch::Kind;
constexpr size_t kWidth = 32;

struct Case
{
  const char* what;
  std::vector<std::string> listed;
  std::string stored;
  int index;
  Kind kind;
};
} // namespace

TEST(MidiPortNameMatchTest, FindsExactThenWithoutNumbersThenByTheBeginningButNeverGuesses)
{
  const std::vector<Case> cases = {
      {"exact wins over a renumbered twin",
       {"OFF", "Blofeld:Blofeld MIDI 1 28:0", "Blofeld:Blofeld MIDI 1 24:0"},
       "Blofeld:Blofeld MIDI 1 24:0",
       2,
       Kind::Exact},
      {"ALSA client and port numbers changed",
       {"OFF", "Midi Through:Midi Through Port-0 14:0", "Blofeld:Blofeld MIDI 1 28:0"},
       "Blofeld:Blofeld MIDI 1 24:0",
       2,
       Kind::WithoutNumbers},
      {"JACK client suffix changed", {"OFF", "synth-5678:in"}, "synth-1234:in", 1, Kind::WithoutNumbers},
      {"bridged ALSA client number changed",
       {"OFF", "a2j:Blofeld [28] (capture): Blofeld MIDI 1"},
       "a2j:Blofeld [24] (capture): Blof",
       1,
       Kind::Beginning},
      {"a name cut to its slot's width",
       {"OFF", "Waldorf Blofeld:Waldorf Blofeld MIDI 1 20:0"},
       "Waldorf Blofeld:Waldorf Blofeld ",
       1,
       Kind::Beginning},
      {"two twins renumbered", {"OFF", "synth-2:in", "synth-3:in"}, "synth-1:in", 0, Kind::Several},
      {"a short name is never taken for a cut one",
       {"OFF", "Blofeld:Blofeld MIDI 1 24:0"},
       "Blofeld",
       0,
       Kind::None},
      {"another device", {"OFF", "Other:Other MIDI 1 24:0"}, "Blofeld:Blofeld MIDI 1 24:0", 0, Kind::None},
      {"OFF is never matched", {"OFF", "Blofeld"}, "OFF", 0, Kind::None},
      {"empty stored name", {"OFF", ""}, "", 0, Kind::None},
      {"nothing listed", {}, "Blofeld", 0, Kind::None},
      // Names of any length are matched in one pass over them, however many numbers they carry.
      {"a listed name of 65,536 characters",
       {"OFF", "x-1:" + std::string(65536, '[') + " 24:0", "Blofeld:Blofeld MIDI 1 24:0"},
       "Blofeld:Blofeld MIDI 1 28:0",
       2,
       Kind::WithoutNumbers},
      {"a stored name of 65,536 characters",
       {"OFF", "Blofeld:Blofeld MIDI 1 24:0"},
       std::string(65536, ' ') + "[1]",
       0,
       Kind::None},
  };
  for (const Case& c : cases)
  {
    const MidiPortNameMatch match = MidiPortNameMatch::find(c.listed, c.stored, kWidth);
    EXPECT_EQ(match.index, c.index) << c.what;
    EXPECT_EQ(match.kind, c.kind) << c.what;
  }
}

TEST(MidiPortNameMatchTest, NumbersThatChangeBetweenSessionsAreLeftOut)
{
  const std::vector<std::pair<std::string, std::string>> names = {
      {"Blofeld:Blofeld MIDI 1 24:0", "Blofeld:Blofeld MIDI 1"},
      {"synth-01:out", "synth:out"},
      {"a2j:Blofeld [24] (capture): Blofeld MIDI 1", "a2j:Blofeld (capture): Blofeld MIDI 1"},
      {"USB MIDI 1", "USB MIDI 1"},
      {"system:midi_capture_1", "system:midi_capture_1"},
      {"Blofeld ", "Blofeld"},
      {"x [1] [22]y", "xy"},
      {"[x] [12a] [3]", "[x] [12a]"},
      {"a 1:2 3:4", "a 1:2"},
      {"in-7:x-8:y", "in:x-8:y"},
      {"a-1-2:b", "a-1:b"},
  };
  for (const auto& [name, plain] : names)
  {
    EXPECT_EQ(MidiPortNameMatch::withoutNumbers(name), plain) << name;
  }
  EXPECT_STREQ(MidiPortNameMatch::describe(Kind::WithoutNumbers), "matched without client and port numbers");
}
