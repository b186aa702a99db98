// The lock and its watcher over Win32. Both are Corvel.exe: the lock starts the watcher once it is
// in force (watcher_start_win32.h), and the watcher, a lock in waiting, takes over when the
// lock's process ends without its release, and starts a watcher of its own. Each waits on the
// other's process handle, with no timer. What they share is a section of memory
// (shared_section_win32.h) that the watcher is handed at its creation (handover_win32.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "lock/handover_win32.h"
#include "lock/watch.h"
#include "lock/watcher.h"

namespace corvel {

// Both sides of the watching. A lock in force keeps a watcher running; a watcher waits on the
// lock's process and, once it has ended, finds out how (watcher.h) and becomes the lock in force
// itself when it takes over.
class Win32Watch final : public Watch {
 public:
  // A watcher's handover, or an empty one for a plain start.
  explicit Win32Watch(const Handover& handover) : handover_(handover) {}
  Win32Watch(const Win32Watch&) = delete;
  Win32Watch& operator=(const Win32Watch&) = delete;

  void InForce(const std::wstring& password) override;
  void Released() override;
  void Count(AwayKind kind) override;
  std::wstring HandedPassword() const override;
  std::intptr_t WatchedWindow() const override;
  // Main's window, beneath which the watcher of this lock lies.
  void Attach(HWND main) { main_ = main; }

  // A watcher's: whether the lock it was started by has released already, and the word that it
  // now waits beneath that lock.
  bool LockReleased() const { return corvel::Released(*handover_.shared); }
  void Waiting() { MarkWaiting(*handover_.shared); }
  // What the lock withstood, for its owner once unlocked; none when nothing was counted.
  std::optional<std::wstring> AwayText() const;

  // The other's process, for the message loop to wait on: the watcher's for a lock in force, the
  // lock's for a watcher; nullptr when none runs.
  HANDLE peer() const { return handover_.peer; }
  // Whether the other's process has ended; its handle is then closed.
  bool PeerEnded();
  // A watcher's view of how the lock it waited behind ended, and the record of force ends.
  LockEnd EndOfWatched() const;
  ForceEnds& force_ends() { return handover_.shared->force_ends; }

  // Starts the watcher of a lock in force unless one runs, once the lock's window is shown, so
  // that the lock's start does not wait for the watcher's. One that cannot be started, or ends
  // before it waits, is tried again at a pace (watcher.h).
  void StartWatcher();
  // While a lock in force has no watcher, the time until the next try; else INFINITE.
  DWORD TimeoutMs() const;

 private:
  // A lock in force that has no watcher running, which is to have one.
  bool WantsWatcher() const;

  Handover handover_;
  HANDLE self_ = nullptr;  // this process, for the watchers it starts to wait on
  HWND main_ = nullptr;
  WatcherPace pace_;
};

}  // namespace corvel
