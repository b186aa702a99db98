// The lock and its watcher over Win32. Both are Corvel.exe: the lock starts the watcher once it is
// in force, and the watcher, a lock in waiting, takes over when the lock's process ends without
// its release, and starts a watcher of its own. Each waits on the other's process handle, with
// no timer. Neither is the other's child: each is started under a parent it borrows
// (watch_win32.cpp), so that ending one with its process tree leaves the other to bring it back.
// What they share is a section of memory that has no name and that no handle is inherited to: the
// process started is told on its command line which Corvel started it and the section's handle
// there, and takes a copy of that handle itself.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "lock/role.h"
#include "lock/watch.h"
#include "lock/watcher.h"

namespace corvel {

struct WatchState;

// What a watcher was handed: the shared section and the lock's process.
struct Handover {
  HANDLE section = nullptr;
  WatchState* shared = nullptr;
  HANDLE peer = nullptr;
};

// The role that the program's arguments (after its name) give it, with what they hand over; a
// plain start, with nothing taken, unless the shared section names this very process.
Role TakeRole(const wchar_t* arguments, Handover& handover);

// Keeps the running program's file from being renamed, replaced or deleted for as long as this
// process runs, so that the watcher that a lock starts is of the program that locked.
void HoldProgramFile();

// Both sides of the watching. A lock in force keeps a watcher running; a watcher waits on the
// lock's process and, once it has ended, finds out how (watcher.h) and becomes the lock in force
// itself when it takes over.
class Win32Watch final : public Watch {
 public:
  // A watcher's handover, or an empty one for a plain start.
  explicit Win32Watch(const Handover& handover)
      : handover_(handover), waiting_(handover.shared != nullptr) {}
  Win32Watch(const Win32Watch&) = delete;
  Win32Watch& operator=(const Win32Watch&) = delete;

  void InForce(const std::wstring& password) override;
  void Released() override;
  bool Waiting() const override { return waiting_; }
  std::wstring HandedPassword() const override;
  std::intptr_t WatchedWindow() const override;
  // Main's window, beneath which the watcher of this lock lies.
  void Attach(HWND main) { main_ = main; }

  // The other's process, for the message loop to wait on: the watcher's for a lock in force, the
  // lock's for a watcher; nullptr when none runs.
  HANDLE peer() const { return handover_.peer; }
  // Whether the other's process has ended; its handle is then closed.
  bool PeerEnded();
  // A watcher's view of how the lock it waited behind ended, and the record of force ends.
  LockEnd EndOfWatched() const;
  ForceEnds& force_ends();

  // Starts the watcher of a lock in force unless one runs, once the lock's window is shown, so
  // that the lock's start does not wait for the watcher's. One that cannot be started, or ends as
  // soon as it starts, is tried again at a pace (watcher.h).
  void StartWatcher();
  // While a lock in force has no watcher, the time until the next try; else INFINITE.
  DWORD TimeoutMs() const;

 private:
  // A lock in force that has no watcher running, which is to have one.
  bool WantsWatcher() const;

  Handover handover_;
  bool waiting_;
  HWND main_ = nullptr;
  std::uint64_t last_start_ms_ = 0;
};

}  // namespace corvel
