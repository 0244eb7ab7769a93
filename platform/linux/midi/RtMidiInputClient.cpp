// Input of one RtMidi client, delivered to the handler only while the port is open.
#include "RtMidiInputClient.h"

#include <iostream>
#include <stdexcept>

#include <rtmidi/RtMidi.h>

#include "DeadlineCall.h"
#include "JackServerWatch.h"
#include "RtMidiPortNames.h"

struct RtMidiInputClient::Shared
{
  std::mutex deliverLock;
  bool enabled = false;
  Handler handler;
  std::string clientName;
  // Closed after the RtMidi client.
  std::shared_ptr<JackServerWatch> watch;
  // Declared last: deleting it ends its input thread and JACK client while the state above still lives.
  std::unique_ptr<RtMidiIn> in;
};

RtMidiInputClient::RtMidiInputClient(std::unique_ptr<RtMidiIn> in, const std::string& clientName,
                                     std::shared_ptr<JackServerWatch> watch)
    : mShared(std::make_shared<Shared>())
{
  mShared->clientName = clientName;
  mShared->watch = std::move(watch);
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
  std::lock_guard<std::mutex> lock(shared->deliverLock);
  if (shared->enabled && shared->handler)
    shared->handler(deltaTime, message);
}
