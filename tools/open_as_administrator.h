// How the test tools end or look into a Corvel process, as an administrator's tools would: a
// Corvel refuses the user's programs every right but waiting on it and reading its name, so the
// process's access list is rewritten first. Windows lets an administrator do so; Wine lets the
// owner, which makes this the administrator's stand-in there.
#pragma once

#include <windows.h>

inline HANDLE OpenAsAdministrator(DWORD pid) {
  if (HANDLE owner = OpenProcess(WRITE_DAC, FALSE, pid)) {
    SECURITY_DESCRIPTOR open;
    InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);  // no list at all: every right
    SetKernelObjectSecurity(owner, DACL_SECURITY_INFORMATION, &open);
    CloseHandle(owner);
  }
  return OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
}
