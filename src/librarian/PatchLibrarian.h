// The librarian: the library scan, bank-file lists and menu trees, bank file reading, conversion, writing,
// category and search banks.
#pragma once

#include "FolderFiles.h"
#include "PatchFile.h"

#include <Poco/File.h>
#include <Poco/Path.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

class Korvid;

// One per plug-in instance, created and owned by the plug-in. Its operations run on the thread
// that scans the library (the host's thread at start-up, later the thread asking for a reload) or
// on the editor's UI thread; it holds no lock, so its callers must not overlap.
class PatchLibrarian
{
public:
  // Patch types and trees.
  static constexpr int kPatchTypeSounds = 0;
  static constexpr int kPatchTypeMultis = 1;
  static constexpr int kSoundTree = 0;
  static constexpr int kMultiTree = 1;
  static constexpr int kCategoryTree = 2;
  static constexpr int kSearchTree = 3;
  // Conversion selectors of the readers.
  static constexpr int kNoConversion = 0;
  static constexpr int kConvertFromQ = 1;
  static constexpr int kConvertFromMicroQ = 2;

  PatchLibrarian() = default;
  // Deletes the bank files of all four lists and the nodes of all four trees.
  ~PatchLibrarian();
  PatchLibrarian(const PatchLibrarian&) = delete;
  PatchLibrarian& operator=(const PatchLibrarian&) = delete;

  // --- Library state (set by the plug-in, the scan, the menus and the slot view) ---

  // Index of the upper pane's bank in the sound or multi list (by patch type).
  int mUpperBankIndex = 0;
  // Index of the lower pane's bank in the list that pane shows.
  int mLowerBankIndex = 0;
  // Working value of the scan: the number of banks an oversized file is split into.
  int mBankCounter = 0;
  // 0 sounds, 1 multis.
  int mPatchType = kPatchTypeSounds;
  // Selects the scan's conversion step; set together with the split flag.
  bool mConversionFlag = false;
  // True while the scan splits a file of more than 128 records; names the banks written.
  bool mSplitFlag = false;
  // Where each log line is composed; emptied before each line.
  std::ostringstream mLogText;
  // The plug-in, not owned; null in tests.
  Korvid* mOwner = nullptr;
  // Slots selected in the slot view's panes (0..127, -1 for none), as the view highlights them. Changed
  // only through LibrarianViewControl::selectSlot (or Korvid::selectLibrarianSlot), which moves the highlight
  // with them.
  int mSelectedUpperSlot = 0;
  int mSelectedLowerSlot = -1;
  // The slot the editor's part is on: the page switch writes the part's program number here.
  int mCurrentSlot = 0;
  // Full paths of the folders the last scan visited, in visiting order.
  std::vector<std::string> mFolderList;
  // Bank files: the sound and multi lists own theirs; category and search banks are the
  // librarian's too. Each list is in library order.
  std::vector<PatchFile*> mSoundBanks;
  std::vector<PatchFile*> mMultiBanks;
  std::vector<PatchFile*> mSearchBanks;
  std::vector<PatchFile*> mCategoryBanks;
  // Menu trees: top-level nodes owned by their tree.
  std::vector<FolderFiles*> mSoundTree;
  std::vector<FolderFiles*> mMultiTree;
  std::vector<FolderFiles*> mSearchTree;
  std::vector<FolderFiles*> mCategoryTree;

  // --- What the plug-in hands the librarian ---

  // The debug log: path and on/off flag, set by the plug-in after it opened the log.
  std::string mLogPath;
  bool mLoggingOn = false;
  // The plug-in's multi-mode flag, kept in step by the plug-in; chooses the sound or multi form
  // of the two save operations.
  bool mMultiMode = false;
  // Shows the save dialog: (proposed name, starting folder, extension "mid" or "kvd") -> the chosen
  // full path, or an empty text when cancelled. Set by the plug-in; unset, saving as is refused.
  std::function<std::string(const std::string&, const std::string&, const std::string&)> mPromptForFile;
  // The library folder and bank file names the plug-in shows; savePatchAs sets them after a write.
  std::string mCurrentFolderName;
  std::string mCurrentSoundBankName;
  std::string mCurrentMultiBankName;

  // --- Library scan ---

  // Bank files are read from this size on (bytes); larger than the maximum they are skipped and logged.
  static constexpr long long kMinimumBankFileSize = 30001;
  static constexpr long long kMaximumBankFileSize = 64LL << 20;
  // Folder beside the library root that takes the sources of split and converted files.
  static constexpr const char* kConvertedBanksFolderName = "Converted Banks";

