// The window-system calls over user32, made exactly as the lock passes them.
#pragma once

#include "lock/window_system.h"

namespace corvel {

class Win32WindowSystem final : public WindowSystem {
 public:
  void SetWindowPos(std::intptr_t hwnd, std::intptr_t insert_after, int x, int y, int cx, int cy,
                    unsigned flags) override;
  void SetCursorPos(int x, int y) override;
  void ClipCursor(const PixelRect* rect) override;
  void SystemParametersInfoA(unsigned action, unsigned param, void* pv, unsigned win_ini) override;
  bool LockWorkStation() override;
};

}  // namespace corvel
