// The window-system calls that make and undo a lock: stacking, pointer position and confinement,
// the two screen-saver settings, and the system's own lock. The lock logic passes the values the
// calls are made with; results are not examined, so a call that fails leaves that one setting as it
// was. The system's lock alone says whether it took over: where it did not, the desktop would be
// open.
#pragma once

#include <cstdint>

namespace corvel {

// A rectangle of screen pixels in the order of a Win32 RECT.
struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const PixelRect&) const = default;
};

// The values the lock passes, by their Win32 names.
inline constexpr std::intptr_t kHwndTopmost = -1;
inline constexpr std::intptr_t kHwndNoTopmost = -2;
inline constexpr unsigned kSwpNoSizeNoMoveShow = 67;  // SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW
inline constexpr unsigned kSwpNoActivate = 16;        // SWP_NOACTIVATE
inline constexpr unsigned kSwpNoActivateShow = 80;    // SWP_NOACTIVATE | SWP_SHOWWINDOW
inline constexpr unsigned kSwpRestack = 19;           // SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE
// SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW
inline constexpr unsigned kSwpHide = 151;
inline constexpr unsigned kSpiSetScreenSaveActive = 17;
inline constexpr unsigned kSpiSetScreenSaverRunning = 97;
inline constexpr unsigned kSpifUpdateAndSend = 3;  // SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE
inline constexpr unsigned kSpifSendChange = 2;     // SPIF_SENDWININICHANGE: this session only
inline constexpr unsigned kSpifNone = 0;
inline constexpr unsigned kAllBitsSet = 0xFFFFFFFF;  // the "on" flag: -1 as the UINT uiParam
inline constexpr int kCursorStartX = 75;
inline constexpr int kCursorStartY = 75;

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  virtual void SetWindowPos(std::intptr_t hwnd, std::intptr_t insert_after, int x, int y, int cx,
                            int cy, unsigned flags) = 0;
  virtual void SetCursorPos(int x, int y) = 0;
  // nullptr lifts the confinement.
  virtual void ClipCursor(const PixelRect* rect) = 0;
  virtual void SystemParametersInfoA(unsigned action, unsigned param, void* pv,
                                     unsigned win_ini) = 0;
  virtual bool LockWorkStation() = 0;
};

}  // namespace corvel
