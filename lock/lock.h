// The lock's life, without a window system: the start sequence when the window loads, the
// release sequence when it unloads, the unlock check on each click of OK, and what the lock
// window does with activation, close requests and the end of the session meanwhile.
#pragma once

#include <string>
#include <utility>

#include "lock/window_system.h"
#include "shared/ansi_code_page.h"
#include "shared/file_service.h"
#include "shared/forms.h"

namespace corvel {

enum class LockState {
  kStarting,  // the start sequence is running; the window keeps its normal state
  kLocked,    // window topmost, pointer held in ConfineRect, saver off and marked as running
  kReleased,  // the release sequence has run; the program is ending
};

// What the lock works on: the window `Main`, its panel `Object` and entry box `Password`, and
// the services it reaches the system through.
struct LockParts {
  pw::Form& main;
  pw::Control& object;
  pw::TextBox& password;
  pw::Screen screen;
  std::wstring app_folder;
  WindowSystem& windows;
  pw::FileService& files;
  pw::AnsiCodePage& code_page;
  pw::MessageBoxService& message_box;
};

class Lock {
 public:
  explicit Lock(LockParts parts) : parts_(std::move(parts)) {}
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  ~Lock();

  // The window's Load, before it is first shown. Leaves the state kLocked, after which the
  // window is to be shown maximized, or kReleased with the window unloaded and the program to
  // end with exit_code(): at once for an empty stored password, after telling the user when the
  // password file cannot be read.
  void OnLoad();
  // The window's Unload: runs the release sequence, once, however the window closes.
  void OnUnload();
  // The Click of OK: the right password unloads the window; anything else prints the failure
  // message and empties the entry box.
  void OnOkClick();
  // The window became active again, or the pointer moved over it or one of its controls. The
  // system drops the confinement when another window or desktop takes the foreground, at times
  // without this window losing its activation; so while locked either event sets it again, which
  // changes nothing when it still holds.
  void OnActivate() { HoldPointer(); }
  void OnPointerMoved() { HoldPointer(); }
  // Whether a close request (WM_CLOSE, SC_CLOSE) is refused: only the password ends a lock.
  bool RefusesClose() const { return state_ != LockState::kReleased; }
  // The user's session ends: the lock ends with it.
  void OnEndSession();

  LockState state() const { return state_; }
  int exit_code() const { return exit_code_; }
  const std::wstring& StoredPassword() const { return stored_password_; }
  const PixelRect& ConfineRect() const { return confine_rect_; }

 private:
  void HoldPointer();

  LockParts parts_;
  LockState state_ = LockState::kStarting;
  int exit_code_ = 0;
  std::wstring stored_password_;
  PixelRect confine_rect_;
};

}  // namespace corvel
