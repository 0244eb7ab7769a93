// The test host against a VST 2 plug-in we did not write: amsynth from Debian (needs an X display).
#include "HostReport.h"
#include "VstHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
const char* const kAmsynthPath = "/usr/lib/vst/amsynth_vst.so";
const std::string kHostPath = std::string(KORVID_BINARY_DIR) + "/tools/vsthost/vsthost";
constexpr VstInt32 kFlagsIsSynth = 0x100;

// amsynth writes its settings under the data folder: give it a temporary one.
class AmsynthTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    if (access(kAmsynthPath, R_OK) != 0)
    {
      GTEST_SKIP() << "amsynth is not installed (scripts/install-deps.sh installs it)";
    }
    char pattern[] = "/tmp/korvid-amsynth-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    mDataHome = pattern;
    setenv("XDG_DATA_HOME", mDataHome.c_str(), 1);
  }
  void TearDown() override
  {
    if (!mDataHome.empty())
    {
      std::filesystem::remove_all(mDataHome);
    }
  }
  std::string mDataHome;
};
} // namespace

TEST_F(AmsynthTest, LoadsReportsAndPlaysANote)
{
  VstHost host;
  ASSERT_TRUE(host.Load(kAmsynthPath)) << host.Error();
  const AEffect* e = host.Effect();
  EXPECT_EQ(e->numOutputs, 2);
  EXPECT_GT(e->numParams, 0);
  EXPECT_EQ(e->flags & kFlagsIsSynth, kFlagsIsSynth);
  host.Open(44100.0, 512);
  std::ostringstream report;
  PrintPluginView(report, host);
  EXPECT_EQ(report.str().find("<buffer overrun>"), std::string::npos) << report.str();
  EXPECT_NE(host.DispatchString(effGetEffectName, 0, kVstEffectNameLen).find("amsynth"), std::string::npos);

  // Note on, a block, note off; the sound goes on through the release.
  float peak = host.RunAudio(0.0);
  for (int i = 0; i < 8; ++i)
  {
    peak = std::max(peak, host.ProcessBlock());
  }
  EXPECT_TRUE(std::isfinite(peak));
  EXPECT_GT(peak, 0.0f);
  host.Close();
}

TEST_F(AmsynthTest, CommandLineHostRunsIt)
{
  const std::string command = "\"" + kHostPath + "\" " + kAmsynthPath + " --seconds 0.2";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[4096];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0)
  {
    output.append(buffer, n);
  }
  const int status = pclose(pipe);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
  EXPECT_NE(output.find("magic: VstP"), std::string::npos) << output;
  EXPECT_NE(output.find("amsynth"), std::string::npos);
  EXPECT_NE(output.find("closed"), std::string::npos);
}
