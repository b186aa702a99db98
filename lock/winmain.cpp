#include <windows.h>

#include <string>

#include "lock/exit_status.h"
#include "lock/layout.h"
#include "lock/main.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // One lock at a time, in the user's session: a Corvel that finds the mutex of another one ends
  // before it takes anything, leaving that lock as it is. The mutex goes with the program's end,
  // after its release. Should it not be made at all, locking is still better than not.
  CreateMutexW(nullptr, FALSE, corvel::layout::kOneLockMutex);
  if (GetLastError() == ERROR_ALREADY_EXISTS) return corvel::kExitAlreadyLocked;
  corvel::Main main(instance);
  std::wstring error;
  if (!main.Create(error)) {
    MessageBoxW(nullptr, error.c_str(), corvel::layout::kCaption,
                MB_ICONERROR | MB_TOPMOST | MB_SETFOREGROUND);
    return corvel::kExitNotLocked;
  }
  return main.Run();
}
