// The lock window `Main`: a borderless black window, not in the taskbar, that covers the primary
// screen while the lock is in force and holds the panel `Object` with the label, the masked entry
// box `Password` and the default button `OK`; the other monitors get covers of their own. The
// lock's own behaviour is in lock.h; this class gives it a window and turns window messages into
// its events.
#pragma once

#include <windows.h>

#include <string>

#include "lock/key_state_line_win32.h"
#include "lock/lock.h"
#include "lock/monitor_covers_win32.h"
#include "lock/watch_win32.h"
#include "lock/window_system_win32.h"
#include "shared/ansi_code_page_win32.h"
#include "shared/file_service_win32.h"
#include "shared/forms_win32.h"

namespace corvel {

// In a watcher, Main is the lock in waiting: the same window, beneath the lock in force, until it
// takes over.
class Main : public pw::BaseWindow<Main>, public pw::LoopWait {
 public:
  // A watcher's handover from its lock; an empty one for a plain start.
  Main(HINSTANCE instance, Role role, const Handover& handover);

  // Registers the window class and creates the window and its controls, all hidden. On failure
  // returns false with a sentence for the user in `error`.
  bool Create(std::wstring& error);
  // Runs the lock, or the watcher, from its Load to its end and returns the program's exit code.
  int Run();
  // Once Run has returned: if the password released the lock, tells in a box what it withstood,
  // if anything, and returns as the box is closed.
  void TellWhatHappened();

  // The message loop waits on the other Corvel's process, and on the pace of a watcher's start.
  HANDLE Handle() const override { return watch_.peer(); }
  DWORD TimeoutMs() const override { return watch_.TimeoutMs(); }
  void OnWake() override;

 private:
  friend class pw::BaseWindow<Main>;
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  bool CreateControls();
  bool OnActivate(WPARAM wparam);
  void OnPanelClick();
  void OnGetMinMaxInfo(MINMAXINFO& info) const;
  static LRESULT CALLBACK RefuseShowFold(int code, WPARAM wparam, LPARAM lparam);
  void OnStyleChanging(STYLESTRUCT& style);
  void Refused();
  void OnForgedEnd();
  void OnEnable(bool enabled);
  void OnWindowPosChanging(WINDOWPOS& pos);
  void OnWindowPosChanged();
  void PutBack();
  void OnDisplayChange();
  void RetryCoversWhilePending();
  void OnWatchedLockEnded();
  void TakeOver();
  void OnCommand(int id, int code);
  LRESULT OnControlColor(UINT message, HDC dc) const;
  void OnPaint();
  void Leave();

  HINSTANCE instance_;
  Role role_;
  pw::Screen screen_;
  pw::Win32Form form_;
  pw::Win32Control object_;
  pw::Win32TextBox password_;
  pw::Win32MessageBox message_box_;
  Win32WindowSystem windows_;
  Win32MonitorCovers covers_;
  pw::Win32FileService files_;
  pw::Win32AnsiCodePage code_page_;
  Win32Watch watch_;
  Lock lock_;
  pw::FocusMemory focus_;
  Win32KeyStateLine key_state_;
  HWND box_ = nullptr;
  HWND ok_ = nullptr;
};

}  // namespace corvel
