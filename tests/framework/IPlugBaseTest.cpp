// The plug-in base: channel strings, blocks, parameter roads, serialisers and presets.
#include "FakeHost.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
TestPlug::Setup setupWith(const char* channels, int hostParams = 0, int totalParams = 8, int presets = 0)
{
  TestPlug::Setup setup;
  setup.channels = channels;
  setup.hostParams = hostParams;
  setup.totalParams = totalParams;
  setup.presets = presets;
  return setup;
}
} // namespace

TEST(IPlugBaseTest, ChannelStrings)
{
  FakeHost host;
  TestPlug stereo(setupWith("2-2"));
  EXPECT_EQ(stereo.NChannelIO(), 1);
  EXPECT_EQ(stereo.NInChannels(), 2);
  EXPECT_EQ(stereo.NOutChannels(), 2);
  EXPECT_FALSE(stereo.LegalIO(1, -1));
  EXPECT_TRUE(stereo.LegalIO(2, 2));
  EXPECT_TRUE(stereo.LegalIO(-1, 2));
  EXPECT_TRUE(stereo.LegalIO(-1, -1));

  TestPlug two(setupWith("1-1 2-2"));
  EXPECT_EQ(two.NChannelIO(), 2);
  EXPECT_EQ(two.NInChannels(), 2);
  EXPECT_EQ(two.NOutChannels(), 2);
  EXPECT_TRUE(two.LegalIO(1, -1));
  int nIn = 0;
  int nOut = 0;
  EXPECT_TRUE(two.GetChannelIO(0, &nIn, &nOut));
  EXPECT_EQ(nIn, 1);
  EXPECT_EQ(nOut, 1);
  EXPECT_FALSE(two.GetChannelIO(2, &nIn, &nOut));

  TestPlug none(setupWith(nullptr));
  EXPECT_EQ(none.NChannelIO(), 0);
  EXPECT_EQ(none.NInChannels(), 0);
  EXPECT_FALSE(none.LegalIO(-1, -1));

  TestPlug garbage(setupWith("x-y"));
  EXPECT_EQ(garbage.NChannelIO(), 1);
  EXPECT_EQ(garbage.NInChannels(), 0);
  EXPECT_EQ(garbage.NOutChannels(), 0);
}

TEST(IPlugBaseTest, ConnectionsStayInsideTheChannels)
{
  FakeHost host;
  TestPlug plug(setupWith("2-2"));
  EXPECT_TRUE(plug.IsInChannelConnected(0));
  EXPECT_TRUE(plug.IsInChannelConnected(1));
  plug.SetInputChannelConnections(1, 10, false);
  EXPECT_FALSE(plug.IsInChannelConnected(1));
  EXPECT_TRUE(plug.IsInChannelConnected(0));
  plug.SetOutputChannelConnections(-3, 4, false);
  EXPECT_FALSE(plug.IsOutChannelConnected(0));
  EXPECT_TRUE(plug.IsOutChannelConnected(1));
  EXPECT_FALSE(plug.IsOutChannelConnected(5));
}

TEST(IPlugBaseTest, BlockSizeResizesScratchAndPassZeroesDisconnected)
{
  FakeHost host;
  TestPlug plug(setupWith("2-2"));
  EXPECT_EQ(plug.GetBlockSize(), 1024);
  plug.SetBlockSize(64);
  EXPECT_EQ(plug.GetBlockSize(), 64);

  // A disconnected input reads its scratch buffer: zeros; output 1 therefore stays silent.
  plug.SetInputChannelConnections(1, 1, false);
  std::vector<float> in0(64, 0.5f);
  std::vector<float> out0(64, 9.0f);
  std::vector<float> out1(64, 9.0f);
  float* ins[] = {in0.data()};
  float* outs[] = {out0.data(), out1.data()};
  plug.AttachInputBuffers(0, 2, ins, 64);
  plug.AttachOutputBuffers(0, 2, outs);
  plug.ProcessBuffers(0.0f, 64);
  EXPECT_EQ(out0[63], 0.5f);
  EXPECT_EQ(out1[0], 0.0f);

  plug.ProcessBuffersAccumulating(0.0f, 64);
  EXPECT_EQ(out0[0], 1.0f);
}