  // Scans root (the library root, without a trailing separator) and every folder below it: reads
  // each bank file into the sound or multi list and tree, splits files of more than 128 records,
  // converts microQ and Q banks to ".kvd" files, and builds the category banks. A missing root
  // logs one line and changes nothing. Entries that vanish or cannot be read are logged and skipped.
  void loadPatchesFromFilesystem(std::string root);
  // Appends the full path of every folder below folder, at any depth, each after the folders
  // inside it; folder itself is not appended. A folder reached again through links is walked once.
  void buildFolderStructure(const std::string& folder, std::vector<std::string>* list);
  // Reads one accepted file (depth: folders between the root and the file; extension lower-cased)
  // and returns the bank to place in a folder tree, or null. folderIndex goes into the bank; the
  // other int is not used.
  PatchFile* parseFolderFiles(Poco::File file, Poco::Path path, int depth, int folderIndex, int,
                              std::string extension);
  // Deletes all bank files and trees, then scans root again.
  void initBankFilesOnDiscard(std::string root);
  // Reads the file at path whole into chunk; false when it cannot be opened or is larger than maxSize. A
  // file that shrinks meanwhile leaves what was read.
  static bool readWholeFile(const std::string& path, ByteChunk* chunk, long long maxSize);
  // Whether the scan lists a file named fileName that holds bytes and lies within the size limits: one it
  // reads by its extension (.syx, .kvd and .mid, in any case; .qxr and .mqr pass the scan's filter but are
  // not read) with at least one dump its reader takes, whatever comes before it. Any thread.
  static bool listsBankFile(const std::string& fileName, ByteChunk* bytes);

  // --- Menu trees ---

  // Deletes every node of one tree (0 sound, 1 multi, 2 category, 3 search) and empties it; any
  // other value does nothing. The bank files the nodes point to stay.
  void clearDataStructures(int tree);
  // Places a sound bank in the sound tree by its folder path (root files, first- and second-level
  // folders); the text is not used.
  void createSingleFolderFilesStructure(PatchFile* file, std::string);
  // The same for a multi bank in the multi tree.
  void createMultiFolderFilesStructure(PatchFile* file, std::string);

  // --- Category and search banks ---

  // Builds banks of up to 128 copies of the library's sounds per category text (13 categories),
  // appends those holding records to the category list and enters every one into the category tree.
  void createNewCategoryPatchFiles();
  // Replaces the search banks (and the search tree) by banks of up to 128 copies of the sounds
  // whose name contains text (case-sensitive; an empty text matches all). No match: none.
  void createNewSearchPatchFiles(std::string text);

  // --- Bank file reading ---

  // Reads the first size bytes of chunk (at most its length) into records of file: a Standard
  // MIDI File or raw sysex, told apart by the first 8 bytes. Dumps are rebuilt in Blofeld form,
  // microQ and Q sounds converted, and a bank of 1 to 127 records filled up to 128. What cannot be
  // read whole is skipped and summed up in the log. The last argument is not used.
  void loadFromChunk(ByteChunk* chunk, int size, PatchFile* file, int);
  // Takes the next dump of a raw sysex file from pos on; returns the new position (-1 at the end).
  // conversion: 0 none, 1 Q then microQ map, 2 microQ map (set by the model byte); slot becomes
  // byte 6 of the stored dump.
  int readSysexMessage(ByteChunk* chunk, int& pos, PatchFile* file, int conversion, int slot);
  // The same for a MIDI file, leaving pos on a closing F7.
  int readMIDIMessage(ByteChunk* chunk, int& pos, PatchFile* file, int conversion, int slot);
  // Reads forward from pos until a byte equal to value was read: true with pos behind it, false
  // with pos -1 at the end.
  static bool findByte(ByteChunk* chunk, int& pos, int value);
  // Turns the four-letter category text at bytes 386..389 into its code at 386 (0 when none
  // matches) and zeroes 387..389. A dump shorter than 390 bytes is left alone.
  static void alterCategoryFormatToInt(PatchSysexMessage* message);
  // Fills a bank of 1 to 127 sounds or multis up to 128 with numbered init sounds or init multis.
  static void checkBankSizeAndAddData(PatchFile* file);

  // --- microQ and Q conversion ---

  // Smallest stored dumps the maps accept: the whole dump of each synthesizer.
  static constexpr int kMicroQDumpSize = 392;
  static constexpr int kQDumpSize = 393;
  // Q sound to microQ layout in place: values renumbered, bytes from 252 on moved one down; the
  // result is 392 bytes ending in F7. Dumps shorter than kQDumpSize are left alone (false).
  static bool alterPatchFromQFormat(PatchSysexMessage* message);
  // microQ sound to Blofeld values in place; the result is 392 bytes ending in F7. Dumps shorter
  // than kMicroQDumpSize are left alone (false).
  static bool alterPatchFromMicroQFormat(PatchSysexMessage* message);

  // --- Bank file writing ---

