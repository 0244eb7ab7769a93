// A fresh editor's part, built as a sound dump, is the synthesizer's init sound.
#include "KorvidTestSupport.h"

#include "MIDIMessageSender.h"
#include "SoundDumpLayout.h"
#include "SysexProtocol.h"

#include <fstream>
#include <iterator>
#include <vector>

using namespace korvidtest;

namespace
{
using Bytes = std::vector<unsigned char>;

class InitSound : public StartupFixture
{
protected:
  InitSound() { useResources(pluginFolder()); }

  // Part's dump as the editor sends it.
  static Bytes partDump(Korvid& plug, int part)
  {
    SoundDumpLayout::Dump dump{};
    plug.mMIDIMessageManager->sender->buildPartDump(part, dump.data());
    return Bytes(dump.begin(), dump.end());
  }
};

TEST_F(InitSound, AFreshPartIsTheSynthesizersInitSoundOutsideItsName)
{
  KORVID_REQUIRE_SHARED_BANKS();
  std::ifstream in(sharedBankFile("init-bank.syx"), std::ios::binary);
  const Bytes bank((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GE(bank.size(), static_cast<size_t>(SoundDumpLayout::kDumpLength));
  const Bytes init(bank.begin(), bank.begin() + SoundDumpLayout::kDumpLength);
  ASSERT_TRUE(SysexProtocol::isSoundDump(init.data(), static_cast<int>(init.size())));

  auto plug = construct();
  for (int part : {0, 7, 15})
  {
    const Bytes built = partDump(*plug, part);
    int differences = 0;
    for (int b = SysexProtocol::kChecksumFirstByte; b < SoundDumpLayout::kChecksumOffset; ++b)
    {
      if (b >= SoundDumpLayout::kNameOffset &&
          b < SoundDumpLayout::kNameOffset + SoundDumpLayout::kNameLength)
        continue;
      if (built[static_cast<size_t>(b)] != init[static_cast<size_t>(b)])
      {
        ++differences;
        ADD_FAILURE() << "part " << part << " byte " << b << " (sound index "
                      << b - SysexProtocol::kChecksumFirstByte << "): " << int(built[static_cast<size_t>(b)])
                      << ", the init sound has " << int(init[static_cast<size_t>(b)]);
      }
    }
    EXPECT_EQ(differences, 0) << "part " << part;
  }
}
TEST_F(InitSound, GlideOnAFreshStepKeepsItsAccent)
{
  // Step 1 of part 1 holds the init sound's accent 4; glide on sends the step's byte with both (8 + 4).
  midi->setOutputPorts({"Blofeld Out"});
  auto plug = construct();
  chooseOutputPort(*plug, 1);
  midi->clearReceived();
  IParam* glide = plug->GetParam(kArpPattern01Glide);
  plug->SetParameterFromGUI(kArpPattern01Glide, glide->GetNormalized(1.0));
  const std::vector<Bytes> sent = midi->received("Blofeld Out");
  ASSERT_EQ(sent.size(), 1u);
  // F0 3E 13 id 20 part HH LL value F7: sound data 327 is 02 47.
  ASSERT_EQ(sent[0].size(), 10u);
  EXPECT_EQ(sent[0][6], 0x02);
  EXPECT_EQ(sent[0][7], 0x47);
  EXPECT_EQ(sent[0][8], 8 + 4);
}
} // namespace
