#include "lock/watch_win32.h"

#include <tlhelp32.h>

#include "lock/watcher.h"
#include "shared/forms_win32.h"
#include "shared/password_rule.h"

namespace corvel {

// The memory the lock and its watcher share. A process they start finds its own ID in it before
// it runs, which nothing typed on a command line can arrange.
struct WatchState {
  std::uint32_t magic;
  DWORD lock_pid;        // the lock in force
  DWORD watcher_pid;     // its watcher, or the one being started
  std::uint32_t window;  // the lock's Main
  LONG in_force;         // the lock said it is in force
  LONG released;         // the lock said it released: one of its own ends
  ForceEnds force_ends;
  wchar_t password[pw::kMaxPasswordLength + 1];  // the one that locked, while it holds
};

namespace {

constexpr std::uint32_t kMagic = 0x43525633;
// Enough to wait for the starter's end and take a copy of the section's handle from it.
constexpr DWORD kStarterAccess = SYNCHRONIZE | PROCESS_DUP_HANDLE;

void Wipe(WatchState& shared) { SecureZeroMemory(shared.password, sizeof shared.password); }

// The parent of this process's own start, as the system's process list gives it; 0 if unknown.
DWORD OwnParentId() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  DWORD parent = 0;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && parent == 0;
       more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
  }
  CloseHandle(snapshot);
  return parent;
}

bool StartedBefore(HANDLE process, HANDLE other) {
  FILETIME started, other_started, unused;
  return GetProcessTimes(process, &started, &unused, &unused, &unused) &&
         GetProcessTimes(other, &other_started, &unused, &unused, &unused) &&
         CompareFileTime(&started, &other_started) <= 0;
}

DWORD ProcessOf(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process;
}

// The parent a Corvel starts another under, so that neither descends from the other: the parent
// of its own start, which every Corvel of one lock then shares, as long as it runs (started before
// this process, so that its ID was not taken over by a later one); else the shell's process, found
// by its window or, where no shell has named one, by the desktop's. nullptr when none can be
// opened: the new process is then this one's child.
HANDLE BorrowedParent() {
  constexpr DWORD kAccess = PROCESS_CREATE_PROCESS | PROCESS_QUERY_LIMITED_INFORMATION;
  if (HANDLE own = OpenProcess(kAccess, FALSE, OwnParentId())) {
    if (StartedBefore(own, GetCurrentProcess())) return own;
    CloseHandle(own);
  }
  for (HWND shell : {GetShellWindow(), GetDesktopWindow()}) {
    const DWORD process = ProcessOf(shell);
    if (HANDLE parent = process != 0 ? OpenProcess(kAccess, FALSE, process) : nullptr) {
      return parent;
    }
  }
  return nullptr;
}

// Starts Corvel.exe again as the watcher, under a borrowed parent, telling it this process and
// the section; the new process's ID goes to the section before it runs. Returns its process, or
// nullptr. No handle is inherited: the borrowed parent's would be, not this process's.
HANDLE StartWatcherProcess(const Handover& own) {
  const std::wstring program = pw::ProgramPath();
  std::wstring command =
      L"\"" + program + L"\" " +
      RoleArguments({Role::kWatcher, GetCurrentProcessId(),
                     static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(own.section))});
  STARTUPINFOEXW startup = {};
  startup.StartupInfo.cb = sizeof startup;
  alignas(8) unsigned char attributes[128];
  SIZE_T size = sizeof attributes;
  HANDLE parent = BorrowedParent();
  DWORD flags = CREATE_SUSPENDED;
  if (parent != nullptr) {
    startup.lpAttributeList = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes);
    if (InitializeProcThreadAttributeList(startup.lpAttributeList, 1, 0, &size) &&
        UpdateProcThreadAttribute(startup.lpAttributeList, 0, PROC_THREAD_ATTRIBUTE_PARENT_PROCESS,
                                  &parent, sizeof parent, nullptr, nullptr)) {
      flags |= EXTENDED_STARTUPINFO_PRESENT;
    }
  }
  PROCESS_INFORMATION process = {};
  const BOOL started = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE,
                                      flags, nullptr, nullptr, &startup.StartupInfo, &process);
  if ((flags & EXTENDED_STARTUPINFO_PRESENT) != 0) {
    DeleteProcThreadAttributeList(startup.lpAttributeList);
  }
  if (parent != nullptr) CloseHandle(parent);
  if (!started) return nullptr;
  own.shared->watcher_pid = process.dwProcessId;
  ResumeThread(process.hThread);
  CloseHandle(process.hThread);
  return process.hProcess;
}

