// Input of one RtMidi client, delivered to the handler only while the port is open.
#include "RtMidiInputClient.h"

#include <rtmidi/RtMidi.h>

RtMidiInputClient::RtMidiInputClient(std::unique_ptr<RtMidiIn> in) : mIn(std::move(in))
{
  mIn->setCallback(&RtMidiInputClient::callback, this);
  mIn->ignoreTypes(false, true, true);
}

RtMidiInputClient::~RtMidiInputClient()
{
  closePort();
  // Deleting the RtMidi client ends its input thread (and its JACK client) before this object goes.
  mIn.reset();
}

unsigned int RtMidiInputClient::portCount()
{
  return mIn->getPortCount();
}

std::string RtMidiInputClient::portName(unsigned int index)
{
  return mIn->getPortName(index);
}

void RtMidiInputClient::openPort(unsigned int index, const std::string& portName)
{
  mIn->openPort(index, portName);
  mIn->ignoreTypes(false, true, true);
  std::lock_guard<std::mutex> lock(mDeliverLock);
  mEnabled = true;
}

void RtMidiInputClient::closePort()
{
  {
    std::lock_guard<std::mutex> lock(mDeliverLock);
    mEnabled = false;
  }
  if (mIn)
    mIn->closePort();
}

void RtMidiInputClient::setHandler(Handler handler)
{
  std::lock_guard<std::mutex> lock(mDeliverLock);
  mHandler = std::move(handler);
}

void RtMidiInputClient::callback(double deltaTime, std::vector<unsigned char>* message, void* userData)
{
  auto* self = static_cast<RtMidiInputClient*>(userData);
  std::lock_guard<std::mutex> lock(self->mDeliverLock);
  if (self->mEnabled && self->mHandler)
    self->mHandler(deltaTime, message);
}
