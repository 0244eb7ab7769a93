// One bank file in memory: up to 128 records with its kind, origin, names and folder.
#pragma once

#include "LibrarianPatch.h"

#include <string>
#include <vector>

// Always a heap object; the librarian's sound and multi lists own theirs, trees only point to
// them. Used on the thread that scans or edits the library.
class PatchFile
{
public:
  // Slots in a complete bank.
  static constexpr int kBankSize = 128;
  // Kinds.
  static constexpr int kSounds = 0;
  static constexpr int kMultis = 1;
  // Origin codes.
  static constexpr int kOriginBlofeld = 0;
  static constexpr int kOriginMicroQ = 1;
  static constexpr int kOriginQ = 2;
  static constexpr int kOriginMultiBlofeld = 3;
  static constexpr int kOriginMultiMicroQ = 4;
  static constexpr int kOriginMultiQ = 5;

  // A new heap copy that the caller owns: kind, origin (normalised to the kind), every record
  // and the file name; folder name, path and index stay empty and 0.
  PatchFile* clone() const;

  // 0 sounds, 1 multis.
  int mKind = kSounds;
  // Sound banks 0 Blofeld, 1 microQ, 2 Q; multi banks 3, 4, 5.
  int mOriginCode = kOriginBlofeld;
  // Records in slot order.
  std::vector<LibrarianPatch> mRecords;
  // The file's name with its extension (the menus' title of the bank).
  std::string mFileName;
  // Name of the folder that holds the file.
  std::string mFolderName;
  // Folder names from the library root (its own name first) down to the file's folder.
  std::vector<std::string> mFolderPath;
  // 0 for a bank read from disk; category and search banks keep their number here.
  int mFolderIndex = 0;
};
