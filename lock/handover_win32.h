// What a watcher is handed as it is created: the handle of the section it shares with the lock in
// force, and a handle of that lock's process to wait on. Both are in the new process before it
// runs, at the values they have in its starter, which the command line names (role.h): nothing
// the watcher does later depends on its starter still running, and no process opens another.
#pragma once

#include <windows.h>

#include "lock/role.h"
#include "lock/shared_state.h"

namespace corvel {

struct Handover {
  HANDLE section = nullptr;
  SharedState* shared = nullptr;
  HANDLE peer = nullptr;  // the other Corvel's process, when there is one
};

// The role that the program's arguments (after its name) give it, with what they hand over: the
// watcher's only when the section handed names this very process as the watcher of the lock whose
// process is handed; else a plain start's, with nothing taken.
Role TakeRole(const wchar_t* arguments, Handover& handover);

}  // namespace corvel
