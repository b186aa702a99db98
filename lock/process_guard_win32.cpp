#include "lock/process_guard_win32.h"

namespace corvel {

Guard::Guard(Kind kind) {
  // What the user's other programs may do: wait for the end, and read the name and times.
  const bool process = kind == Kind::kProcess;
  const DWORD others = SYNCHRONIZE | (process ? PROCESS_QUERY_LIMITED_INFORMATION
                                              : THREAD_QUERY_LIMITED_INFORMATION);
  SID everyone = {SID_REVISION, 1, SECURITY_WORLD_SID_AUTHORITY, {SECURITY_WORLD_RID}};
  // Without an entry of its own, the owner may always read and rewrite the list.
  SID owner = {
      SID_REVISION, 1, SECURITY_CREATOR_SID_AUTHORITY, {SECURITY_CREATOR_OWNER_RIGHTS_RID}};
  SID system = {SID_REVISION, 1, SECURITY_NT_AUTHORITY, {SECURITY_LOCAL_SYSTEM_RID}};
  auto* list = reinterpret_cast<ACL*>(acl_);
  InitializeAcl(list, sizeof acl_, ACL_REVISION);
  AddAccessAllowedAce(list, ACL_REVISION, others, &everyone);
  AddAccessAllowedAce(list, ACL_REVISION, others, &owner);
  AddAccessAllowedAce(list, ACL_REVISION, process ? PROCESS_ALL_ACCESS : THREAD_ALL_ACCESS,
                      &system);
  InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&descriptor_, TRUE, list, FALSE);
  attributes_ = {sizeof attributes_, &descriptor_, FALSE};
}

namespace {

// Where the system offers it (Windows 8 and later), no DLL that another program's global window
// hook or a legacy extension point names is loaded here: such a DLL could read the password.
void LoadNoOthersDlls() {
  using SetPolicy = BOOL(WINAPI*)(PROCESS_MITIGATION_POLICY, PVOID, SIZE_T);
  const auto set = reinterpret_cast<SetPolicy>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetProcessMitigationPolicy")));
  if (set == nullptr) return;
  PROCESS_MITIGATION_EXTENSION_POINT_DISABLE_POLICY policy = {};
  policy.DisableExtensionPoints = 1;
  set(ProcessExtensionPointDisablePolicy, &policy, sizeof policy);
}

}  // namespace

void GuardThisProcess() {
  LoadNoOthersDlls();
  Guard process(Guard::Kind::kProcess);
  Guard thread(Guard::Kind::kThread);
  SetKernelObjectSecurity(GetCurrentProcess(), DACL_SECURITY_INFORMATION, &process.descriptor_);
  SetKernelObjectSecurity(GetCurrentThread(), DACL_SECURITY_INFORMATION, &thread.descriptor_);
  DisableProcessWindowsGhosting();
}

}  // namespace corvel
