// An input client's delivery to its handler, stopped for certain by closing the port.
#include "InputDelivery.h"

#include <exception>
#include <iostream>

void InputDelivery::deliver(uint32_t tag, double deltaTime, std::vector<unsigned char>* message)
{
  std::lock_guard<std::mutex> guard(lock);
  if (open && handler && tag == generation.load())
    handler(deltaTime, message);
}

void InputDelivery::lose(uint64_t count, IMidiPorts::Input::Loss cause)
{
  std::lock_guard<std::mutex> guard(lock);
  if (lostHandler)
    lostHandler(count, cause);
}

void InputDelivery::setOpen(bool opened)
{
  std::lock_guard<std::mutex> guard(lock);
  open = opened;
  if (!opened)
    ++generation;
}

void InputDelivery::setHandler(IMidiPorts::Input::Handler h)
{
  std::lock_guard<std::mutex> guard(lock);
  handler = std::move(h);
}

void InputDelivery::setLostHandler(IMidiPorts::Input::LostHandler h)
{
  std::lock_guard<std::mutex> guard(lock);
  lostHandler = std::move(h);
}

void InputDelivery::end(IMidiPorts::Input& client)
{
  try
  {
    client.closePort();
  }
  catch (const std::exception& e)
  {
    std::cerr << "MIDI input: " << e.what() << std::endl;
  }
  setHandler(nullptr);
  setLostHandler(nullptr);
}
