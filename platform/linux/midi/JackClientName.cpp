// Names for this process's JACK clients that none of its clients had before, on any server.
#include "JackClientName.h"

#include <atomic>

#include <jack/jack.h>

namespace
{
// The room JACK needs to add "-01" to a taken name.
constexpr size_t kSuffixRoom = 3;

std::atomic<unsigned long> gNamesGiven{0};
} // namespace

std::string jackclientname::fresh(const std::string& base)
{
  const std::string number = " #" + std::to_string(++gNamesGiven);
  // jack_client_name_size counts the terminating NUL.
  const size_t limit = static_cast<size_t>(jack_client_name_size()) - 1 - kSuffixRoom;
  const size_t room = limit > number.size() ? limit - number.size() : 0;
  return base.substr(0, room) + number;
}
