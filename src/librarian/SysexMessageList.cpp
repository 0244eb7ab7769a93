// The dumps of one library record, shared by the copies of the record until one of them changes them.
#include "SysexMessageList.h"

#include <stdexcept>

SysexMessageList::SysexMessageList(std::initializer_list<PatchSysexMessage> messages)
{
  if (messages.size() == 1)
    mOne = std::make_shared<PatchSysexMessage>(*messages.begin());
  else if (messages.size() > 1)
    mMany = std::make_shared<std::vector<PatchSysexMessage>>(messages);
}

SysexMessageList::SysexMessageList(const SysexMessageList& other) : mOne(other.mOne), mMany(other.mMany)
{
  other.mOwnsDumps.store(false, std::memory_order_relaxed);
  mOwnsDumps.store(false, std::memory_order_relaxed);
}

SysexMessageList& SysexMessageList::operator=(const SysexMessageList& other)
{
  if (this != &other)
  {
    mOne = other.mOne;
    mMany = other.mMany;
    other.mOwnsDumps.store(false, std::memory_order_relaxed);
    mOwnsDumps.store(false, std::memory_order_relaxed);
  }
  return *this;
}

SysexMessageList::SysexMessageList(SysexMessageList&& other) noexcept
    : mOne(std::move(other.mOne)), mMany(std::move(other.mMany)),
      mOwnsDumps(other.mOwnsDumps.load(std::memory_order_relaxed))
{
  other.mOwnsDumps.store(true, std::memory_order_relaxed);
}

SysexMessageList& SysexMessageList::operator=(SysexMessageList&& other) noexcept
{
  if (this != &other)
  {
    mOne = std::move(other.mOne);
    mMany = std::move(other.mMany);
    mOwnsDumps.store(other.mOwnsDumps.load(std::memory_order_relaxed), std::memory_order_relaxed);
    other.mOne.reset();
    other.mMany.reset();
    other.mOwnsDumps.store(true, std::memory_order_relaxed);
  }
  return *this;
}

SysexMessageList::SysexMessageList(PatchSysexMessage&& message)
    : mOne(std::make_shared<PatchSysexMessage>(std::move(message)))
{
}

const PatchSysexMessage& SysexMessageList::at(size_type i) const
{
  if (i >= size())
    throw std::out_of_range("SysexMessageList::at");
  return begin()[i];
}

PatchSysexMessage& SysexMessageList::at(size_type i)
{
  if (i >= size())
    throw std::out_of_range("SysexMessageList::at");
  return begin()[i];
}

SysexMessageList::iterator SysexMessageList::begin()
{
  if (mOne)
  {
    // Another copy may hold this dump: this list gets its own before anything can change it.
    if (!ownsDumps())
    {
      mOne = std::make_shared<PatchSysexMessage>(*mOne);
      mOwnsDumps.store(true, std::memory_order_relaxed);
    }
    return mOne.get();
  }
  return mMany ? many().data() : nullptr;
}

bool SysexMessageList::ownsDumps() const
{
  return mOwnsDumps.load(std::memory_order_relaxed);
}

std::vector<PatchSysexMessage>& SysexMessageList::many()
{
  if (mOne)
  {
    // The single dump moves into a vector: copied when another list shares it.
    auto messages = std::make_shared<std::vector<PatchSysexMessage>>();
    messages->reserve(2);
    if (!ownsDumps())
      messages->push_back(*mOne);
    else
      messages->push_back(std::move(*mOne));
    mOne.reset();
    mMany = std::move(messages);
  }
  else if (!mMany)
    mMany = std::make_shared<std::vector<PatchSysexMessage>>();
  else if (!ownsDumps())
    mMany = std::make_shared<std::vector<PatchSysexMessage>>(*mMany);
  mOwnsDumps.store(true, std::memory_order_relaxed);
  return *mMany;
}
