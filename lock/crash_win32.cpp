#include "lock/crash_win32.h"

#include <windows.h>

namespace corvel {
namespace {

// Nothing more runs in a process that has crashed: whatever it would do may be what broke.
LONG WINAPI EndAtOnce(EXCEPTION_POINTERS* exception) {
  TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void EndAtOnceOnCrash() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(EndAtOnce);
}

}  // namespace corvel
