// Tea: the TEA block cipher (32 cycles) that enciphers the plug-in's resource files.
#include "tea.h"

#include <cstdint>
#include <cstring>
#include <iomanip>

namespace
{
constexpr std::uint32_t kDelta = 0x9E3779B9u;
constexpr int kCycles = 32;
// kDelta * kCycles modulo 2^32: where deciphering starts.
constexpr std::uint32_t kDecryptSum = 0xC6EF3720u;
static_assert(static_cast<std::uint32_t>(kDelta * kCycles) == kDecryptSum, "TEA start sum");

std::uint32_t readBigEndian(const unsigned char* p)
{
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

void writeBigEndian(unsigned char* p, std::uint32_t v)
{
  p[0] = static_cast<unsigned char>(v >> 24);
  p[1] = static_cast<unsigned char>(v >> 16);
  p[2] = static_cast<unsigned char>(v >> 8);
  p[3] = static_cast<unsigned char>(v);
}

void encipher(std::uint32_t& y, std::uint32_t& z, const unsigned int* k)
{
  std::uint32_t sum = 0;
  for (int i = 0; i < kCycles; ++i)
  {
    sum += kDelta;
    y += ((z << 4) + k[0]) ^ (z + sum) ^ ((z >> 5) + k[1]);
    z += ((y << 4) + k[2]) ^ (y + sum) ^ ((y >> 5) + k[3]);
  }
}

void decipher(std::uint32_t& y, std::uint32_t& z, const unsigned int* k)
{
  std::uint32_t sum = kDecryptSum;
  for (int i = 0; i < kCycles; ++i)
  {
    z -= ((y << 4) + k[2]) ^ (y + sum) ^ ((y >> 5) + k[3]);
    y -= ((z << 4) + k[0]) ^ (z + sum) ^ ((z >> 5) + k[1]);
    sum -= kDelta;
  }
}

// The trailer's length word is the last 4 bytes of the buffer.
constexpr std::size_t kTrailerWordOffset = Tea::kBlockSize - sizeof(std::uint32_t);
} // namespace

void Tea::simpledecrypt(unsigned char* block, const unsigned int* key)
{
  std::uint32_t y = readBigEndian(block);
  std::uint32_t z = readBigEndian(block + 4);
  decipher(y, z, key);
  writeBigEndian(block, y);
  writeBigEndian(block + 4, z);
}

void Tea::simpleencrypt(unsigned char* block, const unsigned int* key)
{
  std::uint32_t y = readBigEndian(block);
  std::uint32_t z = readBigEndian(block + 4);
  encipher(y, z, key);
  writeBigEndian(block, y);
  writeBigEndian(block + 4, z);
}

void Tea::encryptTea(unsigned int* v, const unsigned int* key)
{
  std::uint32_t y = v[0];
  std::uint32_t z = v[1];
  encipher(y, z, key);
  v[0] = y;
  v[1] = z;
}

void Tea::decryptTea(unsigned int* v, const unsigned int* key)
{
  std::uint32_t y = v[0];
  std::uint32_t z = v[1];
  decipher(y, z, key);
  v[0] = y;
  v[1] = z;
}

void Tea::encryptBlock(std::vector<unsigned char>& data, const unsigned int* key)
{
  const std::uint32_t plainLength = static_cast<std::uint32_t>(data.size());
  const std::size_t padded = (data.size() + kBlockSize - 1) / kBlockSize * kBlockSize;
  data.resize(padded + kBlockSize, 0);
  std::memcpy(data.data() + padded + kTrailerWordOffset, &plainLength, sizeof(plainLength));
  for (std::size_t pos = 0; pos < data.size(); pos += kBlockSize)
  {
    unsigned int v[2];
    std::memcpy(v, data.data() + pos, sizeof(v));
    encryptTea(v, key);
    std::memcpy(data.data() + pos, v, sizeof(v));
  }
}

bool Tea::decryptBlock(std::vector<unsigned char>& data, const unsigned int* key)
{
  if (data.empty() || data.size() % kBlockSize != 0)
    return false;
  std::vector<unsigned char> plain(data);
  for (std::size_t pos = 0; pos < plain.size(); pos += kBlockSize)
  {
    unsigned int v[2];
    std::memcpy(v, plain.data() + pos, sizeof(v));
    decryptTea(v, key);
    std::memcpy(plain.data() + pos, v, sizeof(v));
  }
  std::uint32_t plainLength = 0;
  std::memcpy(&plainLength, plain.data() + plain.size() - kBlockSize + kTrailerWordOffset,
              sizeof(plainLength));
  if (plainLength > plain.size() - kBlockSize)
    return false;
  plain.resize(plainLength);
  data.swap(plain);
  return true;
}

void Tea::printBuffer(std::ostream& out, const unsigned char* data, int length)
{
  if (data == nullptr || length < 1)
    return;
  constexpr int kPerLine = 16;
  const std::ios_base::fmtflags flags = out.flags();
  const char fill = out.fill('0');
  for (int i = 0; i < length; ++i)
  {
    out << std::hex << std::setw(2) << static_cast<unsigned int>(data[i]);
    out << ((i % kPerLine == kPerLine - 1 || i == length - 1) ? '\n' : ' ');
  }
  out.fill(fill);
  out.flags(flags);
}
