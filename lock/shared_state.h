// What a lock in force and its watcher share: memory that the lock makes and that only the
// Corvel processes it starts are handed, so that the password that locked, the record of force
// ends and the lock's word on how it ended outlive either process. Each field has one writer at a
// time, and the functions below are the only writes: the lock in force writes what it is and how
// it ends, the watcher that it starts says when it waits, and a watcher that takes over becomes
// the lock in force and writer of the lock's fields.
#pragma once

#include <cstdint>
#include <string_view>

#include "lock/away_record.h"
#include "lock/watcher.h"
#include "shared/password_rule.h"

namespace corvel {

struct SharedState {
  std::uint32_t magic = 0;
  std::uint32_t lock_pid = 0;     // the lock in force: whenever it comes into force
  std::uint32_t watcher_pid = 0;  // the lock in force: before the watcher it starts runs
  std::uint32_t window = 0;       // the lock in force: its Main, whenever it comes into force
  std::int32_t waiting = 0;       // the watcher: 1 once it waits; the lock: 0 as it starts one
  std::int32_t released = 0;      // the lock in force: 1 once all it took is given back
  ForceEnds force_ends;           // the watcher, as it decides to take over
  AwayRecord away;                // the lock in force: what it withstood, kept through takeovers
  wchar_t password[pw::kMaxPasswordLength + 1] = {};  // the lock in force: while it holds
};

// The lock's new memory, zeroed by the system, made recognisable.
void Initialize(SharedState& state);

// The lock in force, a plain start's or a watcher's that took over, with its password.
void MarkInForce(SharedState& state, std::uint32_t lock_pid, std::uint32_t window,
                 std::wstring_view password);

// A watcher of pid is about to run: it has not waited yet.
void MarkWatcherStarting(SharedState& state, std::uint32_t watcher_pid);

// The watcher lies beneath the lock and waits for its end.
void MarkWaiting(SharedState& state);

// The lock has given back all it took: the password goes, and "released" tells the watcher that
// the lock ended on its own.
void MarkReleased(SharedState& state);

// Whether the memory was handed to the process own_pid by the lock in force, starter_pid.
bool HandedTo(const SharedState& state, std::uint32_t own_pid, std::uint32_t starter_pid);

bool Released(const SharedState& state);
bool Waited(const SharedState& state);

}  // namespace corvel
