// The window services the programs' logic relies on: screen metrics, window geometry in twips,
// printing on a window, text boxes and message boxes. Declared without <windows.h>; each program's
// window implements them over Win32, and the tests over recording fakes.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

namespace pw {

// Every conversion from twips or other fractions to a whole number rounds to the nearest integer,
// exact halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
inline int RoundHalfEven(double value) {
  double rounded = std::round(value);  // halves away from zero
  if (std::fabs(value - std::trunc(value)) == 0.5) {
    rounded = 2.0 * std::round(value / 2.0);
  }
  return static_cast<int>(rounded);
}

// The primary screen, in twips (1/1440 inch), and how many twips make one pixel.
struct Screen {
  float width = 0;
  float height = 0;
  float twips_per_pixel_x = 15;
  float twips_per_pixel_y = 15;
};

// A control's design position and size in twips, relative to its container's client area.
struct TwipsRect {
  float left, top, width, height;
};

// A child window whose position the logic sets, in twips relative to its container's client area.
class Control {
 public:
  virtual ~Control() = default;
  virtual void SetLeft(float twips) = 0;
  virtual void SetTop(float twips) = 0;
};

// A top-level window. Geometry is in twips, single precision, of the window as it stands: outer
// Left, Top, Width, Height and client ScaleWidth, ScaleHeight.
class Form : public Control {
 public:
  virtual float Left() const = 0;
  virtual float Top() const = 0;
  virtual float Width() const = 0;
  virtual float Height() const = 0;
  virtual float ScaleWidth() const = 0;
  virtual float ScaleHeight() const = 0;
  virtual std::intptr_t hWnd() const = 0;
  // Closes the window; its unload handler runs before this returns.
  virtual void Unload() = 0;
  // Erases the printed lines and returns the print position to the client's top-left corner.
  virtual void Cls() = 0;
  // Draws one line at the print position in the foreground colour and moves down a line.
  // Printed lines stay until the next Cls, across repaints.
  virtual void Print(std::wstring_view line) = 0;
};

class TextBox {
 public:
  virtual ~TextBox() = default;
  virtual std::wstring Text() const = 0;
  virtual void SetText(std::wstring_view text) = 0;
};

// Message box styles, by the values the programs pass.
enum MsgBoxStyle : int {
  kMsgBoxCritical = 16,      // error icon, one OK button
  kMsgBoxInformation = 64,   // information icon, one OK button
  kMsgBoxInFront = 0x50000,  // added to either (MB_TOPMOST | MB_SETFOREGROUND): above every
                             // window, with the keyboard
};

class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  // Modal; returns when the user has dismissed the box.
  virtual void MsgBox(std::wstring_view prompt, int style, std::wstring_view title) = 0;
};

}  // namespace pw
