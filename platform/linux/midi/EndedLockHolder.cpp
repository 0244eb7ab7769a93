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
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace
{
// A thread that waits to lock a glibc mutex sleeps in FUTEX_WAIT on its lock word with the value 2 (locked,
// waited for). Other locks sleep so too: stdio's keeps a pointer to its holder where the mutex keeps the id.
constexpr unsigned long kLockedAndWaitedFor = 2;
// Linux gives no thread an id above this (its limit of ids).
constexpr int kMostThreadId = 1 << 22;
// The mutex kind's type, protocol (robust, priority inheritance or protection) and process-shared bits;
// above them glibc keeps its elision flags. Only a plain type waits so, and only a mutex private to the
// process has a holder among its threads.
constexpr int kTypeProtocolShared = 0xff;
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

// The address of the lock word thread tid sleeps on as a mutex's waiter, read from its system call; none
// when it is not blocked so.
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

// The mutex at address, read through /proc/self/mem: an address that is not a mapped mutex fails the read
// instead of faulting.
std::optional<pthread_mutex_t> mutexAt(uintptr_t address)
{
  const int mem = ::open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
  if (mem < 0)
    return std::nullopt;
  pthread_mutex_t mutex{};
  const ssize_t got = ::pread(mem, &mutex, sizeof mutex, static_cast<off_t>(address));
  ::close(mem);
  if (got != static_cast<ssize_t>(sizeof mutex))
    return std::nullopt;
  return mutex;
}

// Whether mutex reads as a held glibc mutex of this process, whose holder field is a thread id: one user, a
// plain type, a count only when recursive. Another lock fails this: the halves of the pointer that names
// stdio's holder read as a user count in the thousands and mostly as an id beyond any thread's.
bool heldMutex(const pthread_mutex_t& mutex)
{
  const auto& data = mutex.__data;
  const int type = data.__kind & kTypeProtocolShared;
  return data.__lock != 0 && data.__owner > 0 && data.__owner <= kMostThreadId && data.__nusers == 1 &&
         type <= PTHREAD_MUTEX_ADAPTIVE_NP && (type == PTHREAD_MUTEX_RECURSIVE) == (data.__count > 0);
}

// The holder of the mutex that thread tid waits to lock; none when it does not wait so, has no holder or
// the lock is not such a mutex.
std::optional<pid_t> holderAwaited(pid_t tid, uintptr_t* address)
{
  const std::optional<uintptr_t> word = mutexWaitedFor(tid);
  if (!word)
    return std::nullopt;
  const std::optional<pthread_mutex_t> mutex = mutexAt(*word);
  if (!mutex || !heldMutex(*mutex))
    return std::nullopt;
  *address = *word;
  return mutex->__data.__owner;
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
