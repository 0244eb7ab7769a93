// UIConfigManager: loading and deciphering of the resources, and the order of building the editor.
#include "UIConfigManager.h"

#include "TeaKey.h"
#include "debugger.h"
#include "tea.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>

namespace
{
const char* const kUIConfigRootName = "uiconfig";
} // namespace

void UIConfigManager::setDebugOutput(bool enabled, const std::string& logPath)
{
  debugEnabled = enabled;
  debugLogPath = logPath;
}

void UIConfigManager::setResourceLoader(ResourceLoader loader)
{
  resourceLoader = std::move(loader);
}

void UIConfigManager::setResourceDirectory(const std::string& directory)
{
  resourceDirectory = directory;
}

void UIConfigManager::readUIConfig(IGraphics* graphicsIn, Korvid* plugIn, PatchLibrarian* librarianIn,
                                   int style, double scale)
{
  graphics = graphicsIn;
  plug = plugIn;
  librarian = librarianIn;
  uiStyle = style;
  uiScale = scale;

  readSysexValues();
  initImages(graphics);
  initParams();

  tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
  if (!loadDocument(kUIConfigResourceId, kUIConfigResourceName, kUIConfigRootName, document))
    return;
  readReasources(&document);
  tinyxml2::XMLElement* root = document.FirstChildElement(kUIConfigRootName);
  processXMLElement(root->FirstChild(), nullptr, -1);
}

void UIConfigManager::decrypt(const char* data, int length, std::string& out)
{
  if (data == nullptr || length < 1)
    return;
  unsigned int key[4];
  teaKeyWords(kTeaResourceKey, key);
  const std::size_t total = static_cast<std::size_t>(length);
  out.reserve(out.size() + (total + Tea::kBlockSize - 1) / Tea::kBlockSize * Tea::kBlockSize);
  for (std::size_t offset = 0; offset < total; offset += Tea::kBlockSize)
  {
    // A short tail block takes zero bytes for the ones the data does not hold.
    unsigned char block[Tea::kBlockSize] = {};
    std::memcpy(block, data + offset, std::min<std::size_t>(Tea::kBlockSize, total - offset));
    Tea::simpledecrypt(block, key);
    out.append(reinterpret_cast<const char*>(block), Tea::kBlockSize);
  }
}

ResourceLoadResult UIConfigManager::loadResourceFile(const std::string& path, std::string& bytes)
{
  bytes.clear();
  std::error_code error;
  if (!std::filesystem::exists(path, error))
    return ResourceLoadResult::Missing;
  if (!std::filesystem::is_regular_file(path, error))
    return ResourceLoadResult::Unreadable;
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return ResourceLoadResult::Unreadable;
  bytes.resize(kMaxResourceBytes);
  in.read(&bytes[0], static_cast<std::streamsize>(kMaxResourceBytes));
  if (in.bad())
  {
    bytes.clear();
    return ResourceLoadResult::Unreadable;
  }
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return ResourceLoadResult::Loaded;
}

void UIConfigManager::logDebug(const std::string& text) const
{
  if (debugEnabled)
    DebuggerOutput::printDebugInfo(debugLogPath, text);
}

void UIConfigManager::recordResourceError(const std::string& text)
{
  resourceErrors.push_back(text);
  logDebug("CONFIG READER: " + text);
}

bool UIConfigManager::loadDocument(int id, const char* name, const char* rootName,
                                   tinyxml2::XMLDocument& document)
{
  std::string bytes;
  ResourceLoadResult result;
  if (resourceLoader)
    result = resourceLoader(id, name, bytes);
  else
    result = loadResourceFile(resourceDirectory.empty() ? std::string(name) : resourceDirectory + "/" + name,
                              bytes);

  if (result == ResourceLoadResult::Missing)
  {
    recordResourceError(std::string("Resource missing: ") + name);
    return false;
  }
  if (result == ResourceLoadResult::Unreadable)
  {
    recordResourceError(std::string("Resource unreadable: ") + name);
    return false;
  }

  std::string text;
  decrypt(bytes.data(), static_cast<int>(std::min(bytes.size(), kMaxResourceBytes)), text);
  bytes.clear();
  // Parsed up to the first NUL: the padding of the last block ends the text.
  document.Parse(text.c_str());
  if (document.FirstChildElement(rootName) == nullptr)
  {
    recordResourceError(std::string("Resource damaged: ") + name);
    return false;
  }
  return true;
}