TEST(IPlugBaseTest, GuiRoadsCallTheirHandlerOnlyOnRealChanges)
{
  FakeHost host;
  TestPlug plug(setupWith("2-2", 0, 4));
  plug.addNonAutomateParamCount(4);
  plug.GetParam(0)->InitBool("b", false);
  plug.GetParam(1)->InitEnum("e", 2, 5);
  plug.GetParam(2)->InitText();

  plug.SetParameterFromGUI(0, 0.0);
  EXPECT_TRUE(plug.changes.empty());
  plug.SetParameterFromGUI(0, 1.0);
  EXPECT_EQ(plug.changes, std::vector<int>{0});
  plug.SetParameterFromGUI(2, plug.GetParam(2)->GetNormalized());
  EXPECT_EQ(plug.changes, (std::vector<int>{0, 2}));
  plug.SetParameterFromGUI2(1, 0.75);
  EXPECT_EQ(plug.changes2, std::vector<int>{1});
  EXPECT_EQ(plug.GetParam(1)->Value(), 3.0);

  // Indices that do not exist are ignored; none of the parameters was announced to the host.
  plug.SetParameterFromGUI(4, 1.0);
  plug.SetParameterFromGUI(-1, 1.0);
  EXPECT_EQ(plug.changes.size(), 2u);
  EXPECT_EQ(host.CountOf(0), 0);
}

