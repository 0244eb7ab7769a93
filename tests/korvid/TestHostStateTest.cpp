// The project's test host keeps the editor's state across two processes: saved by one, edited (ports of the
// simulated synthesizer chosen, multi settings, part tab, multi name), loaded by another, which reopens the
// ports, sends the multi and saves the state again whole.
#include "HostStateTestSupport.h"

using namespace korvidtest;

namespace
{
const std::string kHostPath = std::string(KORVID_BINARY_DIR) + "/tools/vsthost/vsthost";
} // namespace

TEST_F(HostStateTest, TheTestHostSavesInOneProcessAndRecallsInAnother)
{
  const fs::path first = work.path / "first.state";
  const fs::path edited = work.path / "edited.state";
  const fs::path second = work.path / "second.state";

  std::string output;
  ASSERT_EQ(
      runChild({kHostPath, kPluginPath, "--seconds", "0", "--no-round-trip", "--save-state", first.string()},
               environment, &output),
      0)
      << output;
  ASSERT_TRUE(writeBytes(edited, editedChunk(readBytes(first))));

  output.clear();
  ASSERT_EQ(runChild({kHostPath, kPluginPath, "--seconds", "0", "--no-round-trip", "--load-state",
                      edited.string(), "--save-state", second.string()},
                     environment, &output),
            0)
      << output;
  EXPECT_NE(output.find("bytes from " + edited.string() + ", accepted"), std::string::npos) << output;
  expectStateCameBack(readBytes(second), output);

  // A port name far longer than its slot names no port: the state is taken, and the host goes on to its
  // normal end.
  const fs::path hostile = work.path / "hostile.state";
  ASSERT_TRUE(writeBytes(hostile, chunkWithLongPortName(readBytes(first))));
  output.clear();
  EXPECT_EQ(runChild({kHostPath, kPluginPath, "--seconds", "0", "--no-round-trip", "--load-state",
                      hostile.string()},
                     environment, &output),
            0)
      << output;
  EXPECT_NE(output.find("bytes from " + hostile.string() + ", accepted"), std::string::npos) << output;
}
