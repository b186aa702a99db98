// What the watcher, a lock in waiting, does when the lock's process has ended: the lock's own ends
// stop the watching; an end by force (the task manager, a crash) makes the watcher take over,
// unless the lock is ended too often, and then what the lock took is given back and the system's
// own lock takes over. Where that is refused (a policy can switch it off), the watcher takes over
// all the same, at a pace: a force end never leaves the desktop open while a lock can hold it.
#pragma once

#include <cstdint>

#include "lock/window_system.h"

namespace corvel {

// How the lock's process ended, as the watcher finds it. Its exit status cannot tell a force end
// from the lock's own end (the task manager ends a process with status 1, as an unusable password
// file does): only what the lock said before it ended can, and the system, which alone says
// whether the session is ending, when every process goes with it.
struct LockEnd {
  bool released = false;        // the lock said it released: one of its own ends
  bool session_ending = false;  // the system is ending the session
};

enum class WatcherAction {
  kEndQuietly,  // the lock ended on its own: nothing is left to watch
  kTakeOver,    // the lock was ended by force: the watcher comes into force in its place
  kLockSystem,  // it is not to come back: the system's own lock takes over
};

// A lock ended by force more than this many times within kForceEndWindowMs comes back at once no
// more: something ends it as fast as it comes, and the system's lock holds instead.
inline constexpr int kForceEndBound = 10;
inline constexpr std::uint64_t kForceEndWindowMs = 60'000;

// The times of the latest force ends, and of the last time a watcher took over, in milliseconds
// since the system started, 0 where there is none yet. Plain data: it lives where the lock and
// its watcher both see it, so that it outlives either of them.
struct ForceEnds {
  std::uint64_t times_ms[kForceEndBound] = {};
  std::uint64_t taken_over_ms = 0;
};

// Decides, and records the force end at now_ms when there is one.
WatcherAction AfterLockEnded(const LockEnd& end, ForceEnds& force_ends, std::uint64_t now_ms);

// A watcher started again because the one before could not be started or ended as soon as it
// started, or a lock that comes back because the system's lock was refused, comes at most once per
// kPaceMs: how long to wait before the next, given the last one (0 for none).
inline constexpr std::uint64_t kPaceMs = 1000;
std::uint64_t WaitBeforeStart(std::uint64_t last_start_ms, std::uint64_t now_ms);

// When a lock in force starts its next watcher: at once, unless the last start failed or the
// watcher it started ended before it waited; then a pace after that start.
class WatcherPace {
 public:
  void Started(std::uint64_t now_ms, bool started);
  // The watcher ended; whether it had come to wait beneath the lock.
  void Ended(bool waited);
  std::uint64_t WaitMs(std::uint64_t now_ms) const;

 private:
  std::uint64_t last_start_ms_ = 0;
  bool failed_ = false;
};

// Gives back what a lock that cannot release any more took (its topmost window went with its
// process) and calls the system's own lock; whether that lock took over.
bool GiveBackAndLockSystem(WindowSystem& windows);

// What the watcher does once the lock it waited behind has ended, the system's lock called on the
// way where the lock is not to come back: end, with its exit status, or take over after wait_ms,
// which is recorded as the time it took over.
struct WatcherStep {
  bool take_over = false;
  std::uint64_t wait_ms = 0;
  int exit_code = 0;
};
WatcherStep AfterWatchedLockEnded(const LockEnd& end, ForceEnds& force_ends, std::uint64_t now_ms,
                                  WindowSystem& windows);

}  // namespace corvel
