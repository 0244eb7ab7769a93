// Copies of a record's dump list share the dumps, yet a change to one copy never reaches another.
#include "SysexMessageList.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace
{
using Bytes = std::vector<unsigned char>;

PatchSysexMessage dump(unsigned char fill, size_t length = 8)
{
  PatchSysexMessage message;
  message.mData.assign(length, fill);
  return message;
}

// The bytes of every dump of the list, read through the const list (which never copies).
std::vector<Bytes> contents(const SysexMessageList& list)
{
  std::vector<Bytes> all;
  for (const PatchSysexMessage& message : list)
    all.push_back(message.mData);
  return all;
}

SysexMessageList listOf(int count)
{
  SysexMessageList list;
  if (count == 1)
    return SysexMessageList(dump(0x10));
  for (int i = 0; i < count; ++i)
    list.push_back(dump(static_cast<unsigned char>(0x10 + i)));
  return list;
}

struct Change
{
  std::string name;
  std::function<void(SysexMessageList&)> apply;
};

// Every way a record changes its dumps.
const std::vector<Change>& changes()
{
  static const std::vector<Change> all = {
      {"index", [](SysexMessageList& l) { l[0].mData[1] = 0x7F; }},
      {"front", [](SysexMessageList& l) { l.front().mData.push_back(0x01); }},
      {"back", [](SysexMessageList& l) { l.back().mData.clear(); }},
      {"at", [](SysexMessageList& l) { l.at(0).mData[0] = 0x55; }},
      {"iterator",
       [](SysexMessageList& l)
       {
         for (PatchSysexMessage& m : l)
           m.mData.assign(3, 0x33);
       }},
      {"push_back", [](SysexMessageList& l) { l.push_back(dump(0x44)); }},
      // Adding one of the list's own dumps while its storage changes (one dump becomes a vector).
      {"push_back of its own", [](SysexMessageList& l) { l.push_back(l.front()); }},
      {"emplace_back of its own", [](SysexMessageList& l) { l.emplace_back(l.back()); }},
      {"insert of its own", [](SysexMessageList& l) { l.insert(l.end(), l.begin(), l.end()); }},
      {"emplace_back",
       [](SysexMessageList& l) {
         l.emplace_back().mData = Bytes{0xF0, 0xF7};
       }},
      {"insert",
       [](SysexMessageList& l)
       {
         const std::vector<PatchSysexMessage> more = {dump(0x66), dump(0x67)};
         l.insert(l.begin(), more.begin(), more.end());
       }},
      {"resize", [](SysexMessageList& l) { l.resize(l.size() + 2); }},
      {"clear", [](SysexMessageList& l) { l.clear(); }},
  };
  return all;
}
} // namespace

TEST(SysexMessageListTest, AChangeToOneCopyNeverReachesAnother)
{
  // Copies made in each way a record is copied: construction, assignment, a copy of a copy, a copy that
  // was moved on afterwards.
  for (int count : {1, 3})
    for (const Change& change : changes())
      for (bool changeTheOriginal : {false, true})
      {
        SCOPED_TRACE(change.name + " of " + std::to_string(count) + " dumps, changing the " +
                     (changeTheOriginal ? "original" : "copies"));
        SysexMessageList original = listOf(count);
        SysexMessageList constructed(original);
        SysexMessageList assigned;
        assigned = original;
        SysexMessageList copyOfCopy(constructed);
        SysexMessageList movedCopy = SysexMessageList(original);
        const std::vector<Bytes> before = contents(original);
        ASSERT_TRUE(constructed.sharesDumpsWith(original)) << "a copy costs no bytes";
        ASSERT_TRUE(copyOfCopy.sharesDumpsWith(original));
        ASSERT_TRUE(movedCopy.sharesDumpsWith(original));

        std::vector<SysexMessageList*> copies = {&constructed, &assigned, &copyOfCopy, &movedCopy};
        if (changeTheOriginal)
        {
          change.apply(original);
          EXPECT_NE(contents(original), before) << "the change took place";
          for (SysexMessageList* copy : copies)
            EXPECT_EQ(contents(*copy), before);
        }
        else
        {
          for (size_t changed = 0; changed < copies.size(); ++changed)
          {
            change.apply(*copies[changed]);
            EXPECT_NE(contents(*copies[changed]), before) << "copy " << changed << ": the change took place";
            EXPECT_EQ(contents(original), before) << "copy " << changed << " changed the original";
            for (size_t other = changed + 1; other < copies.size(); ++other)
              EXPECT_EQ(contents(*copies[other]), before) << "copy " << changed << " reached " << other;
          }
        }
      }
}

TEST(SysexMessageListTest, ADumpChangedInPlaceAfterItsCopiesAreGoneReachesNoLaterCopy)
{
  // A list changed once owns its dumps again; the next copy shares them and is as safe from changes.
  SysexMessageList original = listOf(1);
  {
    SysexMessageList gone(original);
  }
  original[0].mData[0] = 0x01;
  const SysexMessageList later(original);
  ASSERT_TRUE(later.sharesDumpsWith(original));
  original[0].mData[0] = 0x02;
  EXPECT_EQ(later[0].mData[0], 0x01);
  EXPECT_EQ(original[0].mData[0], 0x02);
  EXPECT_FALSE(later.sharesDumpsWith(original));
}

TEST(SysexMessageListTest, AMovedListKeepsItsDumpsAndLeavesAnEmptyOneThatOwnsWhatItGetsNext)
{
  SysexMessageList source = listOf(3);
  const std::vector<Bytes> before = contents(source);
  SysexMessageList target(std::move(source));
  EXPECT_EQ(contents(target), before);
  EXPECT_TRUE(source.empty()); // NOLINT(bugprone-use-after-move): a moved-from list is empty and usable
  source.push_back(dump(0x20));
  EXPECT_EQ(contents(source), std::vector<Bytes>{dump(0x20).mData});
  EXPECT_EQ(contents(target), before);
}
