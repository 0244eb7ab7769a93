// Sends of one RtMidi output client, handed to a worker thread with a deadline.
#include "RtMidiOutputClient.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <iostream>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include <rtmidi/RtMidi.h>

#include "DeadlineCall.h"
#include "JackServerWatch.h"
#include "RtMidiPortNames.h"

// State shared with the worker: it outlives the client when the worker is stalled inside RtMidi.
struct RtMidiOutputClient::Shared
{
  // Declared first: closed after the RtMidi client.
  std::shared_ptr<JackServerWatch> watch;
  std::unique_ptr<RtMidiOut> out;
  // Held around every call into out: RtMidi's ALSA client writes one error string when a send or a list
  // call fails.
  std::timed_mutex rtMidiLock;
  std::mutex lock;
  std::condition_variable wake;
  std::condition_variable done;
  std::vector<unsigned char> job;
  bool hasJob = false;
  bool busy = false;
  // A send's caller gave up on it: nobody waits for the worker until it returns.
  bool sendStalled = false;
  // A port call was given up on and may still run: the client takes nothing more.
  bool callStalled = false;
  bool stop = false;
  bool lastOk = false;
  uint64_t finished = 0;
  uint64_t submitted = 0;

  bool idle() const { return !hasJob && !busy; }
};

namespace
{
const std::chrono::milliseconds kDeadline{RtMidiOutputClient::kSendDeadlineMs};
// A listing waits this long for a send in progress: less than the call's own deadline.
constexpr std::chrono::milliseconds kListWait{1000};

// RtMidi reports a message it could not take (its JACK ring buffer full, no connection) as a warning on
// standard error and returns as if it had sent it: the send collects it instead, to fail.
void keepSendError(RtMidiError::Type, const std::string& text, void* userData)
{
  *static_cast<std::string*>(userData) = text;
}
} // namespace

RtMidiOutputClient::RtMidiOutputClient(std::unique_ptr<RtMidiOut> out, std::shared_ptr<JackServerWatch> watch)
    : mShared(std::make_shared<Shared>())
{
  mShared->out = std::move(out);
  mShared->watch = std::move(watch);
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
    std::string error;
    {
      // The error callback and RtMidi's error text are the client's own: a list call on it waits.
      std::lock_guard<std::timed_mutex> rtMidi(shared->rtMidiLock);
      shared->out->setErrorCallback(keepSendError, &error);
      try
      {
        shared->out->sendMessage(message.data(), message.size());
      }
      catch (const RtMidiError& e)
      {
        error = e.getMessage();
      }
      shared->out->setErrorCallback(nullptr, nullptr);
    }
    const bool ok = error.empty();
    if (!ok)
      std::cerr << "MIDI output: not sent: " << error << std::endl;
    lock.lock();
    shared->busy = false;
    shared->sendStalled = false;
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
    idle = waitIdle(lock);
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
  if (serverGone())
    JackServerWatch::abandon(std::move(mShared));
  else
    // Deleting the RtMidi client closes its JACK client, which a stalled server never answers.
    deadlinecall::release(std::move(mShared));
}

bool RtMidiOutputClient::waitIdle(std::unique_lock<std::mutex>& lock)
{
  if (mShared->sendStalled || mShared->callStalled)
    return mShared->idle();
  return mShared->done.wait_for(lock, kDeadline, [&] { return mShared->idle(); });
}

bool RtMidiOutputClient::serverGone() const
{
  return mShared->watch && mShared->watch->serverGone();
}

void RtMidiOutputClient::portCall(const std::function<void(RtMidiOut&)>& call)
{
  if (serverGone())
    throw std::runtime_error("the JACK server went away");
  {
    std::unique_lock<std::mutex> lock(mShared->lock);
    if (!waitIdle(lock))
      throw std::runtime_error("the output is stalled in an earlier send");
    if (mShared->callStalled)
      throw IMidiPorts::Unanswered("the output client has not answered an earlier call");
    // Keeps the worker from sending while the call runs without the lock.
    mShared->busy = true;
  }
  try
  {
    deadlinecall::run(
        [shared = mShared, call]
        {
          std::lock_guard<std::timed_mutex> rtMidi(shared->rtMidiLock);
          call(*shared->out);
        });
  }
  catch (const IMidiPorts::Unanswered&)
  {
    finishPortCall(false);
    throw;
  }
  catch (...)
  {
    finishPortCall(true);
    throw;
  }
  finishPortCall(true);
}

void RtMidiOutputClient::finishPortCall(bool answered)
{
  std::lock_guard<std::mutex> lock(mShared->lock);
  // A call given up on keeps the client busy for good: the RtMidi client is not used beside it.
  if (!answered)
  {
    mShared->callStalled = true;
    return;
  }
  mShared->busy = false;
  mShared->done.notify_all();
}

// Listing touches neither the port nor the send buffer, so it runs beside the send path: a watch or a menu
// listing the ports never holds up a sender for longer than one send to the system takes.
template <class Result, class Call> Result RtMidiOutputClient::listCall(Call call)
{
  {
    std::lock_guard<std::mutex> lock(mShared->lock);
    if (mShared->callStalled)
      throw IMidiPorts::Unanswered("the output client has not answered an earlier call");
  }
  try
  {
    return deadlinecall::ask<Result>(
        [shared = mShared, call]
        {
          std::unique_lock<std::timed_mutex> rtMidi(shared->rtMidiLock, kListWait);
          if (!rtMidi)
            throw std::runtime_error("the output is busy in a send");
          return call(*shared->out);
        });
  }
  catch (const IMidiPorts::Unanswered&)
  {
    // The call given up on may still use the RtMidi client: nothing else does from now on.
    std::lock_guard<std::mutex> lock(mShared->lock);
    mShared->callStalled = true;
    throw;
  }
}

std::vector<std::string> RtMidiOutputClient::portNames()
{
  if (mShared->watch)
    return deadlinecall::ask<std::vector<std::string>>([watch = mShared->watch]
                                                       { return watch->midiPorts(JackPortIsInput); });
  return listCall<std::vector<std::string>>([](RtMidiOut& out) { return rtMidiPortNames(out); });
}

void RtMidiOutputClient::openPort(const std::string& name, const std::string& portName)
{
  portCall([name, portName](RtMidiOut& out) { openRtMidiPortNamed(out, name, portName); });
}

void RtMidiOutputClient::closePort()
{
  try
  {
    portCall([](RtMidiOut& out) { out.closePort(); });
  }
  catch (const IMidiPorts::Unanswered&)
  {
    throw;
  }
  catch (const std::exception& e)
  {
    std::cerr << "MIDI output: not closed: " << e.what() << std::endl;
  }
}

bool RtMidiOutputClient::send(const unsigned char* data, size_t size)
{
  if (!data || size == 0 || size > kMaxMessageBytes)
    return false;
  std::unique_lock<std::mutex> lock(mShared->lock);
  if (!mShared->idle() || mShared->stop || mShared->callStalled || serverGone() ||
      !mShared->out->isPortOpen())
    return false;
  mShared->job.assign(data, data + size);
  mShared->hasJob = true;
  const uint64_t ticket = ++mShared->submitted;
  mShared->wake.notify_one();
  // A send given up on may still leave later, in order.
  if (!mShared->done.wait_for(lock, kDeadline, [&] { return mShared->finished >= ticket; }))
  {
    mShared->sendStalled = true;
    return false;
  }
  return mShared->lastOk;
}