TEST(IPlugBaseTest, NonAutomatedCountAndParamReset)
{
  FakeHost host;
  TestPlug plug(setupWith("2-2", 3, 8));
  EXPECT_EQ(plug.NNonAutomatedParams(), 5);
  EXPECT_EQ(plug.NHostParams(), 3);
  plug.OnParamReset();
  EXPECT_EQ(plug.changes, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(plug.resets, 1);

  plug.changes.clear();
  plug.addNonAutomateParamCount(8);
  EXPECT_EQ(plug.NHostParams(), 0);
  plug.OnParamReset();
  EXPECT_TRUE(plug.changes.empty());
  plug.addNonAutomateParamCount(100);
  EXPECT_EQ(plug.NNonAutomatedParams(), 8);
}

TEST(IPlugBaseTest, NonAutomatedReadsStopOnAShortChunk)
{
  FakeHost host;
  TestPlug plug(setupWith("2-2", 0, 5));
  for (int i = 0; i < 5; ++i)
  {
    plug.GetParam(i)->InitDouble("p", 0.5, -1.0, 1.0, 0.01);
  }
  ByteChunk chunk;
  const double values[] = {2.5, -0.25, -7.0};
  for (double v : values)
  {
    chunk.AppendValue(&v);
  }
  plug.GetParam(4)->Set(0.75);
  EXPECT_EQ(plug.UnserializeNonAutomatedParams(&chunk, 0, 5), -1);
  EXPECT_EQ(plug.GetParam(0)->Value(), 1.0);
  EXPECT_EQ(plug.GetParam(1)->Value(), -0.25);
  EXPECT_EQ(plug.GetParam(2)->Value(), -1.0);
  EXPECT_EQ(plug.GetParam(3)->Value(), 0.0);
  EXPECT_EQ(plug.GetParam(4)->Value(), 0.75);

  EXPECT_EQ(plug.UnserializeNonAutomatedParams(&chunk, -1, 5), -1);
  EXPECT_EQ(plug.UnserializeNonAutomatedParams(&chunk, 4, 0), 4);
  EXPECT_TRUE(plug.changes.empty());

  // More than there are is capped to the non-automated parameters.
  ByteChunk written;
  EXPECT_TRUE(plug.SerializeNonAutomatedParams(&written, 50));
  EXPECT_EQ(written.Size(), 5 * 8);
  EXPECT_EQ(plug.UnserializeNonAutomatedParams(&written, 0, 50), 40);
}

TEST(IPlugBaseTest, HostVisibleSerialisers)
{
  FakeHost host;
  TestPlug hidden(setupWith("2-2", 0, 4));
  ByteChunk chunk;
  EXPECT_TRUE(hidden.SerializeParams(&chunk));
  EXPECT_EQ(chunk.Size(), 0);
  EXPECT_EQ(hidden.UnserializeParams(&chunk, 8), 8);

  TestPlug visible(setupWith("2-2", 2, 4));
  visible.GetParam(0)->Set(1.0);
  visible.GetParam(1)->Set(0.0);
  ByteChunk saved;
  EXPECT_TRUE(visible.SerializeParams(&saved));
  EXPECT_EQ(saved.Size(), 16);
  std::vector<double> data = {1.0, 0.1000001};
  EXPECT_FALSE(visible.CompareState(reinterpret_cast<const unsigned char*>(data.data()), 0));
  visible.GetParam(1)->Set(0.1);
  EXPECT_TRUE(visible.CompareState(reinterpret_cast<const unsigned char*>(data.data()), 0));
  visible.GetParam(0)->Set(0.0);
  visible.GetParam(1)->Set(0.0);
  EXPECT_EQ(visible.UnserializeParams(&saved, 0), 16);
  EXPECT_EQ(visible.GetParam(0)->Value(), 1.0);
}

TEST(IPlugBaseTest, PresetsOnAnEmptyList)
{
  FakeHost host;
  TestPlug plug(setupWith("2-2"));
  EXPECT_FALSE(plug.RestorePreset(0));
  EXPECT_FALSE(plug.RestorePreset("Empty"));
  EXPECT_FALSE(plug.RestorePreset(static_cast<const char*>(nullptr)));
  EXPECT_STREQ(plug.GetPresetName(0), "");
  ByteChunk chunk;
  EXPECT_TRUE(plug.SerializePresets(&chunk));
  EXPECT_EQ(chunk.Size(), 0);
  plug.MakeDefaultPreset("-", 64);
  EXPECT_EQ(plug.NPresets(), 0);
}

TEST(IPlugBaseTest, PresetsCaptureRestoreAndSerialise)
{
  FakeHost host;
  TestPlug plug(setupWith("2-2", 1, 2, 3));
  plug.GetParam(0)->InitDouble("gain", 0.5, 0.0, 1.0, 0.01);
  plug.MakeDefaultPreset("start", 1);
  EXPECT_STREQ(plug.GetPresetName(0), "start");
  EXPECT_STREQ(plug.GetPresetName(1), "empty");

  // An uninitialised preset is captured and named after the user presets so far.
  plug.GetParam(0)->Set(0.25);
  EXPECT_TRUE(plug.RestorePreset(2));
  EXPECT_STREQ(plug.GetPresetName(2), "user preset 1");
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 2);
  EXPECT_TRUE(plug.RestorePreset(1));
  EXPECT_STREQ(plug.GetPresetName(1), "user preset 2");

  EXPECT_TRUE(plug.RestorePreset("start"));
  EXPECT_EQ(plug.GetParam(0)->Value(), 0.5);
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 0);

  plug.ModifyCurrentPreset("renamed");
  EXPECT_STREQ(plug.GetPresetName(0), "renamed");

  ByteChunk bank;
  EXPECT_TRUE(plug.SerializePresets(&bank));
  TestPlug copy(setupWith("2-2", 1, 2, 3));
  copy.GetParam(0)->InitDouble("gain", 0.9, 0.0, 1.0, 0.01);
  EXPECT_EQ(copy.UnserializePresets(&bank, 0), bank.Size());
  EXPECT_STREQ(copy.GetPresetName(0), "renamed");
  EXPECT_STREQ(copy.GetPresetName(2), "user preset 1");
  EXPECT_EQ(copy.GetParam(0)->Value(), 0.5);

  // A cut bank stops with -1.
  ByteChunk cut;
  cut.AppendBytes(bank.Bytes(), 6);
  EXPECT_EQ(copy.UnserializePresets(&cut, 0), -1);
}

TEST(IPlugBaseTest, Versions)
{
  FakeHost host;
  TestPlug plug(setupWith("2-2"));
  EXPECT_EQ(plug.GetEffectVersion(false), 0x010203);
  EXPECT_EQ(plug.GetEffectVersion(true), 10203);
  char text[32];
  plug.GetEffectVersionStr(text);
  EXPECT_STREQ(text, "v1.2.3");

  TestPlug::Setup major;
  major.version = 0x020000;
  TestPlug two(major);
  two.GetEffectVersionStr(text);
  EXPECT_STREQ(text, "v2");
  TestPlug::Setup minor;
  minor.version = 0x010500;
  TestPlug oneFive(minor);
  oneFive.GetEffectVersionStr(text);
  EXPECT_STREQ(text, "v1.5");
  EXPECT_EQ(oneFive.GetEffectVersion(true), 10500);
}
