// The lock's side of its watcher: a second Corvel process, a lock in waiting that takes over at
// once should the lock be ended by force (watcher.h). The lock says when it is in force, with
// the password that locked, and when it ends on its own; a lock in waiting learns that password.
// The watching itself is the window system's business (watch_win32.h).
#pragma once

#include <cstdint>
#include <string>

#include "lock/away_record.h"

namespace corvel {

class Watch {
 public:
  virtual ~Watch() = default;
  // The lock is in force with `password`: from now on a watcher waits behind it, with the same
  // password, should it be ended by force.
  virtual void InForce(const std::wstring& password) = 0;
  // The lock has given back all it took and ends on its own: the watcher is to end too, at once.
  virtual void Released() = 0;
  // One more of what the lock in force withstood, kept with what it shares with its watcher so
  // that a takeover loses none of it, and never written to disk.
  virtual void Count(AwayKind kind) = 0;
  // A watcher's password: the one that locked, never read from the password file, which may
  // have changed or gone since.
  virtual std::wstring HandedPassword() const = 0;
  // A watcher's lock's window, which it lies beneath; 0 once it is gone.
  virtual std::intptr_t WatchedWindow() const = 0;
};

}  // namespace corvel
