#include "lock/monitor_covers_win32.h"

#include "lock/window_place_win32.h"

namespace corvel {
namespace {

constexpr wchar_t kCoverClass[] = L"CorvelCover";
constexpr DWORD kCoverExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
constexpr UINT kPlaceFlags = SWP_NOACTIVATE | SWP_SHOWWINDOW;

struct Listing {
  std::vector<Monitor> monitors;
  bool complete = true;
};

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM listing) {
  auto& list = *reinterpret_cast<Listing*>(listing);
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) {
    list.complete = false;
    return FALSE;
  }
  const RECT& r = info.rcMonitor;
  list.monitors.push_back(
      {{r.left, r.top, r.right, r.bottom}, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
  return TRUE;
}

RECT MonitorOf(HWND cover) {
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  GetMonitorInfoW(MonitorFromWindow(cover, MONITOR_DEFAULTTONEAREST), &info);
  return info.rcMonitor;
}

// A cover's user data is the window to tell should it be destroyed or leave its monitor;
// DestroyCover clears it first.
void Report(HWND cover, UINT message) {
  if (auto report_to = reinterpret_cast<HWND>(GetWindowLongPtrW(cover, GWLP_USERDATA))) {
    PostMessageW(report_to, message, 0, 0);
  }
}

// Covers exist only while the lock holds, and only the lock removes or moves them.
LRESULT CALLBACK CoverProc(HWND cover, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CLOSE:
      Report(cover, kRefusedMessage);
      return 0;
    case WM_SYSCOMMAND:
      if (!FoldsAway(wparam)) break;
      Report(cover, kRefusedMessage);
      return 0;
    case WM_STYLECHANGING:  // such as one that lets clicks through to the window beneath
      if (KeepStyle(*reinterpret_cast<STYLESTRUCT*>(lparam))) Report(cover, kRefusedMessage);
      return 0;
    case WM_WINDOWPOSCHANGED:
      if (!InPlace(cover, MonitorOf(cover))) Report(cover, kPutBackMessage);
      break;
    case WM_DESTROY:
      Report(cover, kCoverLostMessage);
      return 0;
  }
  return DefWindowProcW(cover, message, wparam, lparam);
}

// A minimized cover is restored first: moving it alone would leave it minimized.
void Place(HWND cover, const PixelRect& rect) {
  if (IsIconic(cover)) ShowWindow(cover, SW_SHOWNOACTIVATE);
  SetWindowPos(cover, HWND_TOPMOST, rect.left, rect.top, rect.right - rect.left,
               rect.bottom - rect.top, kPlaceFlags);
}

}  // namespace

std::optional<std::vector<Monitor>> Win32MonitorCovers::Monitors() {
  Listing listing;
  if (!EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&listing)) ||
      !listing.complete) {
    return std::nullopt;
  }
  return listing.monitors;
}

// Registered on the first cover, so that a lock on one monitor registers nothing it does not use.
std::intptr_t Win32MonitorCovers::CreateCover(const PixelRect& rect) {
  if (!registered_) {
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = CoverProc;
    window_class.hInstance = instance_;
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    window_class.lpszClassName = kCoverClass;
    if (RegisterClassExW(&window_class) == 0) return 0;
    registered_ = true;
  }
  // Created hidden and disabled, then shown without activation: input on a cover goes nowhere.
  HWND cover = CreateWindowExW(kCoverExStyle, kCoverClass, L"", WS_POPUP | WS_DISABLED, rect.left,
                               rect.top, rect.right - rect.left, rect.bottom - rect.top, nullptr,
                               nullptr, instance_, nullptr);
  if (cover == nullptr) return 0;
  SetWindowLongPtrW(cover, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(report_to_));
  Place(cover, rect);
  return reinterpret_cast<std::intptr_t>(cover);
}

void Win32MonitorCovers::MoveCover(std::intptr_t cover, const PixelRect& rect) {
  Place(reinterpret_cast<HWND>(cover), rect);
}

void Win32MonitorCovers::DestroyCover(std::intptr_t cover) {
  SetWindowLongPtrW(reinterpret_cast<HWND>(cover), GWLP_USERDATA, 0);
  DestroyWindow(reinterpret_cast<HWND>(cover));
}

bool Win32MonitorCovers::Stands(std::intptr_t cover) {
  return IsWindow(reinterpret_cast<HWND>(cover)) != FALSE;
}

}  // namespace corvel
