// What the watcher does when the lock's process has ended: the lock's own ends stop the watching;
// an end by force (the task manager, a crash) brings a new lock, unless the lock cannot come back,
// and then what the lock took is given back and the system's own lock takes over, so that a force
// end never leaves the desktop open.
#pragma once

#include <cstdint>

#include "lock/window_system.h"

namespace corvel {

// How the lock's process ended, as the watcher finds it. The exit status cannot tell a force end
// from the lock's own end (the task manager ends a process with status 1, as an unusable password
// file does): only what the lock said before it ended can.
struct LockEnd {
  bool released = false;  // the lock said it released: one of its own ends
  bool was_in_force = false;
  bool program_present = true;  // Corvel.exe is still there to start again
  std::uint32_t exit_code = 0;
};

enum class WatcherAction {
  kEndQuietly,             // the lock ended on its own: nothing is left to watch
  kStartNewLock,           // the lock was ended by force: it comes back
  kGiveBackAndLockSystem,  // it cannot come back: the system's own lock takes over
};

// A lock ended by force more than this many times within kForceEndWindowMs comes back no more:
// something ends it as fast as it starts, and the system's lock holds where it cannot.
inline constexpr int kForceEndBound = 10;
inline constexpr std::uint64_t kForceEndWindowMs = 60'000;

// The times of the latest force ends, in milliseconds since the system started, 0 where there is
// none yet. Plain data: it lives where the lock and its watcher both see it, so that it outlives
// either of them.
struct ForceEnds {
  std::uint64_t times_ms[kForceEndBound] = {};
};

// Decides, and records the force end at now_ms when there is one.
WatcherAction AfterLockEnded(const LockEnd& end, ForceEnds& force_ends, std::uint64_t now_ms);

// Gives back what a lock that cannot release any more took (its topmost window went with its
// process) and calls the system's own lock.
void GiveBackAndLockSystem(WindowSystem& windows);

}  // namespace corvel
