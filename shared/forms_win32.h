// The Win32 side of the window services in forms.h, shared by both programs: the per-program
// window base, twips conversion, screen metrics, printing, text boxes, message boxes, the
// application folder and the message loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "shared/forms.h"

namespace pw {

// The primary screen as the system reports it: pixels times the twips per pixel of its DPI.
Screen QueryScreen();

// Twips across and down as whole pixels of the screen, rounded as everywhere else.
int ToPixelsX(const Screen& screen, float twips);
int ToPixelsY(const Screen& screen, float twips);

// The system's default font, which all the programs' text uses.
HFONT DefaultFont();

// The running program's file, with its folder.
std::wstring ProgramPath();

// The folder of the running program, without a trailing separator unless it is a drive's root.
std::wstring AppPath();

// Creates a child control at `rect` with the system's default GUI font.
HWND CreateControl(HWND parent, const wchar_t* window_class, const wchar_t* text, DWORD style,
                   DWORD ex_style, TwipsRect rect, const Screen& screen, int id);

// Beside its messages, a message loop can wait for one object, or for a while: before each wait
// it asks which object (nullptr for none) and how long at most (INFINITE for no bound), and it
// calls OnWake once the object is signaled or the time has run out. OnWake must see that the same
// object is not named again while it stays signaled.
class LoopWait {
 public:
  virtual HANDLE Handle() const = 0;
  virtual DWORD TimeoutMs() const = 0;
  virtual void OnWake() = 0;

 protected:
  ~LoopWait() = default;
};

// Runs the program's message loop until WM_QUIT and returns its exit code. Tab moves between the
// window's controls; Enter anywhere in `window` presses `default_button` without moving the focus.
// `on_key`, if given, hears of each key pressed or released in `window` before it is handled.
int RunMessageLoop(HWND window, HWND default_button, const std::function<void()>& on_key = nullptr,
                   LoopWait* wait = nullptr);

// Attaches the C++ object to its window at WM_NCCREATE (from lpCreateParams), sends every
// message to Derived::HandleMessage, and detaches at WM_NCDESTROY. One class per program. The
// window is destroyed by Destroy alone, never by the system's default for WM_CLOSE.
template <typename Derived>
class BaseWindow {
 public:
  HWND hwnd() const { return hwnd_; }

 protected:
  void Destroy() {
    destroying_ = true;
    DestroyWindow(hwnd_);
  }

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<Derived*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    // Anyone can post or send these: only Destroy makes them the window's end.
    if (self != nullptr && (message == WM_DESTROY || message == WM_NCDESTROY) &&
        !self->destroying_) {
      self->OnForgedEnd();
      return 0;
    }
    if (message == WM_NCCREATE) {
      self = static_cast<Derived*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
      self->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (self == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
    LRESULT result = self->HandleMessage(message, wparam, lparam);
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->hwnd_ = nullptr;
    }
    return result;
  }

  // A WM_DESTROY or WM_NCDESTROY that Destroy did not bring; Derived may hide this to hear of it.
  void OnForgedEnd() {}

  HWND hwnd_ = nullptr;

 private:
  bool destroying_ = false;
};

// As a dialog does: the control that has the focus when its window is deactivated gets it back
// when the window is activated again, after another window came forward or a message box closed.
class FocusMemory {
 public:
  void Remember(HWND control) { control_ = control; }
  // Remembers the control that has the focus, if it is one of window's.
  void RememberIn(HWND window);
  // For WM_ACTIVATE. True when it gave the focus back; the system's default must then not run,
  // as it would put the focus on the window itself.
  bool OnActivate(HWND window, WPARAM wparam);

 private:
  HWND control_ = nullptr;
};

// A top-level window as the logic's Form. Printed lines are kept, and drawn by Paint, so that
// they survive repaints until the next Cls.
class Win32Form : public Form {
 public:
  Win32Form(const Screen& screen, COLORREF foreground) : screen_(screen), foreground_(foreground) {}
  void Attach(HWND hwnd) { hwnd_ = hwnd; }
  // What Unload does: the window's Unload event, while the window still stands, and then what
  // closes it.
  void OnUnload(std::function<void()> handler) { on_unload_ = std::move(handler); }

  void SetLeft(float twips) override;
  void SetTop(float twips) override;
  float Left() const override;
  float Top() const override;
  float Width() const override;
  float Height() const override;
  float ScaleWidth() const override;
  float ScaleHeight() const override;
  std::intptr_t hWnd() const override { return reinterpret_cast<std::intptr_t>(hwnd_); }
  void Unload() override;
  void Cls() override;
  void Print(std::wstring_view line) override;

  // Draws the printed lines from the client's top-left corner; call from WM_PAINT.
  void Paint(HDC dc) const;

 private:
  RECT WindowRect() const;
  RECT ClientRect() const;

  Screen screen_;
  COLORREF foreground_;
  HWND hwnd_ = nullptr;
  std::function<void()> on_unload_;
  std::vector<std::wstring> printed_;
};

// A child control positioned in twips.
class Win32Control : public Control {
 public:
  explicit Win32Control(const Screen& screen) : screen_(screen) {}
  void Attach(HWND hwnd) { hwnd_ = hwnd; }
  void SetLeft(float twips) override;
  void SetTop(float twips) override;

 private:
  Screen screen_;
  HWND hwnd_ = nullptr;
};

class Win32TextBox : public TextBox {
 public:
  void Attach(HWND hwnd) { hwnd_ = hwnd; }
  std::wstring Text() const override;
  void SetText(std::wstring_view text) override;

 private:
  HWND hwnd_ = nullptr;
};

// Message boxes owned by a window (or by none, for a program without one).
class Win32MessageBox : public MessageBoxService {
 public:
  void Attach(HWND owner) { owner_ = owner; }
  void MsgBox(std::wstring_view prompt, int style, std::wstring_view title) override;

 private:
  HWND owner_ = nullptr;
};

}  // namespace pw
