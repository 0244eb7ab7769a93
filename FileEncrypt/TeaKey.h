// The key that enciphers the resource files; shared by the build tool and the plug-in.
#pragma once

// The 16 key bytes. Changing them needs nothing else: the build re-enciphers every resource.
inline constexpr unsigned char kTeaResourceKey[16] = {0x4b, 0x6f, 0x72, 0x76, 0x1d, 0xa3, 0x59, 0xe2,
                                                      0x07, 0xc8, 0x3e, 0x91, 0x64, 0xb5, 0x2a, 0xf0};

// The four key words of 16 key bytes, each read little-endian: bytes 0-3 form k0 with byte 0 as
// the least significant byte, and so on.
inline void teaKeyWords(const unsigned char* bytes, unsigned int* words)
{
  for (int w = 0; w < 4; ++w)
  {
    const unsigned char* b = bytes + 4 * w;
    words[w] = static_cast<unsigned int>(b[0]) | (static_cast<unsigned int>(b[1]) << 8) |
               (static_cast<unsigned int>(b[2]) << 16) | (static_cast<unsigned int>(b[3]) << 24);
  }
}
