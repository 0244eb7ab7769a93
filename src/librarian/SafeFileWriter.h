// Writing a whole file so that a failure never leaves a half-written file in place of a good one.
#pragma once

#include <string>

// Stateless; any thread may call it (each call uses its own temporary file).
class SafeFileWriter
{
public:
  // Writes size bytes to a temporary file in path's folder (named after path's file, cut between letters to
  // the longest name the file system takes), flushes it to disk and renames it to path.
  // With replace false an existing file at path is never touched and the write fails. On failure
  // the temporary file is removed, path is unchanged, false is returned and error (if given) says why.
  static bool write(const std::string& path, const unsigned char* bytes, int size, bool replace,
                    std::string* error = nullptr);

  // path when no file exists there, else the first free "<stem> (n)<extension>" for n = 2, 3, ..., the stem
  // cut between letters where the name would pass the longest name the file system takes.
  static std::string freePath(const std::string& path);
};
