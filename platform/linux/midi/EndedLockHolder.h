// Tells a thread of this process that waits for ever: for a lock whose holder thread has ended.
#pragma once

#include <sys/types.h>

namespace endedlockholder
{
// True when thread tid (a thread id of this process, as gettid gives) is blocked locking a mutex whose holder
// thread has ended without unlocking it, or whose holder waits so, link by link (a ring of such waits
// counts too): that lock is never given back, so the thread never returns. libjack ends its client threads
// by cancelling them wherever they are, inside its own locks as well. Read from the kernel's view of the
// threads (/proc/self/task) and glibc's mutex layout; false whenever either cannot be read or a lock does
// not read as a held mutex private to the process (stdio's lock, say, whose holder is named otherwise). Any
// thread.
bool waitsForEver(pid_t tid);
} // namespace endedlockholder
