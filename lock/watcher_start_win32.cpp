#include "lock/watcher_start_win32.h"

#include <cstdint>
#include <string>

#include "lock/process_guard_win32.h"
#include "lock/role.h"
#include "shared/forms_win32.h"

namespace corvel {
namespace {

std::uint32_t ValueOf(HANDLE handle) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle));
}

// Creates the program Corvel suspended, guarded, with only `handed` inherited, at the values they
// have in its parent: this process, or `parent` where one is given.
PROCESS_INFORMATION CreateCorvel(const std::wstring& program, std::wstring command, HANDLE parent,
                                 HANDLE (&handed)[2]) {
  Guard process(Guard::Kind::kProcess);
  Guard thread(Guard::Kind::kThread);
  alignas(8) unsigned char attributes[256];
  SIZE_T size = sizeof attributes;
  STARTUPINFOEXW startup = {};
  startup.StartupInfo.cb = sizeof startup;
  startup.lpAttributeList = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes);
  PROCESS_INFORMATION created = {};
  if (!InitializeProcThreadAttributeList(startup.lpAttributeList, parent != nullptr ? 2 : 1, 0,
                                         &size)) {
    return created;
  }
  const bool listed =
      UpdateProcThreadAttribute(startup.lpAttributeList, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                handed, sizeof handed, nullptr, nullptr) &&
      (parent == nullptr ||
       UpdateProcThreadAttribute(startup.lpAttributeList, 0, PROC_THREAD_ATTRIBUTE_PARENT_PROCESS,
                                 &parent, sizeof parent, nullptr, nullptr));
  if (listed &&
      !CreateProcessW(program.c_str(), command.data(), process.attributes(), thread.attributes(),
                      TRUE, CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                      &startup.StartupInfo, &created)) {
    created = {};
  }
  DeleteProcThreadAttributeList(startup.lpAttributeList);
  return created;
}

}  // namespace

HANDLE StartWatcherProcess(HANDLE section, HANDLE self, SharedState& shared) {
  HANDLE handed[2] = {section, self};
  const std::wstring program = pw::ProgramPath();
  const std::wstring quoted = L"\"" + program + L"\"";
  // The parent for a moment: it never runs, and it ends as soon as the watcher is created.
  const PROCESS_INFORMATION parent = CreateCorvel(program, quoted, nullptr, handed);
  const PROCESS_INFORMATION watcher = CreateCorvel(
      program, quoted + L" " + RoleArguments({Role::kWatcher, ValueOf(self), ValueOf(section)}),
      parent.hProcess, handed);
  if (parent.hProcess != nullptr) {
    TerminateProcess(parent.hProcess, 0);
    CloseHandle(parent.hThread);
    CloseHandle(parent.hProcess);
  }
  if (watcher.hProcess == nullptr) return nullptr;
  MarkWatcherStarting(shared, watcher.dwProcessId);
  ResumeThread(watcher.hThread);
  CloseHandle(watcher.hThread);
  return watcher.hProcess;
}

}  // namespace corvel
