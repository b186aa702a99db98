// What keeps the lock's windows in their place while it holds: the window commands that would fold
// one away, and whether one still stands where the lock put it.
#pragma once

#include <windows.h>

namespace corvel {

// Main or a cover left its place; posted to Main, which puts everything back.
inline constexpr UINT kPutBackMessage = WM_APP + 1;

// Whether a WM_SYSCOMMAND command would minimize, maximize, restore, move or size a window. The
// low four bits are the system's own (a move by the caption, by the keyboard).
bool FoldsAway(WPARAM command);

// Refuses a change of style, for WM_STYLECHANGING; whether there was one to refuse.
bool KeepStyle(STYLESTRUCT& style);

// Whether window is in view, not minimized, topmost and exactly over place.
bool InPlace(HWND window, const RECT& place);

}  // namespace corvel
