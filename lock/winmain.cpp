#include <windows.h>

#include <string>

#include "lock/crash_win32.h"
#include "lock/exit_status.h"
#include "lock/layout.h"
#include "lock/main.h"
#include "lock/process_guard_win32.h"
#include "lock/program_file_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int) {
  corvel::GuardThisProcess();
  corvel::EndAtOnceOnCrash();
  // One lock at a time, in the user's session: a Corvel started while another lock or its
  // watcher runs ends before it takes anything, leaving that lock as it is. The watcher holds the
  // mutex too, so that it outlasts a lock ended by force, for the lock the watcher starts in its
  // place. Should it not be made at all, locking is still better than not.
  HANDLE one_lock = CreateMutexW(nullptr, FALSE, corvel::layout::kOneLockMutex);
  const bool another = GetLastError() == ERROR_ALREADY_EXISTS;
  corvel::Handover handover;
  const corvel::Role role = corvel::TakeRole(arguments, handover);
  if (role == corvel::Role::kLock && another) return corvel::kExitAlreadyLocked;
  corvel::HoldProgramFile();
  int status = corvel::kExitNotLocked;
  {
    corvel::Main main(instance, role, handover);
    std::wstring error;
    if (main.Create(error)) {
      status = main.Run();
      // Released: another lock may start while the box tells what this one withstood.
      if (one_lock != nullptr) CloseHandle(one_lock);
      main.TellWhatHappened();
    } else {
      MessageBoxW(nullptr, error.c_str(), corvel::layout::kCaption,
                  MB_ICONERROR | MB_TOPMOST | MB_SETFOREGROUND);
    }
  }
  // All is given back, the windows are out of view and the password wiped: the process's end takes
  // the windows with it, nothing the libraries would still do on the way out is of use, and the
  // desktop is back the sooner for it.
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
  return status;
}
