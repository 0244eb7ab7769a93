// Follows a blocked thread's lock to its holder through /proc/self: the futex it waits on and glibc's mutex.
#include "EndedLockHolder.h"

#include <chrono>
#include <cstdint>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include <fcntl.h>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace
{
// glibc's pthread_mutex_t begins with the lock word, the recursion count and the holder's thread id; a
// thread that waits to lock it sleeps in FUTEX_WAIT on the lock word with the value 2 (locked, waited for).
struct MutexHead
{
  int lock;
  unsigned count;
  int holder;
};
constexpr unsigned long kLockedAndWaitedFor = 2;
// Links followed from a waiting thread to a holder that ended: far more than any real chain of locks.
constexpr int kMostLinks = 16;
constexpr std::chrono::milliseconds kSecondLookPause{10};

std::string taskPath(pid_t tid, const char* what)
{
  return "/proc/self/task/" + std::to_string(tid) + "/" + what;
}

bool threadExists(pid_t tid)
{
  return ::access(taskPath(tid, "").c_str(), F_OK) == 0;
}

// The address of the mutex thread tid sleeps to lock, read from its system call; none when it is not
// blocked so.
std::optional<uintptr_t> mutexWaitedFor(pid_t tid)
{
  std::ifstream file(taskPath(tid, "syscall"));
  std::string line;
  if (!std::getline(file, line))
    return std::nullopt;
  std::istringstream fields(line);
  long number = 0;
  uintptr_t address = 0;
  unsigned long operation = 0;
  unsigned long value = 0;
  if (!(fields >> number >> std::hex >> address >> operation >> value) || number != SYS_futex)
    return std::nullopt;
  if ((operation & FUTEX_CMD_MASK) != FUTEX_WAIT || value != kLockedAndWaitedFor)
    return std::nullopt;
  return address;
}

// The mutex's head, read through /proc/self/mem: an address that is not a mapped mutex fails the read
// instead of faulting.
std::optional<MutexHead> headAt(uintptr_t address)
{
  const int mem = ::open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
  if (mem < 0)
    return std::nullopt;
  MutexHead head{};
  const ssize_t got = ::pread(mem, &head, sizeof head, static_cast<off_t>(address));
  ::close(mem);
  if (got != static_cast<ssize_t>(sizeof head))
    return std::nullopt;
  return head;
}

// The holder of the mutex that thread tid waits to lock; none when it does not wait so or has no holder.
std::optional<pid_t> holderAwaited(pid_t tid, uintptr_t* address)
{
  const std::optional<uintptr_t> mutex = mutexWaitedFor(tid);
  if (!mutex)
    return std::nullopt;
  const std::optional<MutexHead> head = headAt(*mutex);
  if (!head || head->lock == 0 || head->holder <= 0)
    return std::nullopt;
  *address = *mutex;
  return head->holder;
}

bool chainEndsInAnEndedHolder(pid_t tid)
{
  std::set<pid_t> seen;
  for (int link = 0; link < kMostLinks; ++link)
  {
    seen.insert(tid);
    uintptr_t mutex = 0;
    const std::optional<pid_t> holder = holderAwaited(tid, &mutex);
    if (!holder)
      return false;
    if (seen.count(*holder) > 0)
      return true;
    if (!threadExists(*holder))
    {
      // A holder that ended after unlocking would have cleared the mutex's holder: read again, so that a
      // mutex handed on meanwhile is not taken for one left locked.
      uintptr_t again = 0;
      return holderAwaited(tid, &again) == holder && again == mutex;
    }
    tid = *holder;
  }
  return false;
}
} // namespace

namespace endedlockholder
{
bool waitsForEver(pid_t tid)
{
  // Seen twice: a chain read while its locks changed hands may show a ring that was never there.
  if (!chainEndsInAnEndedHolder(tid))
    return false;
  std::this_thread::sleep_for(kSecondLookPause);
  return chainEndsInAnEndedHolder(tid);
}
} // namespace endedlockholder
