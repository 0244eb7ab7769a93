// Ardour 7 keeps the editor's state in its session: a session made by one process with the plug-in on a MIDI
// track, its stored state edited (ports of the simulated synthesizer chosen, multi settings, part tab, multi
// name), opened by another process, which gives the plug-in the state, lets it send the multi, and saves the
// session again whole.
#include "HostStateTestSupport.h"

#include <Poco/Base64Decoder.h>
#include <Poco/Base64Encoder.h>

#include <functional>
#include <sstream>

using namespace korvidtest;

namespace
{
const std::string kLuaTool = "/usr/bin/ardour7-lua";
// Ardour's scanner runs with its own library folder, as Ardour runs it.
const std::string kArdourLibraries = "/usr/lib/ardour7";
const std::string kScanner = kArdourLibraries + "/ardour-vst-scanner";
const std::string kScripts = std::string(KORVID_SOURCE_DIR) + "/tests/korvid/ardour/";
constexpr const char* kSessionName = "korvid";
constexpr const char* kChunkOpen = "<chunk";
constexpr const char* kChunkClose = "</chunk>";

// Where the plug-in's stored chunk (base64) lies in the session file: first and one past the last character,
// both 0 when there is none.
std::pair<size_t, size_t> chunkText(const std::string& session)
{
  const size_t open = session.find(kChunkOpen);
  const size_t first = open == std::string::npos ? std::string::npos : session.find('>', open);
  const size_t last = first == std::string::npos ? std::string::npos : session.find(kChunkClose, first);
  if (last == std::string::npos)
    return {0, 0};
  return {first + 1, last};
}

Bytes fromBase64(const std::string& text)
{
  std::istringstream in(text);
  Poco::Base64Decoder decoder(in);
  return Bytes((std::istreambuf_iterator<char>(decoder)), std::istreambuf_iterator<char>());
}

std::string toBase64(const Bytes& bytes)
{
  std::ostringstream out;
  Poco::Base64Encoder encoder(out);
  encoder.rdbuf()->setLineLength(0);
  encoder.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  encoder.close();
  return out.str();
}

Bytes storedChunk(const fs::path& session)
{
  const std::string text = readText(session);
  const auto [first, last] = chunkText(text);
  return fromBase64(text.substr(first, last - first));
}

// Replaces the stored chunk in the session file by what edit makes of it; false when the session holds none
// or edit gives nothing.
bool replaceStoredChunk(const fs::path& session, const std::function<Bytes(const Bytes&)>& edit)
{
  std::string text = readText(session);
  const auto [first, last] = chunkText(text);
  if (first >= last)
    return false;
  const Bytes edited = edit(fromBase64(text.substr(first, last - first)));
  if (edited.empty())
    return false;
  text.replace(first, last - first, toBase64(edited));
  std::ofstream(session, std::ios::trunc) << text;
  return true;
}
} // namespace

TEST_F(HostStateTest, ArdourKeepsTheStateInItsSessionAcrossProcesses)
{
  if (!fs::exists(kLuaTool) || !fs::exists(kScanner))
    GTEST_SKIP() << "Ardour 7 is not installed (Debian package ardour)";
  const fs::path dir = work.path / "session";
  const fs::path session = dir / (std::string(kSessionName) + ".ardour");
  std::map<std::string, std::string> ardour = environment;
  ardour["LXVST_PATH"] = kPluginFolder;
  std::map<std::string, std::string> scanner = environment;
  scanner["LD_LIBRARY_PATH"] = kArdourLibraries;

  std::string output;
  ASSERT_EQ(runChild({kScanner, "-f", kPluginPath}, scanner, &output), 0) << output;
  EXPECT_NE(output.find("Found Plugin"), std::string::npos) << output;

  output.clear();
  ASSERT_EQ(
      runChild({kLuaTool, kScripts + "create-session.lua", dir.string(), kSessionName}, ardour, &output), 0)
      << output;
  ASSERT_NE(output.find("session created"), std::string::npos) << output;

  ASSERT_TRUE(replaceStoredChunk(session, [this](const Bytes& chunk) { return editedChunk(chunk); }))
      << "no stored state in the session";

  output.clear();
  ASSERT_EQ(
      runChild({kLuaTool, kScripts + "reopen-session.lua", dir.string(), kSessionName}, ardour, &output), 0)
      << output;
  ASSERT_NE(output.find("session reopened and saved"), std::string::npos) << output;
  expectStateCameBack(storedChunk(session), output);

  // A port name far longer than its slot: the plug-in takes the state without that port, and Ardour opens
  // the session.
  ASSERT_TRUE(replaceStoredChunk(session, chunkWithLongPortName));
  output.clear();
  ASSERT_EQ(
      runChild({kLuaTool, kScripts + "reopen-session.lua", dir.string(), kSessionName}, ardour, &output), 0)
      << output;
  EXPECT_NE(output.find("session reopened and saved"), std::string::npos) << output;
}
