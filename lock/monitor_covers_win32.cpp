#include "lock/monitor_covers_win32.h"

#include "shared/system_message_win32.h"

namespace corvel {
namespace {

constexpr wchar_t kCoverClass[] = L"CorvelCover";
constexpr DWORD kCoverExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
constexpr UINT kPlaceFlags = SWP_NOACTIVATE | SWP_SHOWWINDOW;

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info)) {
    const RECT& r = info.rcMonitor;
    reinterpret_cast<std::vector<Monitor>*>(list)->push_back(
        {{r.left, r.top, r.right, r.bottom}, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
  }
  return TRUE;
}

void Place(HWND cover, const PixelRect& rect) {
  SetWindowPos(cover, HWND_TOPMOST, rect.left, rect.top, rect.right - rect.left,
               rect.bottom - rect.top, kPlaceFlags);
}

}  // namespace

std::vector<Monitor> Win32MonitorCovers::Monitors() {
  std::vector<Monitor> monitors;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

// Registered on the first cover, so that a lock on one monitor registers nothing it does not use.
CoverMade Win32MonitorCovers::CreateCover(const PixelRect& rect) {
  if (!registered_) {
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = instance_;
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    window_class.lpszClassName = kCoverClass;
    if (RegisterClassExW(&window_class) == 0) return {0, pw::SystemMessage(GetLastError())};
    registered_ = true;
  }
  // Created hidden and disabled, then shown without activation: input on a cover goes nowhere.
  HWND cover = CreateWindowExW(kCoverExStyle, kCoverClass, L"", WS_POPUP | WS_DISABLED, rect.left,
                               rect.top, rect.right - rect.left, rect.bottom - rect.top, nullptr,
                               nullptr, instance_, nullptr);
  if (cover == nullptr) return {0, pw::SystemMessage(GetLastError())};
  Place(cover, rect);
  return {reinterpret_cast<std::intptr_t>(cover), {}};
}

void Win32MonitorCovers::MoveCover(std::intptr_t cover, const PixelRect& rect) {
  Place(reinterpret_cast<HWND>(cover), rect);
}

void Win32MonitorCovers::DestroyCover(std::intptr_t cover) {
  DestroyWindow(reinterpret_cast<HWND>(cover));
}

}  // namespace corvel
