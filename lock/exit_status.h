// How Corvel ended, as its exit status. Status 3 is a fatal failure's (shared/fatal_failure.cpp); a
// crash ends it with the exception's code (crash_win32.cpp).
#pragma once

namespace corvel {

enum ExitStatus : int {
  kExitUnlocked = 0,       // the password, the end of the session, or an empty stored password
  kExitNotLocked = 1,      // the password file cannot be used, or the lock window cannot be made
  kExitAlreadyLocked = 5,  // another Corvel runs: this one took nothing
  kExitSystemLocked = 6,   // a watcher whose lock could not come back: the system's lock took over
};

}  // namespace corvel
