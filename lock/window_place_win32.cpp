#include "lock/window_place_win32.h"

namespace corvel {

bool FoldsAway(WPARAM command) {
  switch (command & 0xFFF0) {
    case SC_MINIMIZE:
    case SC_MAXIMIZE:
    case SC_RESTORE:
    case SC_MOVE:
    case SC_SIZE:
      return true;
  }
  return false;
}

bool KeepStyle(STYLESTRUCT& style) {
  if (style.styleNew == style.styleOld) return false;
  style.styleNew = style.styleOld;
  return true;
}

bool InPlace(HWND window, const RECT& place) {
  RECT rect;
  return IsWindowVisible(window) && !IsIconic(window) &&
         (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0 &&
         GetWindowRect(window, &rect) && EqualRect(&rect, &place);
}

}  // namespace corvel
