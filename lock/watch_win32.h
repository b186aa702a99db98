// The lock and its watcher over Win32. Both are Corvel.exe: the lock starts the watcher once it is
// in force, and the watcher starts a new lock when the lock's process ends without its release.
// Each waits on the other's process handle, with no timer. Neither is the other's child: each is
// started under a parent it borrows (watch_win32.cpp), so that ending one with its process tree
// leaves the other to bring it back. What they share is a section of memory that has no name and
// that no handle is inherited to: the process started is told on its command line which Corvel
// started it and the section's handle there, and takes a copy of that handle itself.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "lock/role.h"
#include "lock/watch.h"
#include "shared/forms_win32.h"

namespace corvel {

struct WatchState;

// What a watcher or a restarted lock was handed: the shared section and the other's process.
struct Handover {
  HANDLE section = nullptr;
  WatchState* shared = nullptr;
  HANDLE peer = nullptr;
};

// The role that the program's arguments (after its name) give it, with what they hand over; a
// plain start, with nothing taken, unless the shared section names this very process.
Role TakeRole(const wchar_t* arguments, Handover& handover);

// Keeps the running program's file from being renamed, replaced or deleted for as long as this
// process runs, so that a lock that comes back runs the program that locked.
void HoldProgramFile();

// The watcher's life: waits for the lock's process to end and brings the lock back as long as it
// can (watcher.h). Returns the watcher's exit status.
int RunWatcher(const Handover& handover);

// The lock's side: tells the watcher when the lock is in force and when it ends on its own, and
// keeps a watcher running while the lock holds, for the message loop to wait on.
class Win32Watch final : public Watch, public pw::LoopWait {
 public:
  // A restarted lock's handover, or an empty one for a plain start.
  explicit Win32Watch(const Handover& handover)
      : handover_(handover), restarted_(handover.shared != nullptr) {}
  Win32Watch(const Win32Watch&) = delete;
  Win32Watch& operator=(const Win32Watch&) = delete;

  void InForce(const std::wstring& password) override;
  void Released() override;
  bool Restarted() const override { return restarted_; }
  std::wstring HandedPassword() const override;

  // Starts the watcher of a lock in force unless one runs, once the lock's window is shown, so
  // that the lock's start does not wait for the watcher's. One that cannot be started, or ends as
  // soon as it starts, is tried again at a pace (watcher.h).
  void StartWatcher();
  // The watcher's process; while none runs, the time until the next try.
  HANDLE Handle() const override { return handover_.peer; }
  DWORD TimeoutMs() const override;
  void OnWake() override;

 private:
  Handover handover_;
  bool restarted_;
  std::uint64_t last_start_ms_ = 0;
};

}  // namespace corvel
