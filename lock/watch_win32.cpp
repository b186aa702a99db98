#include "lock/watch_win32.h"

#include <cstdint>
#include <string>

#include "lock/exit_status.h"
#include "lock/watcher.h"
#include "lock/window_system_win32.h"
#include "shared/forms_win32.h"

namespace corvel {

// The memory the lock and its watcher share. A process they start finds its own ID in it before
// it runs, which nothing typed on a command line can arrange.
struct WatchState {
  std::uint32_t magic;
  DWORD lock_pid;     // the lock watched, or the one being started
  DWORD watcher_pid;  // the watcher, or the one being started
  LONG in_force;      // the lock said it is in force
  LONG released;      // the lock said it released: one of its own ends
  ForceEnds force_ends;
};

namespace {

constexpr std::uint32_t kMagic = 0x43525631;
constexpr wchar_t kWatchArgument[] = L"/watch";
constexpr wchar_t kRelockArgument[] = L"/relock";
// Enough to wait for the process's end and read its exit status.
constexpr DWORD kPeerAccess = SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION;

// Reads `word` and a space from the start of `text`.
bool ReadWord(const wchar_t*& text, std::wstring_view word) {
  if (std::wstring_view(text).substr(0, word.size()) != word || text[word.size()] != L' ') {
    return false;
  }
  text += word.size() + 1;
  return true;
}

// Reads a handle's value, in decimal, and the space or the end after it.
bool ReadHandle(const wchar_t*& text, HANDLE& handle) {
  std::uintptr_t value = 0;
  const wchar_t* start = text;
  for (; *text >= L'0' && *text <= L'9' && text - start < 20; ++text) {
    value = value * 10 + static_cast<std::uintptr_t>(*text - L'0');
  }
  handle = reinterpret_cast<HANDLE>(value);
  if (text == start || (*text != L' ' && *text != L'\0')) return false;
  if (*text == L' ') ++text;
  return true;
}

// By hand: std::to_wstring brings the C library's formatting in, 27 KiB of a program held to 64.
std::wstring Decimal(std::uintptr_t value) {
  std::wstring digits;
  do {
    digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + value % 10));
    value /= 10;
  } while (value != 0);
  return digits;
}

// Starts Corvel.exe again, as `argument`, handing it the section and this process; the new
// process's ID goes to `expected_pid` before it runs. Returns its process, or nullptr.
HANDLE StartPeer(const wchar_t* argument, const Handover& own, DWORD WatchState::*expected_pid) {
  HANDLE self = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                       kPeerAccess, TRUE, 0)) {
    return nullptr;
  }
  const std::wstring program = pw::ProgramPath();
  std::wstring command = L"\"" + program + L"\" " + argument + L" " +
                         Decimal(reinterpret_cast<std::uintptr_t>(own.section)) + L" " +
                         Decimal(reinterpret_cast<std::uintptr_t>(self));
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  const BOOL started = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE,
                                      CREATE_SUSPENDED, nullptr, nullptr, &startup, &process);
  CloseHandle(self);
  if (!started) return nullptr;
  own.shared->*expected_pid = process.dwProcessId;
  ResumeThread(process.hThread);
  CloseHandle(process.hThread);
  return process.hProcess;
}

LockEnd EndOf(HANDLE lock, const WatchState& shared) {
  LockEnd end;
  end.released = shared.released != 0;
  end.was_in_force = shared.in_force != 0;
  end.program_present = GetFileAttributesW(pw::ProgramPath().c_str()) != INVALID_FILE_ATTRIBUTES;
  DWORD exit_code = 0;
  GetExitCodeProcess(lock, &exit_code);
  end.exit_code = exit_code;
  return end;
}

// The shared state of a plain start's lock, in a section that each watcher and lock that follows
// inherits; none when it cannot be made, and the lock holds all the same, without a watcher.
Handover Share() {
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  Handover shared;
  shared.section = CreateFileMappingW(INVALID_HANDLE_VALUE, &inherited, PAGE_READWRITE, 0,
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
  shared.shared->lock_pid = GetCurrentProcessId();
  return shared;
}

}  // namespace

Role TakeRole(const wchar_t* arguments, Handover& handover) {
  const wchar_t* text = arguments;
  const Role role = ReadWord(text, kWatchArgument)    ? Role::kWatcher
                    : ReadWord(text, kRelockArgument) ? Role::kRestartedLock
                                                      : Role::kLock;
  Handover handed;
  if (role == Role::kLock || !ReadHandle(text, handed.section) || !ReadHandle(text, handed.peer) ||
      *text != L'\0') {
    return Role::kLock;
  }
  // Handles that this process did not inherit are not closed: they may be others of its own.
  void* view =
      MapViewOfFile(handed.section, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(WatchState));
  if (view == nullptr) return Role::kLock;
  const auto* shared = static_cast<const WatchState*>(view);
  const DWORD self = GetCurrentProcessId();
  const DWORD peer = GetProcessId(handed.peer);
  const bool handed_to_me =
      shared->magic == kMagic && peer != 0 &&
      (role == Role::kWatcher ? shared->watcher_pid == self && shared->lock_pid == peer
                              : shared->lock_pid == self && shared->watcher_pid == peer);
  if (!handed_to_me) {
    UnmapViewOfFile(view);
    return Role::kLock;
  }
  // The other's process goes to no process that this one starts.
  SetHandleInformation(handed.peer, HANDLE_FLAG_INHERIT, 0);
  handed.shared = static_cast<WatchState*>(view);
  handover = handed;
  return role;
}

int RunWatcher(const Handover& handover) {
  WatchState& shared = *handover.shared;
  HANDLE lock = handover.peer;
  for (;;) {
    WaitForSingleObject(lock, INFINITE);
    const LockEnd end = EndOf(lock, shared);
    CloseHandle(lock);
    switch (AfterLockEnded(end, shared.force_ends, GetTickCount64())) {
      case WatcherAction::kEndQuietly:
        return kExitUnlocked;
      case WatcherAction::kStartNewLock:
        shared.in_force = 0;
        shared.released = 0;
        lock = StartPeer(kRelockArgument, handover, &WatchState::lock_pid);
        if (lock != nullptr) continue;
        break;
      case WatcherAction::kGiveBackAndLockSystem:
        break;
    }
    Win32WindowSystem windows;
    GiveBackAndLockSystem(windows);
    return kExitSystemLocked;
  }
}

void Win32Watch::InForce() {
  if (handover_.shared == nullptr) handover_ = Share();
  if (handover_.shared != nullptr) InterlockedExchange(&handover_.shared->in_force, 1);
}

void Win32Watch::StartWatcher() {
  if (handover_.shared != nullptr && handover_.shared->in_force != 0 &&
      handover_.shared->released == 0 && handover_.peer == nullptr) {
    handover_.peer = StartPeer(kWatchArgument, handover_, &WatchState::watcher_pid);
  }
}

void Win32Watch::Released() {
  if (handover_.shared != nullptr) InterlockedExchange(&handover_.shared->released, 1);
}

void Win32Watch::OnWatcherEnded() {
  CloseHandle(handover_.peer);
  handover_.peer = nullptr;
  StartWatcher();
}

}  // namespace corvel
