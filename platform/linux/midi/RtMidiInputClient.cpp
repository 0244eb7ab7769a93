// Input of one RtMidi client, delivered to the handler only while the port is open.
#include "RtMidiInputClient.h"

#include <vector>

#include <rtmidi/RtMidi.h>

#include "DeadlineCall.h"
#include "InputDelivery.h"
#include "RtMidiPortNames.h"

struct RtMidiInputClient::Shared
{
  InputDelivery delivery;
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
  mShared->delivery.end(*this);
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
  mShared->delivery.setOpen(true);
}

void RtMidiInputClient::closePort()
{
  mShared->delivery.setOpen(false);
  deadlinecall::run([shared = mShared] { shared->in->closePort(); });
}

void RtMidiInputClient::setHandler(Handler handler)
{
  mShared->delivery.setHandler(std::move(handler));
}

void RtMidiInputClient::callback(double deltaTime, std::vector<unsigned char>* message, void* userData)
{
  InputDelivery& delivery = static_cast<Shared*>(userData)->delivery;
  delivery.deliver(delivery.generation.load(), deltaTime, message);
}
