// The thread the bank-select and program-change sequences go out on.
#include "BankChangeThread.h"

#include "JoinStarted.h"

#include <chrono>

BankChangeThread::BankChangeThread(const std::string& name) : mThread(name) {}

BankChangeThread::~BankChangeThread()
{
  close();
  join();
}

uint64_t BankChangeThread::enqueue(int target, Sequence sequence)
{
  std::lock_guard<std::mutex> lock(mLock);
  if (mClosed)
  {
    return 0;
  }
  for (Entry& waiting : mQueue)
  {
    if (waiting.target == target)
    {
      waiting.sequence = std::move(sequence);
      return waiting.ticket;
    }
  }
  if (!mStarted)
  {
    try
    {
      mThread.start(*this);
    }
    catch (...)
    {
      return 0;
    }
    mStarted = true;
  }
  mQueue.push_back(Entry{target, ++mIssued, std::move(sequence)});
  mWake.notify_all();
  return mIssued;
}

uint64_t BankChangeThread::issued()
{
  std::lock_guard<std::mutex> lock(mLock);
  return mIssued;
}

bool BankChangeThread::waitDone(uint64_t ticket, int timeoutMs)
{
  std::unique_lock<std::mutex> lock(mLock);
  return mDone.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                        [this, ticket]() { return mFinished >= ticket || mClosed; }) &&
         mFinished >= ticket;
}

bool BankChangeThread::finished(uint64_t ticket)
{
  std::lock_guard<std::mutex> lock(mLock);
  return mFinished >= ticket || mClosed;
}

uint64_t BankChangeThread::current()
{
  std::lock_guard<std::mutex> lock(mLock);
  return mCurrent;
}

bool BankChangeThread::isCurrent() const
{
  return Poco::Thread::current() == &mThread;
}

void BankChangeThread::close()
{
  std::lock_guard<std::mutex> lock(mLock);
  mClosed = true;
  mQueue.clear();
  mWake.notify_all();
  mDone.notify_all();
}

void BankChangeThread::join()
{
  joinStarted(mThread, mLock, mStarted);
}

void BankChangeThread::run()
{
  std::unique_lock<std::mutex> lock(mLock);
  while (true)
  {
    mWake.wait(lock, [this]() { return mClosed || !mQueue.empty(); });
    if (mClosed)
    {
      return;
    }
    Entry entry = std::move(mQueue.front());
    mQueue.pop_front();
    mCurrent = entry.ticket;
    lock.unlock();
    try
    {
      entry.sequence();
    }
    catch (...)
    {
      // A failed send must not end the thread that every later bank change needs.
    }
    lock.lock();
    mFinished = entry.ticket;
    mDone.notify_all();
  }
}
