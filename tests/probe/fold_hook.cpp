// fold_hook.dll: set by probe.exe's "fold" command on the thread of the window it watches, the
// system loads it into that window's process. After each change of the window's place there, it
// tells the probe's message-only window (titled "ProbeFold", the watched window in its user data)
// whether the window was left minimized, hidden, not maximized or off the screen, as it happens:
// the window system's events say none of this under Wine.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK FoldHook(int code, WPARAM wparam, LPARAM lparam) {
  const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lparam);
  HWND probe = code == HC_ACTION && sent->message == WM_WINDOWPOSCHANGED
                   ? FindWindowExW(HWND_MESSAGE, nullptr, nullptr, L"ProbeFold")
                   : nullptr;
  if (probe != nullptr &&
      sent->hwnd == reinterpret_cast<HWND>(GetWindowLongPtrW(probe, GWLP_USERDATA))) {
    RECT r{};
    GetWindowRect(sent->hwnd, &r);
    const bool full = r.left == 0 && r.top == 0 && r.right == GetSystemMetrics(SM_CXSCREEN) &&
                      r.bottom == GetSystemMetrics(SM_CYSCREEN);
    const WPARAM state = (IsIconic(sent->hwnd) ? 1 : 0) | (IsWindowVisible(sent->hwnd) ? 0 : 2) |
                         (IsZoomed(sent->hwnd) ? 0 : 4) | (full ? 0 : 8);
    if (state != 0) PostMessageW(probe, WM_APP, state, 0);
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}
