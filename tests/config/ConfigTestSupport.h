// Helpers of the configuration tests: a temporary folder and enciphering with the project's key.
#pragma once

#include "../support/TempDir.h"

#include "TeaKey.h"
#include "tea.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace configtest
{
// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir : public korvidtest::TempDir
{
public:
  TempDir() : korvidtest::TempDir("korvid-config") {}
};

inline unsigned int* projectKey()
{
  static unsigned int key[4];
  teaKeyWords(kTeaResourceKey, key);
  return key;
}

// plain padded with NUL bytes to a multiple of 8 and enciphered block by block, as the build does.
inline std::string encipher(std::string plain)
{
  while (plain.size() % Tea::kBlockSize != 0)
    plain.push_back('\0');
  for (std::size_t pos = 0; pos < plain.size(); pos += Tea::kBlockSize)
    Tea::simpleencrypt(reinterpret_cast<unsigned char*>(&plain[pos]), projectKey());
  return plain;
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes)
{
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readFile(const std::filesystem::path& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
} // namespace configtest
