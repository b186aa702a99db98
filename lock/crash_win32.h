// A crash ends Corvel at once, with the exception's code as its exit status. Neither the system's
// error report nor a debugger may hold a crashed lock open, its windows hung on the screen where
// anyone could close them: its watcher is waiting for the process to end, to bring the lock back.
#pragma once

namespace corvel {

void EndAtOnceOnCrash();

}  // namespace corvel
