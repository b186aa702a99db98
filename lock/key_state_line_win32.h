// The key state line on the lock window: which of Caps Lock and kana lock are on, as the thread's
// key state has them, drawn below the panel in the window's foreground colour. It is kept up to
// date by events alone (the keys themselves and the window's activation), with no timer.
#pragma once

#include <windows.h>

#include <string_view>

#include "shared/forms.h"

namespace corvel {

class Win32KeyStateLine {
 public:
  Win32KeyStateLine(const pw::Screen& screen, COLORREF foreground)
      : screen_(screen), foreground_(foreground) {}
  void Attach(HWND window, HWND panel) {
    window_ = window;
    panel_ = panel;
  }
  // Reads the two toggle states and where the panel is; has repainted only what this changes.
  // For each key pressed or released in the window, as keyboards differ in which keys toggle
  // the two, and whenever the window becomes active or the panel moves.
  void Update();
  // Draws the line; call from WM_PAINT.
  void Paint(HDC dc) const;

 private:
  RECT Place() const;

  pw::Screen screen_;
  COLORREF foreground_;
  HWND window_ = nullptr;
  HWND panel_ = nullptr;
  std::wstring_view text_;
  RECT place_ = {};
};

}  // namespace corvel
