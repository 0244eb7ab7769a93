// Tests of resource loading and deciphering, and of start-up when a resource is missing or damaged.
#include "ConfigTestSupport.h"
#include "UIConfigManager.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <map>
#include <string>

using configtest::encipher;
using configtest::TempDir;

namespace
{
const char* const kSysexXml = "<?xml version=\"1.0\"?>\n<sysexlist>\n"
                              "  <sysex><values><value>F0 3E 13 00 20 00 00 00 F7</value></values></sysex>\n"
                              "  <sysex><values><value>F0 3E 13 00 20 00 01 00 F7</value></values></sysex>\n"
                              "</sysexlist>\n";
const char* const kUIConfigXml =
    "<?xml version=\"1.0\"?>\n<uiconfig>\n"
    "  <valueLists><list name=\"onOff\"><value>off</value><value>on</value></list>"
    "</valueLists>\n</uiconfig>\n";

// A loader that serves enciphered texts from memory and remembers the ids it was asked for.
struct MemoryResources
{
  std::map<std::string, std::string> files;
  std::map<std::string, int> idsAsked;

  UIConfigManager::ResourceLoader loader()
  {
    return [this](int id, const std::string& name, std::string& bytes)
    {
      idsAsked[name] = id;
      const auto found = files.find(name);
      if (found == files.end())
        return ResourceLoadResult::Missing;
      bytes = found->second;
      return ResourceLoadResult::Loaded;
    };
  }
};

std::string decipherText(const std::string& cipher)
{
  std::string out;
  UIConfigManager::decrypt(cipher.data(), static_cast<int>(cipher.size()), out);
  return out;
}

std::string printed(const tinyxml2::XMLDocument& document)
{
  tinyxml2::XMLPrinter printer;
  document.Print(&printer);
  return printer.CStr();
}
} // namespace

TEST(UIConfigManagerDecryptTest, LengthBelowOneLeavesTheOutputUnchanged)
{
  const std::string cipher = encipher("<a/>");
  std::string out = "kept";
  UIConfigManager::decrypt(cipher.data(), 0, out);
  UIConfigManager::decrypt(cipher.data(), -8, out);
  UIConfigManager::decrypt(nullptr, 8, out);
  EXPECT_EQ("kept", out);
}

TEST(UIConfigManagerDecryptTest, LengthThirteenAppendsTwoWholeBlocks)
{
  const std::string cipher = encipher("0123456789abcdef");
  ASSERT_EQ(16u, cipher.size());
  std::string out = ">";
  UIConfigManager::decrypt(cipher.data(), 13, out);
  ASSERT_EQ(17u, out.size());
  EXPECT_EQ(">01234567", out.substr(0, 9));

  // The second block is built from the 5 bytes given and 3 zero bytes.
  unsigned char tail[8] = {};
  std::memcpy(tail, cipher.data() + 8, 5);
  Tea::simpledecrypt(tail, configtest::projectKey());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(tail), 8), out.substr(9));
}

TEST(UIConfigManagerDecryptTest, AppendsNulPaddingAndPaddedTextParsesLikeUnpadded)
{
  const std::string xml = "<uiconfig a=\"1 &amp; 2\">\n  <x> y </x>\n</uiconfig>\n";
  ASSERT_NE(0u, xml.size() % 8);
  const std::string text = decipherText(encipher(xml));
  ASSERT_EQ((xml.size() + 7) / 8 * 8, text.size());
  EXPECT_EQ(xml, text.substr(0, xml.size()));
  EXPECT_EQ(std::string(text.size() - xml.size(), '\0'), text.substr(xml.size()));

  tinyxml2::XMLDocument padded(true, tinyxml2::PRESERVE_WHITESPACE);
  tinyxml2::XMLDocument plain(true, tinyxml2::PRESERVE_WHITESPACE);
  padded.Parse(text.c_str());
  plain.Parse(xml.c_str());
  ASSERT_FALSE(padded.Error());
  EXPECT_EQ(printed(plain), printed(padded));
  EXPECT_STREQ(" y ", padded.FirstChildElement("uiconfig")->FirstChildElement("x")->GetText());
}

TEST(UIConfigManagerLoadTest, ReadsBothResourcesWithTheirIds)
{
  MemoryResources resources;
  resources.files[UIConfigManager::kSysexResourceName] = encipher(kSysexXml);
  resources.files[UIConfigManager::kUIConfigResourceName] = encipher(kUIConfigXml);
  UIConfigManager manager;
  manager.setResourceLoader(resources.loader());
  manager.readUIConfig(nullptr, nullptr, nullptr, 1, 1.15);

  EXPECT_TRUE(manager.resourcesOk());
  EXPECT_EQ(101, resources.idsAsked["resources/sysex.tea"]);
  EXPECT_EQ(100, resources.idsAsked["resources/uiconfig.tea"]);
  ASSERT_EQ(2u, manager.sysexList.size());
  EXPECT_EQ("F0 3E 13 00 20 00 01 00 F7", manager.sysexList[1].getTemplate());
  EXPECT_EQ((std::vector<std::string>{"off", "on"}), manager.getValueList("onOff"));
  EXPECT_EQ(639u, manager.getParamNameCount());
}

TEST(UIConfigManagerLoadTest, ReadsResourceFilesFromAFolder)
{
  TempDir dir;
  configtest::writeFile(dir.path / "resources/sysex.tea", encipher(kSysexXml));
  configtest::writeFile(dir.path / "resources/uiconfig.tea", encipher(kUIConfigXml));
  UIConfigManager manager;
  manager.setResourceDirectory(dir.path.string());
  manager.readUIConfig(nullptr, nullptr, nullptr, 0, 1.0);
  EXPECT_TRUE(manager.resourcesOk());
  EXPECT_EQ(2u, manager.sysexList.size());
  EXPECT_TRUE(manager.hasValueList("onOff"));
}

