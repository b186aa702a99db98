// What a lock and its watcher share (shared_state.h) lives in a section of memory with no name:
// no process can open it, and only the Corvel processes a lock starts are handed its handle, at
// their creation.
#pragma once

#include <windows.h>

#include "lock/shared_state.h"

namespace corvel {

// A new section for a lock in force, mapped and initialized; nullptr, with no section, when none
// can be made.
SharedState* MakeSharedSection(HANDLE& section);

// The view of a section that was handed over; nullptr when it cannot be mapped.
SharedState* MapSharedSection(HANDLE section);

}  // namespace corvel
