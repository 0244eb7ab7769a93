// teacrypt: enciphers an XML resource into the .tea form the plug-in reads (build-time tool).
//
// Usage: teacrypt <input.xml> <output.tea>
// The text is padded with NUL bytes to a multiple of 8 and every 8-byte block is enciphered with
// the project's key. Exit status 0 on success, 1 on a usage, read or write error.
#include "TeaKey.h"
#include "tea.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
bool readFile(const std::string& path, std::vector<unsigned char>& bytes)
{
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes)
{
  // Written beside the target and renamed, so an interrupted build leaves no half file behind.
  const std::string temp = path + ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out)
      return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
      return false;
  }
  return std::rename(temp.c_str(), path.c_str()) == 0;
}
} // namespace

int main(int argc, char** argv)
{
  if (argc != 3)
  {
    std::cerr << "usage: teacrypt <input.xml> <output.tea>\n";
    return 1;
  }
  std::vector<unsigned char> bytes;
  if (!readFile(argv[1], bytes))
  {
    std::cerr << "teacrypt: cannot read " << argv[1] << "\n";
    return 1;
  }
  // The plug-in parses up to the first NUL byte: a NUL inside the text would silently cut it.
  for (unsigned char c : bytes)
  {
    if (c == 0)
    {
      std::cerr << "teacrypt: " << argv[1] << " holds a NUL byte\n";
      return 1;
    }
  }
  while (bytes.size() % Tea::kBlockSize != 0)
    bytes.push_back(0);

  unsigned int key[4];
  teaKeyWords(kTeaResourceKey, key);
  for (std::size_t pos = 0; pos < bytes.size(); pos += Tea::kBlockSize)
    Tea::simpleencrypt(bytes.data() + pos, key);

  if (!writeFile(argv[2], bytes))
  {
    std::cerr << "teacrypt: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
