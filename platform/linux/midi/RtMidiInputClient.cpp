// Input of one RtMidi client, delivered to the handler only while the port is open.
#include "RtMidiInputClient.h"

#include <atomic>
#include <cstdint>
#include <iostream>
#include <stdexcept>
#include <vector>

#include <rtmidi/RtMidi.h>

#include "DeadlineCall.h"
#include "JackServerWatch.h"
#include "MidiInputQueue.h"
#include "RtMidiPortNames.h"

struct RtMidiInputClient::Shared
{
  std::mutex deliverLock;
  bool enabled = false;
  Handler handler;
  LostHandler lostHandler;
  std::string clientName;
  // Closed after the RtMidi client.
  std::shared_ptr<JackServerWatch> watch;
  // On JACK RtMidi calls back on the process thread, which must never wait: it only queues each message,
  // and the queue's thread hands it to the handler. Tagged with the port opening it arrived in: what a
  // closed port left is not delivered.
  std::unique_ptr<MidiInputQueue> queue;
  std::atomic<uint32_t> generation{0};
  // Declared last: deleting it ends its input thread and JACK client while the state above still lives.
  std::unique_ptr<RtMidiIn> in;

  ~Shared() { in.reset(); }

  void deliver(uint32_t tag, double deltaTime, std::vector<unsigned char>& message)
  {
    std::lock_guard<std::mutex> lock(deliverLock);
    if (enabled && handler && tag == generation.load())
      handler(deltaTime, &message);
  }

  void lose(uint64_t count)
  {
    std::lock_guard<std::mutex> lock(deliverLock);
    if (lostHandler)
      lostHandler(count);
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
    Shared* shared = mShared.get();
    mShared->queue = std::make_unique<MidiInputQueue>(
        MidiInputQueue::kBytes,
        [shared](uint32_t tag, double deltaTime, std::vector<unsigned char>& message)
        { shared->deliver(tag, deltaTime, message); },
        [shared](uint64_t count) { shared->lose(count); });
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
    mShared->lostHandler = nullptr;
  }
  // The RtMidi client may still call back while a call given up on runs: its queue stays, without a reader.
  if (mShared->queue)
    mShared->queue->stop();
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

void RtMidiInputClient::setLostHandler(LostHandler handler)
{
  std::lock_guard<std::mutex> lock(mShared->deliverLock);
  mShared->lostHandler = std::move(handler);
}

void RtMidiInputClient::callback(double deltaTime, std::vector<unsigned char>* message, void* userData)
{
  auto* shared = static_cast<Shared*>(userData);
  if (shared->queue)
  {
    if (message)
      shared->queue->push(shared->generation.load(), deltaTime, message->data(), message->size());
    return;
  }
  std::lock_guard<std::mutex> lock(shared->deliverLock);
  if (shared->enabled && shared->handler)
    shared->handler(deltaTime, message);
}
