// Starts Corvel.exe again as the watcher of the lock in force. No process's tree is to hold both:
// End process tree on any one process, the lock's starter, the shell or any ancestor, ends at
// most one of them, and the other brings the lock back. So the watcher descends from none of
// the lock's ancestors: it is created under a parent that ends at once, a suspended Corvel made
// for that moment alone, and no list of processes leads from anything that runs to it. It is
// guarded from its creation (process_guard_win32.h) and handed what it needs before it runs
// (handover_win32.h).
#pragma once

#include <windows.h>

#include "lock/shared_state.h"

namespace corvel {

// Starts the watcher of this lock, handing it the section and `self`, an inheritable handle of
// this process; notes it in `shared` before it runs. Returns its process, or nullptr.
HANDLE StartWatcherProcess(HANDLE section, HANDLE self, SharedState& shared);

}  // namespace corvel