TEST(UIConfigManagerLoadTest, MissingResourcesAreReportedAndStartUpContinues)
{
  TempDir dir;
  const std::string log = (dir.path / "log.txt").string();
  configtest::writeFile(log, "");
  UIConfigManager manager;
  manager.setDebugOutput(true, log);
  manager.setResourceDirectory(dir.path.string());
  manager.readUIConfig(nullptr, nullptr, nullptr, 0, 1.0);

  EXPECT_FALSE(manager.resourcesOk());
  EXPECT_EQ((std::vector<std::string>{"Resource missing: resources/sysex.tea",
                                      "Resource missing: resources/uiconfig.tea"}),
            manager.getResourceErrors());
  EXPECT_TRUE(manager.sysexList.empty());
  EXPECT_EQ(639u, manager.getParamNameCount());
  const std::string text = configtest::readFile(log);
  EXPECT_NE(std::string::npos, text.find("\t CONFIG READER: Resource missing: resources/sysex.tea\n"));
  EXPECT_NE(std::string::npos, text.find("\t CONFIG READER: Resource missing: resources/uiconfig.tea\n"));
}

TEST(UIConfigManagerLoadTest, UnreadableResourcesAreReported)
{
  TempDir dir;
  // A folder where the file should be exists but cannot be read as a file.
  std::filesystem::create_directories(dir.path / "resources/sysex.tea");
  UIConfigManager manager;
  manager.setResourceDirectory(dir.path.string());
  manager.setResourceLoader(
      [&dir](int, const std::string& name, std::string& bytes)
      {
        if (name == UIConfigManager::kUIConfigResourceName)
          return ResourceLoadResult::Unreadable;
        return UIConfigManager::loadResourceFile((dir.path / name).string(), bytes);
      });
  manager.readUIConfig(nullptr, nullptr, nullptr, 0, 1.0);
  EXPECT_EQ((std::vector<std::string>{"Resource unreadable: resources/sysex.tea",
                                      "Resource unreadable: resources/uiconfig.tea"}),
            manager.getResourceErrors());
}

TEST(UIConfigManagerLoadTest, ResourcesWithoutTheirRootElementAreReportedAsDamaged)
{
  const std::map<std::string, std::pair<std::string, std::string>> cases = {
      {"empty file", {"", ""}},
      {"not enciphered", {kSysexXml, kUIConfigXml}},
      {"roots swapped", {encipher(kUIConfigXml), encipher(kSysexXml)}},
      {"cut in the middle", {encipher(kSysexXml).substr(0, 24), encipher(kUIConfigXml).substr(0, 40)}},
  };
  for (const auto& entry : cases)
  {
    MemoryResources resources;
    resources.files[UIConfigManager::kSysexResourceName] = entry.second.first;
    resources.files[UIConfigManager::kUIConfigResourceName] = entry.second.second;
    UIConfigManager manager;
    manager.setResourceLoader(resources.loader());
    manager.readUIConfig(nullptr, nullptr, nullptr, 0, 1.0);
    EXPECT_EQ((std::vector<std::string>{"Resource damaged: resources/sysex.tea",
                                        "Resource damaged: resources/uiconfig.tea"}),
              manager.getResourceErrors())
        << entry.first;
    EXPECT_TRUE(manager.sysexList.empty()) << entry.first;
    EXPECT_FALSE(manager.hasValueList("onOff")) << entry.first;
  }
}

TEST(UIConfigManagerLoadTest, FileReadsStopAtTheLoaderLimit)
{
  TempDir dir;
  const std::filesystem::path path = dir.path / "big.tea";
  configtest::writeFile(path, std::string(UIConfigManager::kMaxResourceBytes + 10, 'x'));
  std::string bytes;
  EXPECT_EQ(ResourceLoadResult::Loaded, UIConfigManager::loadResourceFile(path.string(), bytes));
  EXPECT_EQ(UIConfigManager::kMaxResourceBytes, bytes.size());

  EXPECT_EQ(ResourceLoadResult::Missing,
            UIConfigManager::loadResourceFile((dir.path / "none").string(), bytes));
  EXPECT_TRUE(bytes.empty());
}

TEST(UIConfigManagerLoadTest, DebugLinesOfTheSysexReaderAndTheRegistry)
{
  TempDir dir;
  const std::string log = (dir.path / "log.txt").string();
  configtest::writeFile(log, "");
  MemoryResources resources;
  resources.files[UIConfigManager::kSysexResourceName] = encipher(kSysexXml);
  resources.files[UIConfigManager::kUIConfigResourceName] = encipher(kUIConfigXml);
  UIConfigManager manager;
  manager.setDebugOutput(true, log);
  manager.setResourceLoader(resources.loader());
  manager.readUIConfig(nullptr, nullptr, nullptr, 0, 1.0);

  const std::string text = configtest::readFile(log);
  const std::size_t started = text.find("\t CONFIG READER: Started to read SysEx Data...\n");
  const std::size_t completed = text.find("\t CONFIG READER: Completed reading SysEx data!\n");
  const std::size_t params = text.find("\t CONFIG READER: Started to initialize parameters...\n");
  ASSERT_NE(std::string::npos, started);
  ASSERT_NE(std::string::npos, completed);
  ASSERT_NE(std::string::npos, params);
  EXPECT_LT(started, completed);
  EXPECT_LT(completed, params);
  EXPECT_EQ(std::string::npos, text.find("Resource"));
}
