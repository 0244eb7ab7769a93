// Sends of one RtMidi output client, handed to a worker thread with a deadline.
#include "RtMidiOutputClient.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <iostream>
#include <mutex>
#include <stdexcept>
#include <vector>

#include <rtmidi/RtMidi.h>

// State shared with the worker: it outlives the client when the worker is stalled inside RtMidi.
struct RtMidiOutputClient::Shared
{
  std::unique_ptr<RtMidiOut> out;
  bool jack = false;
  std::mutex lock;
  std::condition_variable wake;
  std::condition_variable done;
  std::vector<unsigned char> job;
  bool hasJob = false;
  bool busy = false;
  bool stop = false;
  bool lastOk = false;
  uint64_t finished = 0;
  uint64_t submitted = 0;

  bool idle() const { return !hasJob && !busy; }
};

namespace
{
const std::chrono::milliseconds kDeadline{RtMidiOutputClient::kSendDeadlineMs};
} // namespace

RtMidiOutputClient::RtMidiOutputClient(std::unique_ptr<RtMidiOut> out, bool jack)
    : mShared(std::make_shared<Shared>())
{
  mShared->out = std::move(out);
  mShared->jack = jack;
  mWorker = std::thread(runWorker, mShared);
}

void RtMidiOutputClient::runWorker(std::shared_ptr<Shared> shared)
{
  std::vector<unsigned char> message;
  std::unique_lock<std::mutex> lock(shared->lock);
  for (;;)
  {
    shared->wake.wait(lock, [&] { return shared->hasJob || shared->stop; });
    if (!shared->hasJob)
      return;
    message.swap(shared->job);
    shared->hasJob = false;
    shared->busy = true;
    lock.unlock();
    bool ok = true;
    try
    {
      shared->out->sendMessage(message.data(), message.size());
    }
    catch (const RtMidiError& e)
    {
      std::cerr << "MIDI output: " << e.getMessage() << std::endl;
      ok = false;
    }
    lock.lock();
    shared->busy = false;
    shared->lastOk = ok;
    ++shared->finished;
    shared->done.notify_all();
  }
}

RtMidiOutputClient::~RtMidiOutputClient()
{
  bool idle;
  {
    std::unique_lock<std::mutex> lock(mShared->lock);
    mShared->stop = true;
    mShared->wake.notify_all();
    idle = mShared->done.wait_for(lock, kDeadline, [&] { return mShared->idle(); });
  }
  if (idle)
  {
    mWorker.join();
  }
  else
  {
    std::cerr << "MIDI output: a send is stalled; the client is left to close when it returns" << std::endl;
    mWorker.detach();
  }
}

unsigned int RtMidiOutputClient::portCount()
{
  return mShared->out->getPortCount();
}

std::string RtMidiOutputClient::portName(unsigned int index)
{
  return mShared->out->getPortName(index);
}

void RtMidiOutputClient::openPort(unsigned int index, const std::string& portName)
{
  std::unique_lock<std::mutex> lock(mShared->lock);
  if (!mShared->done.wait_for(lock, kDeadline, [&] { return mShared->idle(); }))
    throw std::runtime_error("the output is stalled in an earlier send");
  mShared->out->openPort(index, portName);
}

void RtMidiOutputClient::closePort()
{
  std::unique_lock<std::mutex> lock(mShared->lock);
  if (!mShared->done.wait_for(lock, kDeadline, [&] { return mShared->idle(); }))
  {
    std::cerr << "MIDI output: not closed, a send is stalled" << std::endl;
    return;
  }
  mShared->out->closePort();
}

bool RtMidiOutputClient::send(const unsigned char* data, size_t size)
{
  if (!data || size == 0 || size > kMaxMessageBytes)
    return false;
  std::unique_lock<std::mutex> lock(mShared->lock);
  if (!mShared->idle() || mShared->stop || !mShared->out->isPortOpen())
    return false;
  mShared->job.assign(data, data + size);
  mShared->hasJob = true;
  const uint64_t ticket = ++mShared->submitted;
  mShared->wake.notify_one();
  if (!mShared->done.wait_for(lock, kDeadline, [&] { return mShared->finished >= ticket; }))
    return false;
  return mShared->lastOk;
}