// The shared state of a plain start's lock, in a section that each watcher that follows takes a
// copy of; none when it cannot be made, and the lock holds all the same, without a watcher.
Handover Share() {
  Handover shared;
  shared.section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(WatchState), nullptr);
  if (shared.section == nullptr) return {};
  void* view =
      MapViewOfFile(shared.section, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(WatchState));
  if (view == nullptr) {
    CloseHandle(shared.section);
    return {};
  }
  shared.shared = static_cast<WatchState*>(view);
  shared.shared->magic = kMagic;
  return shared;
}

bool HandedTo(const WatchState& shared, const RoleClaim& claim) {
  return shared.magic == kMagic && shared.watcher_pid == GetCurrentProcessId() &&
         shared.lock_pid == claim.starter;
}

}  // namespace

Role TakeRole(const wchar_t* arguments, Handover& handover) {
  const RoleClaim claim = ClaimedRole(arguments);
  if (claim.role == Role::kLock) return Role::kLock;
  Handover handed;
  handed.peer = OpenProcess(kStarterAccess, FALSE, claim.starter);
  if (handed.peer != nullptr &&
      DuplicateHandle(handed.peer, reinterpret_cast<HANDLE>(std::uintptr_t{claim.section}),
                      GetCurrentProcess(), &handed.section, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    void* view =
        MapViewOfFile(handed.section, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(WatchState));
    if (view != nullptr && HandedTo(*static_cast<const WatchState*>(view), claim)) {
      handed.shared = static_cast<WatchState*>(view);
      handover = handed;
      return claim.role;
    }
    if (view != nullptr) UnmapViewOfFile(view);
    CloseHandle(handed.section);
  }
  if (handed.peer != nullptr) CloseHandle(handed.peer);
  return Role::kLock;
}

void HoldProgramFile() {
  // Renaming or deleting needs a handle that shares deletion, writing one that shares writing:
  // this one shares neither. It is never closed: it goes with the process.
  CreateFileW(pw::ProgramPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
              nullptr);
}

void Win32Watch::InForce(const std::wstring& password) {
  if (handover_.shared == nullptr) handover_ = Share();
  WatchState* shared = handover_.shared;
  if (shared == nullptr) return;
  // A watcher that takes over is the lock now: the process it waited on has ended.
  if (handover_.peer != nullptr) CloseHandle(handover_.peer);
  handover_.peer = nullptr;
  if (waiting_) shared->force_ends.taken_over_ms = GetTickCount64();
  waiting_ = false;
  password.copy(shared->password, pw::kMaxPasswordLength);
  shared->lock_pid = GetCurrentProcessId();
  shared->window = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(main_));
  shared->released = 0;
  InterlockedExchange(&shared->in_force, 1);
}

void Win32Watch::Released() {
  if (handover_.shared == nullptr) return;
  Wipe(*handover_.shared);
  InterlockedExchange(&handover_.shared->released, 1);
}

std::wstring Win32Watch::HandedPassword() const {
  return handover_.shared != nullptr ? handover_.shared->password : L"";
}

std::intptr_t Win32Watch::WatchedWindow() const {
  auto* window = reinterpret_cast<HWND>(std::uintptr_t{handover_.shared->window});
  return IsWindow(window) ? reinterpret_cast<std::intptr_t>(window) : 0;
}

bool Win32Watch::PeerEnded() {
  if (handover_.peer == nullptr || WaitForSingleObject(handover_.peer, 0) != WAIT_OBJECT_0) {
    return false;
  }
  CloseHandle(handover_.peer);
  handover_.peer = nullptr;
  return true;
}

LockEnd Win32Watch::EndOfWatched() const {
  return {handover_.shared->released != 0, handover_.shared->in_force != 0};
}

ForceEnds& Win32Watch::force_ends() { return handover_.shared->force_ends; }

bool Win32Watch::WantsWatcher() const {
  return handover_.shared != nullptr && !waiting_ && handover_.shared->released == 0 &&
         handover_.peer == nullptr;
}

void Win32Watch::StartWatcher() {
  if (!WantsWatcher() || WaitBeforeStart(last_start_ms_, GetTickCount64()) != 0) return;
  last_start_ms_ = GetTickCount64();
  handover_.peer = StartWatcherProcess(handover_);
}

DWORD Win32Watch::TimeoutMs() const {
  return WantsWatcher() ? static_cast<DWORD>(WaitBeforeStart(last_start_ms_, GetTickCount64()))
                        : INFINITE;
}

}  // namespace corvel
