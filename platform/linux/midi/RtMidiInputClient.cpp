// Input of one RtMidi client, delivered to the handler only while the port is open.
#include "RtMidiInputClient.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <iostream>
#include <stdexcept>
#include <thread>
#include <vector>

#include <jack/ringbuffer.h>
#include <rtmidi/RtMidi.h>
#include <semaphore.h>

#include "DeadlineCall.h"
#include "JackServerWatch.h"
#include "RtMidiPortNames.h"

namespace
{
// What the JACK process thread queues for the delivery thread.
constexpr size_t kDeliveryQueueBytes = 64 * 1024;
struct Queued
{
  // Of the port opening it arrived in: what a closed port left is not delivered.
  uint32_t generation;
  uint32_t length;
  double deltaTime;
};
} // namespace

struct RtMidiInputClient::Shared
{
  std::mutex deliverLock;
  bool enabled = false;
  Handler handler;
  std::string clientName;
  // Closed after the RtMidi client.
  std::shared_ptr<JackServerWatch> watch;
  // On JACK RtMidi calls back on the process thread, which must never wait: it only queues each message
  // (no lock, no allocation) and posts pending; the delivery thread hands it to the handler.
  jack_ringbuffer_t* ring = nullptr;
  sem_t pending{};
  std::atomic<bool> stopDelivery{false};
  std::atomic<uint32_t> generation{0};
  std::atomic<uint64_t> dropped{0};
  std::thread deliverer;
  // Declared last: deleting it ends its input thread and JACK client while the state above still lives.
  std::unique_ptr<RtMidiIn> in;

  ~Shared()
  {
    in.reset();
    if (ring)
    {
      jack_ringbuffer_free(ring);
      sem_destroy(&pending);
    }
  }

  // The process thread. A message the queue has no room for is dropped, counted for the delivery thread's
  // log.
  void queue(double deltaTime, const std::vector<unsigned char>& message)
  {
    const Queued header{generation.load(), static_cast<uint32_t>(message.size()), deltaTime};
    if (jack_ringbuffer_write_space(ring) < sizeof header + message.size())
    {
      ++dropped;
      return;
    }
    jack_ringbuffer_write(ring, reinterpret_cast<const char*>(&header), sizeof header);
    jack_ringbuffer_write(ring, reinterpret_cast<const char*>(message.data()), message.size());
    sem_post(&pending);
  }

  void deliverQueued()
  {
    std::vector<unsigned char> message;
    while (sem_wait(&pending) == 0 || errno == EINTR)
    {
      if (stopDelivery.load())
        return;
      Queued header{};
      if (jack_ringbuffer_read_space(ring) < sizeof header)
        continue;
      jack_ringbuffer_read(ring, reinterpret_cast<char*>(&header), sizeof header);
      message.resize(header.length);
      jack_ringbuffer_read(ring, reinterpret_cast<char*>(message.data()), header.length);
      if (const uint64_t lost = dropped.exchange(0))
        std::cerr << "MIDI input: dropped " << lost << " messages: the delivery queue was full" << std::endl;
      std::lock_guard<std::mutex> lock(deliverLock);
      if (enabled && handler && header.generation == generation.load())
        handler(header.deltaTime, &message);
    }
  }
};

RtMidiInputClient::RtMidiInputClient(std::unique_ptr<RtMidiIn> in, const std::string& clientName,
                                     std::shared_ptr<JackServerWatch> watch)
    : mShared(std::make_shared<Shared>())
{
  mShared->clientName = clientName;
  mShared->watch = std::move(watch);
  if (mShared->watch)
  {
    mShared->ring = jack_ringbuffer_create(kDeliveryQueueBytes);
    if (!mShared->ring)
      throw std::runtime_error("no memory for the MIDI input's queue");
    sem_init(&mShared->pending, 0, 0);
    mShared->deliverer = std::thread(&Shared::deliverQueued, mShared.get());
  }
  mShared->in = std::move(in);
  mShared->in->setCallback(&RtMidiInputClient::callback, mShared.get());
  mShared->in->ignoreTypes(false, true, true);
}

RtMidiInputClient::~RtMidiInputClient()
{
  try
  {
    closePort();
  }
  catch (const std::exception& e)
  {
    std::cerr << "MIDI input: " << e.what() << std::endl;
  }
  {
    std::lock_guard<std::mutex> lock(mShared->deliverLock);
    mShared->handler = nullptr;
  }
  if (mShared->deliverer.joinable())
  {
    mShared->stopDelivery = true;
    sem_post(&mShared->pending);
    mShared->deliverer.join();
  }
  if (serverGone())
    JackServerWatch::abandon(std::move(mShared));
  else
    deadlinecall::release(std::move(mShared));
}

bool RtMidiInputClient::serverGone() const
{
  return mShared->watch && mShared->watch->serverGone();
}

bool RtMidiInputClient::alive() const
{
  return !serverGone();
}

std::vector<std::string> RtMidiInputClient::portNames()
{
  if (mShared->watch)
    return deadlinecall::ask<std::vector<std::string>>([watch = mShared->watch]
                                                       { return watch->midiPorts(JackPortIsOutput); });
  return deadlinecall::ask<std::vector<std::string>>([shared = mShared]
                                                     { return rtMidiPortNames(*shared->in); });
}

void RtMidiInputClient::openPort(const std::string& name, const std::string& portName)
{
  if (serverGone())
    throw std::runtime_error("the JACK server went away");
  deadlinecall::run(
      [shared = mShared, name, portName]
      {
        openRtMidiPortNamed(*shared->in, name, portName);
        // A port that came and went within the open leaves the same name at the position read again.
        if (shared->watch && !shared->watch->connectedToClient(name, shared->clientName))
        {
          shared->in->closePort();
          throw std::runtime_error("\"" + name + "\" was not connected: the port list changed meanwhile");
        }
        shared->in->ignoreTypes(false, true, true);
      });
  std::lock_guard<std::mutex> lock(mShared->deliverLock);
  mShared->enabled = true;
}

void RtMidiInputClient::closePort()
{
  {
    std::lock_guard<std::mutex> lock(mShared->deliverLock);
    mShared->enabled = false;
    ++mShared->generation;
  }
  if (!serverGone())
    deadlinecall::run([shared = mShared] { shared->in->closePort(); });
}

void RtMidiInputClient::setHandler(Handler handler)
{
  std::lock_guard<std::mutex> lock(mShared->deliverLock);
  mShared->handler = std::move(handler);
}

void RtMidiInputClient::callback(double deltaTime, std::vector<unsigned char>* message, void* userData)
{
  auto* shared = static_cast<Shared*>(userData);
  if (shared->ring)
  {
    if (message)
      shared->queue(deltaTime, *message);
    return;
  }
  std::lock_guard<std::mutex> lock(shared->deliverLock);
  if (shared->enabled && shared->handler)
    shared->handler(deltaTime, message);
}
