// The lock's side of its watcher, a second Corvel process that brings the lock back should it be
// ended by force (watcher.h). The lock says when it is in force, with the password that locked,
// and when it ends on its own; the watching itself is the window system's business
// (watch_win32.h).
#pragma once

#include <string>

namespace corvel {

class Watch {
 public:
  virtual ~Watch() = default;
  // The lock is in force with `password`: from now on its watcher brings it back, with the same
  // password, should it be ended by force.
  virtual void InForce(const std::wstring& password) = 0;
  // The lock has given back all it took and ends on its own: the watcher is to end too.
  virtual void Released() = 0;
  // Whether this lock was started by its watcher after a force end. No one asked for it, so no
  // one may be there to answer a message: should it not come into force, it tells no one, and
  // the watcher calls the system's own lock instead.
  virtual bool Restarted() const = 0;
  // A restarted lock's password: the one that locked, handed over by the watcher, not read from
  // the password file, which may have changed or gone since.
  virtual std::wstring HandedPassword() const = 0;
};

}  // namespace corvel
