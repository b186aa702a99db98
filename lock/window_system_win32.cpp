#include "lock/window_system_win32.h"

#include <windows.h>

namespace corvel {

void Win32WindowSystem::SetWindowPos(std::intptr_t hwnd, std::intptr_t insert_after, int x, int y,
                                     int cx, int cy, unsigned flags) {
  ::SetWindowPos(reinterpret_cast<HWND>(hwnd), reinterpret_cast<HWND>(insert_after), x, y, cx, cy,
                 flags);
}

void Win32WindowSystem::SetCursorPos(int x, int y) { ::SetCursorPos(x, y); }

void Win32WindowSystem::ClipCursor(const PixelRect* rect) {
  if (rect == nullptr) {
    ::ClipCursor(nullptr);
    return;
  }
  const RECT clip = {rect->left, rect->top, rect->right, rect->bottom};
  ::ClipCursor(&clip);
}

void Win32WindowSystem::SystemParametersInfoA(unsigned action, unsigned param, void* pv,
                                              unsigned win_ini) {
  ::SystemParametersInfoA(action, param, pv, win_ini);
}

bool Win32WindowSystem::LockWorkStation() { return ::LockWorkStation() != FALSE; }

}  // namespace corvel
