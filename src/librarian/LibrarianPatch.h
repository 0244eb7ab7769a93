// One library record: a sound or multi with its name, category text and stored sysex dumps.
#pragma once

#include "SysexMessageList.h"

#include <string>
#include <vector>

// A value type copied freely: a copy shares the dumps until either record changes them (SysexMessageList).
// Not shared between threads.
class LibrarianPatch
{
public:
  // Number of sound categories with a text (codes 0 to 12).
  static constexpr int kCategoryCount = 13;
  // Four-character category texts by code.
  static const char* const kCategoryTexts[kCategoryCount];
  // Offset of the category byte in a sound dump.
  static constexpr int kSoundCategoryOffset = 386;

  // Copies this record's name into target and appends copies of its dumps to target's dumps;
  // target's category and its own dumps stay.
  void clone(LibrarianPatch& target) const;

  // Appends the category text of the code at offset in the first dump to the category; a code
  // outside 0..12, a record without a dump or a dump not longer than offset adds nothing.
  void parseCategory(int offset);

  // The text of a category code, or nullptr for a code outside 0..12.
  static const char* categoryText(int code);

  std::string mName;
  std::string mCategory;
  SysexMessageList mMessages;
};
