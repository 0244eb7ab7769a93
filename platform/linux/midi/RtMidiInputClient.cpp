// Input of one RtMidi client, delivered to the handler only while the port is open.
#include "RtMidiInputClient.h"

#include <iostream>
#include <vector>

#include <rtmidi/RtMidi.h>

#include "DeadlineCall.h"
#include "RtMidiPortNames.h"

struct RtMidiInputClient::Shared
{
  std::mutex deliverLock;
  bool enabled = false;
  Handler handler;
  // Declared last: deleting it ends its input thread while the state above still lives.
  std::unique_ptr<RtMidiIn> in;

  ~Shared() { in.reset(); }
};

RtMidiInputClient::RtMidiInputClient(std::unique_ptr<RtMidiIn> in) : mShared(std::make_shared<Shared>())
{
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
  deadlinecall::release(std::move(mShared));
}

std::vector<std::string> RtMidiInputClient::portNames()
{
  return deadlinecall::ask<std::vector<std::string>>([shared = mShared]
                                                     { return rtMidiPortNames(*shared->in); });
}

void RtMidiInputClient::openPort(const std::string& name, const std::string& portName)
{
  deadlinecall::run(
      [shared = mShared, name, portName]
      {
        openRtMidiPortNamed(*shared->in, name, portName);
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
  }
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
  std::lock_guard<std::mutex> lock(shared->deliverLock);
  if (shared->enabled && shared->handler)
    shared->handler(deltaTime, message);
}
