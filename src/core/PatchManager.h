// The multi, part, port and category names and the state snapshot that the host project keeps.
#pragma once

#include "Patch.h"

#include <mutex>
#include <string>
#include <vector>

class PatchManagerOwner;

// Keeps what the project must remember beyond the parameter values: 35 name slots and an opaque data
// block (the start-up snapshot of the state, or the block recalled from a project), written into and
// read from the state chunk as the name block:
//   offset 0 and 4: version words 00 00 00 01; offset 8: block length L, big-endian;
//   offset 12: L data bytes; then the 35 names, each a 32-bit little-endian length n and n bytes.
// Slots: 0 multi name (16 bytes); 1 + p sound name of part p (16); 17 MIDI-In and 18 MIDI-Out port
// name (32; a longer one follows its cut text after a NUL, whole, where readers that end a text at its
// first NUL do not see it); 19 + p category of part p (4). The plug-in owns one; the device workers hold a
// pointer. The host's thread (save, recall) and the device workers (names) may call it concurrently: the
// names and the data block are guarded by a lock of its own, and the owner is called outside that lock. Other
// code reaches the slots only through these operations.
class PatchManager : public Patch
{
public:
  static constexpr int kPartCount = 16;
  static constexpr int kMultiNameSlot = 0;
  static constexpr int kFirstPartNameSlot = 1;
  static constexpr int kMidiInPortSlot = 17;
  static constexpr int kMidiOutPortSlot = 18;
  static constexpr int kFirstCategorySlot = 19;

  // Widths of the slots in the name block, in bytes.
  static constexpr int kNameWidth = 16;
  static constexpr int kPortNameWidth = 32;
  // Longest whole port name kept beside the cut one: longer than any name JACK or ALSA gives.
  static constexpr int kWholePortNameWidth = 512;
  static constexpr int kCategoryWidth = 4;

  // Offsets in the name block.
  static constexpr int kFirstVersionOffset = 0;
  static constexpr int kSecondVersionOffset = 4;
  static constexpr int kDataLengthOffset = 8;
  static constexpr int kDataOffset = 12;

  // What setName stores for an empty text.
  static constexpr const char* kEmptyNameText = "Set Name";

  // owner: the plug-in, not owned; may be null (then nothing is marked dirty and init keeps no data).
  explicit PatchManager(PatchManagerOwner* owner);

  PatchManager(const PatchManager&) = delete;
  PatchManager& operator=(const PatchManager&) = delete;

  // Takes the start-up snapshot: the owner's state body without names becomes the data block.
  // Called once by the plug-in's constructor, after the default values are in place.
  void init();

  // Appends the name block to chunk (null: nothing).
  void saveAllToChunk(ByteChunk* chunk);

  // Reads a name block at pos into the data block and the 35 slots; returns the position after it,
  // or -1 when the chunk ends early (or pos is negative). Never reads outside the chunk: a length that
  // runs past its end (or is negative) gives an empty data block or empty names from there on and -1.
  // Slots 0 to 16 become exactly 16 characters and 19 to 34 exactly 4 (cut, or filled with NUL
  // characters); the port names (17, 18) stay as read, also when longer than their 32 bytes, and are
  // the whole names where the block keeps them.
  int loadAllFromChunk(ByteChunk* chunk, int pos);

  // The reading half of loadAllFromChunk: the data block into data and the 35 slots, fixed to their
  // widths, into names, leaving the manager alone. Same result and bounds as loadAllFromChunk.
  static int readNameBlock(const ByteChunk* chunk, int pos, ByteChunk* data, std::vector<std::string>* names);
  // Makes data the data block and names the 35 slots (a shorter list is filled with empty names, a
  // longer one cut), as read by readNameBlock.
  void replaceAll(ByteChunk data, std::vector<std::string> names);

  // Copies slot's text to out; slots 19 to 34 (categories) always give "INIT"; a slot outside 0..34
  // gives "".
  void getName(std::string* out, int slot);

  // Stores text in slot ("Set Name" when text is empty), then marks the owner's slot view dirty.
  // A slot outside 0..34 changes nothing.
  void setName(int slot, std::string text);

  // Appends one name as the block stores it: the text up to its first NUL, at most width bytes, as a
  // 32-bit little-endian count followed by those bytes.
  static void putStringToChunk(ByteChunk* chunk, std::string text, int width);

  // Whole part of kBankSelection and kPatchSelection, set by a recall; 0 at construction.
  int mBankSelection = 0;
  int mPatchSelection = 0;

private:
  static int slotWidth(int slot);
  static int fixedReadLength(int slot);

  PatchManagerOwner* mOwner;
  std::mutex mLock;
};
