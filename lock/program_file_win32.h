// The program file that a lock runs from stays as it is while any Corvel of that lock runs, so
// that the watcher a lock starts is of the program that locked.
#pragma once

namespace corvel {

// Keeps the running program's file from being renamed, replaced or deleted for as long as this
// process runs.
void HoldProgramFile();

}  // namespace corvel
