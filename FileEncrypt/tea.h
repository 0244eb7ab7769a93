// Tea: the TEA block cipher (32 cycles) that enciphers the plug-in's resource files.
#pragma once

#include <ostream>
#include <vector>

// Holds no state; every routine is static and may be called from any thread. A key is four
// 32-bit words k0..k3 (see TeaKey.h for how the project's key bytes become words).
class Tea
{
public:
  // Block size in bytes of every routine below.
  static constexpr int kBlockSize = 8;

  // Deciphers one 8-byte block in place. The block is read as two big-endian 32-bit halves and
  // written back the same way. This is the routine that opens the resource files.
  static void simpledecrypt(unsigned char* block, const unsigned int* key);

  // Enciphers one 8-byte block in place; the inverse of simpledecrypt (same byte order).
  // Used by the build tool that makes the resource files.
  static void simpleencrypt(unsigned char* block, const unsigned int* key);

  // Two-word routines on words in the machine's byte order: v[0], v[1] in place.
  static void encryptTea(unsigned int* v, const unsigned int* key);
  static void decryptTea(unsigned int* v, const unsigned int* key);

  // Whole-buffer routines that keep the plain length in a trailer: encryptBlock pads data with
  // zero bytes to a multiple of 8, appends one 8-byte block whose last word (machine byte order)
  // holds the plain length, and enciphers every block with encryptTea.
  static void encryptBlock(std::vector<unsigned char>& data, const unsigned int* key);
  // The inverse: false, and data unchanged, when the size is not a positive multiple of 8 or the
  // trailer names a length that does not fit; otherwise data becomes the plain bytes.
  static bool decryptBlock(std::vector<unsigned char>& data, const unsigned int* key);

  // Writes length bytes of data as two-digit hex numbers, 16 per line; nothing for a null
  // pointer or a length below 1.
  static void printBuffer(std::ostream& out, const unsigned char* data, int length);
};
