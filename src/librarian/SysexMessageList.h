// The dumps of one library record, shared by the copies of the record until one of them changes them.
#pragma once

#include "PatchSysexMessage.h"

#include <atomic>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

// A list of dumps with the operations of a std::vector that records use. Copying a list shares its dumps
// (the category and search banks hold a copy of every sound of the library, and a copy of a bank goes to
// each transfer), so a copy costs no bytes; a list gets dumps of its own the first time it is changed or
// handed out for changing (every non-const access), so that a change never reaches another copy. Reading
// through a const list never copies. A reference or iterator taken through a non-const access belongs to
// this list only until the list is copied or changed again. As the records that hold it, a list is changed
// by one thread at a time; copies of it may live on other threads.
//
// Whether the dumps may be changed in place is a flag of the list, never the sharing count: dumps a list
// made itself and never gave to a copy are its own. Once copied, both lists copy before their next change
// (the other may have let go by then; one copy too many is cheap). The count of another thread's copies is
// thus never read to decide a write, which would need it to be read with acquire ordering.
//
// The one dump of a record (the usual case) is kept in a single allocation with its sharing count.
class SysexMessageList
{
public:
  using value_type = PatchSysexMessage;
  using size_type = std::size_t;
  using iterator = PatchSysexMessage*;
  using const_iterator = const PatchSysexMessage*;

  SysexMessageList() = default;
  // A copy shares the dumps: neither list changes them in place any more.
  SysexMessageList(const SysexMessageList& other);
  SysexMessageList& operator=(const SysexMessageList& other);
  SysexMessageList(SysexMessageList&& other) noexcept;
  SysexMessageList& operator=(SysexMessageList&& other) noexcept;
  ~SysexMessageList() = default;
  SysexMessageList(std::initializer_list<PatchSysexMessage> messages);
  // A list of the one dump, taken over.
  explicit SysexMessageList(PatchSysexMessage&& message);

  bool empty() const { return size() == 0; }
  size_type size() const { return mMany ? mMany->size() : (mOne ? 1 : 0); }

  const_iterator begin() const { return mMany ? mMany->data() : mOne.get(); }
  const_iterator end() const { return begin() + size(); }
  const_iterator cbegin() const { return begin(); }
  const_iterator cend() const { return end(); }
  const PatchSysexMessage& front() const { return *begin(); }
  const PatchSysexMessage& back() const { return *(end() - 1); }
  const PatchSysexMessage& operator[](size_type i) const { return begin()[i]; }
  // Throws std::out_of_range past the end, as std::vector::at.
  const PatchSysexMessage& at(size_type i) const;

  // The non-const accesses give the list dumps of its own first.
  iterator begin();
  iterator end() { return begin() + size(); }
  PatchSysexMessage& front() { return *begin(); }
  PatchSysexMessage& back() { return *(end() - 1); }
  PatchSysexMessage& operator[](size_type i) { return begin()[i]; }
  PatchSysexMessage& at(size_type i);

  // What is added may be one of this list's own dumps (as std::vector allows), which the change of storage in
  // many() can free: it is taken first.
  void push_back(const PatchSysexMessage& message)
  {
    PatchSysexMessage taken(message);
    many().push_back(std::move(taken));
  }
  void push_back(PatchSysexMessage&& message)
  {
    PatchSysexMessage taken(std::move(message));
    many().push_back(std::move(taken));
  }
  template <class... Args> PatchSysexMessage& emplace_back(Args&&... args)
  {
    PatchSysexMessage made(std::forward<Args>(args)...);
    return many().emplace_back(std::move(made));
  }
  // Inserts [first, last) before pos, a position in this list (taken before or after it got its own dumps);
  // the range may lie in this list.
  template <class InputIt> iterator insert(const_iterator pos, InputIt first, InputIt last)
  {
    const std::ptrdiff_t index = pos - static_cast<const SysexMessageList&>(*this).begin();
    std::vector<PatchSysexMessage> taken(first, last);
    std::vector<PatchSysexMessage>& messages = many();
    const auto at = messages.insert(messages.begin() + index, std::make_move_iterator(taken.begin()),
                                    std::make_move_iterator(taken.end()));
    return messages.data() + (at - messages.begin());
  }
  void resize(size_type count) { many().resize(count); }
  // Lets go of the dumps (shared or not): the list is empty.
  void clear()
  {
    mOne.reset();
    mMany.reset();
    mOwnsDumps = true;
  }

  // True when both lists hold the very same dumps (a copy not changed since).
  bool sharesDumpsWith(const SysexMessageList& other) const { return !empty() && begin() == other.begin(); }

private:
  bool ownsDumps() const;
  // The dumps as a vector of this list's own, made from the single dump or a shared vector if need be.
  std::vector<PatchSysexMessage>& many();

  // At most one of the two is set: one dump alone, or a vector of any number.
  std::shared_ptr<PatchSysexMessage> mOne;
  std::shared_ptr<std::vector<PatchSysexMessage>> mMany;
  // True while no other list was ever given these dumps: they may change in place. Atomic because copies
  // are made from a const list, which other threads may read (and copy) at once.
  mutable std::atomic<bool> mOwnsDumps{true};
};
