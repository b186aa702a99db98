#include "lock/watch_win32.h"

#include "lock/exit_status.h"
#include "lock/shared_section_win32.h"
#include "lock/watcher_start_win32.h"

namespace corvel {
namespace {

LocalTime Now() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return {now.wYear, static_cast<std::uint8_t>(now.wMonth), static_cast<std::uint8_t>(now.wDay),
          static_cast<std::uint8_t>(now.wHour), static_cast<std::uint8_t>(now.wMinute)};
}

}  // namespace

void Win32Watch::InForce(const std::wstring& password) {
  if (handover_.shared == nullptr) handover_.shared = MakeSharedSection(handover_.section);
  // Without a section the lock holds all the same, without a watcher.
  if (handover_.shared == nullptr) return;
  // A watcher that takes over is the lock now: the process it waited on has ended.
  if (handover_.peer != nullptr) CloseHandle(handover_.peer);
  handover_.peer = nullptr;
  // Handed to each watcher as it is created: the section, and this process to wait on.
  SetHandleInformation(handover_.section, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self_,
                  SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0);
  MarkInForce(*handover_.shared, GetCurrentProcessId(),
              static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(main_)), password);
}

void Win32Watch::Released() {
  if (handover_.shared == nullptr) return;
  MarkReleased(*handover_.shared);
  // Nothing is left to watch: the watcher ends at once, not once this process has ended, and
  // without the way out a process takes on its own, which would hold the desktop back.
  if (handover_.peer != nullptr) TerminateProcess(handover_.peer, kExitUnlocked);
}

void Win32Watch::Count(AwayKind kind) {
  if (handover_.shared != nullptr) CountAway(handover_.shared->away.*kind, Now());
}

std::optional<std::wstring> Win32Watch::AwayText() const {
  if (handover_.shared == nullptr) return std::nullopt;
  return AwayReport(handover_.shared->away, Now());
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
  return {corvel::Released(*handover_.shared), GetSystemMetrics(SM_SHUTTINGDOWN) != 0};
}

bool Win32Watch::WantsWatcher() const {
  return self_ != nullptr && !corvel::Released(*handover_.shared) && handover_.peer == nullptr;
}

void Win32Watch::StartWatcher() {
  if (self_ == nullptr) return;
  if (PeerEnded()) pace_.Ended(Waited(*handover_.shared));
  if (!WantsWatcher() || pace_.WaitMs(GetTickCount64()) != 0) return;
  handover_.peer = StartWatcherProcess(handover_.section, self_, *handover_.shared);
  pace_.Started(GetTickCount64(), handover_.peer != nullptr);
}

DWORD Win32Watch::TimeoutMs() const {
  return WantsWatcher() ? static_cast<DWORD>(pace_.WaitMs(GetTickCount64())) : INFINITE;
}

}  // namespace corvel
