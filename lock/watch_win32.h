// The lock and its watcher over Win32. Both are Corvel.exe: the lock starts the watcher once it is
// in force, and the watcher starts a new lock when the lock's process ends without its release.
// Each waits on the other's process handle, with no timer. What they share is a section of memory
// that has no name, so that no other program can open it: each hands it, with a handle to its
// own process, to the one it starts, which inherits both; the command line says which handles
// they are. Arguments that do not hand over a section made for the new process itself make a
// plain start, so nothing typed on a command line starts less than a plain lock.
#pragma once

#include <windows.h>

#include "lock/watch.h"

namespace corvel {

enum class Role {
  kLock,           // a plain start
  kWatcher,        // started by a lock in force, to watch it
  kRestartedLock,  // started by its watcher after the lock before it was ended by force
};

struct WatchState;

// What a watcher or a restarted lock was handed: the shared section and the other's process.
struct Handover {
  HANDLE section = nullptr;
  WatchState* shared = nullptr;
  HANDLE peer = nullptr;
};

// The role that the program's arguments (after its name) give it, with what they hand over; a
// plain start, with nothing taken, unless they hand over all of it.
Role TakeRole(const wchar_t* arguments, Handover& handover);

// The watcher's life: waits for the lock's process to end and brings the lock back as long as it
// can (watcher.h). Returns the watcher's exit status.
int RunWatcher(const Handover& handover);

// The lock's side: tells the watcher when the lock is in force and when it ends on its own, and
// starts another watcher should the one there is end while the lock holds.
class Win32Watch final : public Watch {
 public:
  // A restarted lock's handover, or an empty one for a plain start.
  explicit Win32Watch(const Handover& handover)
      : handover_(handover), restarted_(handover.shared != nullptr) {}
  Win32Watch(const Win32Watch&) = delete;
  Win32Watch& operator=(const Win32Watch&) = delete;

  void InForce() override;
  void Released() override;
  bool Restarted() const override { return restarted_; }

  // Starts the watcher of a lock in force, unless one runs: once the lock's window is shown,
  // so that the lock's start does not wait for the watcher's.
  void StartWatcher();
  // The watcher's process, for the message loop to wait on; nullptr when none runs.
  HANDLE watcher() const { return handover_.peer; }
  // The watcher's process has ended: while the lock holds, another is started.
  void OnWatcherEnded();

 private:
  Handover handover_;
  bool restarted_;
};

}  // namespace corvel