  // Cuts the sounds (or multis) of source into the bank numbered bank (-1 is the first 128),
  // fills it to 128, adds it to its list and writes it beside sourcePath as raw sysex or MIDI
  // file. An existing file of that name is kept: the bank gets a free name instead.
  void createNewPatchFile(PatchFile* source, std::string folderName, std::string fileName,
                          std::string extension, std::string sourcePath, int folderIndex, int bank,
                          bool midiFile, bool multis);
  // Fills a bank holding at least one record up to 128 with init sounds or init multis (by the
  // command byte of its first dump).
  static void fillUncompletedBankFiles(PatchFile* file);
  // The upper pane's bank in the list of the patch type, or null.
  PatchFile* selectedBank() const;
  // What savePatchAs did: wrote the file, was cancelled, found the bank asked about no longer selected when
  // the answer came, or could not write (no bank selected, a failed write).
  enum class SaveAs
  {
    kWritten,
    kCancelled,
    kGone,
    kNotWritten
  };
  // Asks for a file through mPromptForFile and writes the selected bank there. The prompt gives the locks
  // back: the bank is found again by its file name and folder path, and nothing is written when another is
  // selected by then. writtenPath (may be null) receives the path written.
  SaveAs savePatchAs(const char* defaultName, std::string directory, bool midiFile,
                     std::string* writtenPath = nullptr);
  // Writes the selected bank over path (MIDI file when fileName ends in ".mid"); true when written.
  bool saveEditedPatch(std::string path, std::string fileName);
  // Appends the bytes of a bank file to out: each record's dumps in order, raw or as a two-track
  // MIDI file whose event and track lengths follow the real dump lengths.
  static void bankFileBytes(const PatchFile& bank, bool midiFile, bool multis, ByteChunk* out);

  // --- Library dump requests ---

  // What setSysexDatatoSelectedSlot did.
  enum class SlotStore
  {
    Stored,
    NoSlot, // the selected upper slot lies outside 0..127
    NoBank  // no bank of the record's kind is open in the upper pane
  };
  // Puts a copy of record (name, category and dumps, replacing the slot's) into the selected upper slot of
  // the bank open in the upper pane: the sound list's bank at mUpperBankIndex for patch type 0, the multi
  // list's for 1. The bank is first filled up with blank records, or cut, to 128. A record whose first
  // dump is not of the pane's kind, a missing bank or a slot outside 0..127 change nothing. Editor lock
  // held (the slot view draws from these banks).
  SlotStore setSysexDatatoSelectedSlot(const LibrarianPatch* record);

  // Writes "PATCH LIBRARIAN: " and text to the log while logging is on.
  void log(const std::string& text);
  // Writes text as it is to the log while logging is on.
  void logLine(const std::string& text);

private:
  // What a read skipped, summed up in one log line per file.
  struct ReadSkips
  {
    int mRejectedHeaders = 0;
    int mCutDumps = 0;
    int mShortDumps = 0;
  };

  // One reader step over the first size bytes.
  int readDump(const unsigned char* bytes, int size, int& pos, PatchFile* file, int conversion, int slot,
               bool stayOnEnd);
  PatchFile* selectedBankCopy() const;
  bool writeBank(const PatchFile& bank, const std::string& path, bool midiFile, bool multis);
  // Folder walk with the folders already visited (by device and inode) and the nesting depth.
  void walkFolders(const std::string& folder, std::vector<std::string>* list,
                   std::vector<std::pair<long long, long long>>& visited, int depth);
  // Deletes the files written since mWrittenPaths was last cleared (their source could not move).
  void removeWrittenFiles();
  // Moves a source into the converted-banks folder under a free name; false when it could not.
  bool moveToConvertedBanks(const std::string& path);
  // Writes a bank whose sounds were converted as ".kvd" beside its source; false when it could not.
  bool writeConvertedBank(PatchFile* bank, const std::string& sourcePath);
  // A copy of the source's first dump only, named and categorised again from its bytes.
  static LibrarianPatch derivedRecord(const LibrarianPatch& source);
  // Places file in one folder tree.
  static void placeInFolderTree(std::vector<FolderFiles*>& tree, PatchFile* file);
  // Deletes the bank files of all lists and empties them.
  void deleteAllBanks();

  ReadSkips mReadSkips;
  // The bytes of the file being read, kept from file to file during a scan (files of one size need no new
  // buffer) and let go when the scan ends.
  ByteChunk mReadBuffer;
  // The converted-banks folder of the current scan, with a trailing "/".
  std::string mConvertedBanksFolder;
  // Bank files that could not be written, counted so that a split keeps its source when one fails.
  int mWriteFailures = 0;
  // Bank files written for the file being split or converted, newest last.
  std::vector<std::string> mWrittenPaths;
  // Empty category banks, entered only in the category tree; owned here.
  std::vector<PatchFile*> mUnlistedCategoryBanks;
};

// Removes from text every occurrence of each character of the zero-terminated characters.
void removeCharsFromString(std::string& text, const char* characters);
