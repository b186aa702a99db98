// The lock's life, without a window system: the start sequence when the window loads, the
// release sequence when it unloads, the unlock check on each click of OK, and what the lock
// window does with activation, close requests and other requests to move it, display changes,
// lost covers and the end of the session meanwhile. Main covers the primary screen; every other
// monitor gets a cover of its own. Once the lock is asked for, nothing but the password and the
// session's real end releases it: a monitor that cannot be covered is tried again, never a reason
// to give up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "lock/confine_rect.h"
#include "lock/monitor_covers.h"
#include "lock/watch.h"
#include "lock/window_system.h"
#include "shared/ansi_code_page.h"
#include "shared/file_service.h"
#include "shared/forms.h"

namespace corvel {

enum class LockState {
  kWaiting,   // a watcher's: Main and the covers lie beneath the lock in force, the password held,
              // nothing of the system's taken
  kStarting,  // the start sequence is running; the window keeps its normal state
  kLocked,    // window topmost, other monitors covered, pointer held in ConfineRect, saver off
              // and marked as running
  kReleased,  // the release sequence has run; the program is ending
};

// What the lock works on: the window `Main`, its panel `Object` and entry box `Password`, and
// the services it reaches the system through, its watcher among them.
struct LockParts {
  pw::Form& main;
  pw::Control& object;
  pw::TextBox& password;
  pw::Screen screen;
  std::wstring app_folder;
  WindowSystem& windows;
  MonitorCovers& covers;
  pw::FileService& files;
  pw::AnsiCodePage& code_page;
  pw::MessageBoxService& message_box;
  Watch& watch;
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
  // password file cannot be read or a monitor cannot be covered.
  void OnLoad();
  // A watcher's Load: a lock in waiting, with the password that locked. Main is laid out as the
  // start lays it out and shown over the screen, beneath the lock in force and without taking
  // the activation: should that lock be ended by force, the screen goes on showing a lock, and
  // taking over is a few window calls, with no process to start and no file to read.
  void Wait();
  // The lock waited behind was ended by force: this one comes into force at once, on the screen
  // and the monitors as they are now; Main, which covers the screen already, is then to be given
  // the input.
  void TakeOver(const pw::Screen& screen);
  // The lock waited behind ended on its own, or the system's lock took over: a watcher ends,
  // with nothing to give back.
  void EndWaiting(int exit_code);
  // The window's Unload: runs the release sequence, once, however the window closes, and then
  // tells the watcher that the lock ended on its own.
  void OnUnload();
  // Gives back what the lock holds, as the release sequence does, without ending the watching:
  // for a fatal failure, which is no end of the lock's own, so that its watcher takes over. A
  // watcher holds nothing to give back.
  void GiveBack();
  // The Click of OK: the right password unloads the window; anything else prints the failure
  // message and empties the entry box.
  void OnOkClick();
  // The window became active again, or the pointer moved over it or one of its controls. The
  // system drops the confinement when another window or desktop takes the foreground, at times
  // without this window losing its activation; so while locked either event sets it again, which
  // changes nothing when it still holds.
  void OnActivate() { HoldPointer(); }
  void OnPointerMoved() { HoldPointer(); }
  // Whether Main and the covers keep their place: while locked, nothing from outside minimizes,
  // restores, moves, sizes or hides them, and what does so anyway is undone.
  bool KeepsPlace() const { return state_ == LockState::kLocked; }
  // Whether Main refuses a style, a hide or a fold from outside: while locked, and while waiting
  // beneath the lock, as what the lock in waiting let through would still be there once it takes
  // over, such as a style that lets clicks through or draws nothing.
  bool RefusesChanges() const {
    return state_ == LockState::kLocked || state_ == LockState::kWaiting;
  }
  // Whether the session may end: a program closed for an update (close_app), the session going
  // on, is refused until the lock has released, as any close is; a real end of the session is
  // agreed to, so that the lock never holds up a sign-out. Only a query that came from another
  // thread (`sent`), as the system's does, is heeded: any program can post one, and no one reads
  // the answer to a posted message.
  bool OnQueryEndSession(bool sent, bool close_app);
  // The session ends (`ending`), or goes on after all. The lock ends with the session only when
  // the system itself says the session is ending (`shutting_down`), and the end was sent after a
  // sent query that the lock agreed to: any program can send a query and an end, but none can
  // make the system shut down. The lock saves nothing while it holds, so a session that ends
  // without the release takes the confinement and the session's saver setting with it.
  void OnEndSession(bool sent, bool ending, bool shutting_down);
  // The monitors or the primary screen's size changed: while locked, every monitor is covered
  // again, Main is fitted to the primary screen and the panel and the confinement are placed as
  // the start places them for that size. Where the monitors cannot be read, or a cover cannot be
  // made, Main and the pointer hold all the same and covers_pending() says to try again.
  void OnDisplayChange(const pw::Screen& screen);
  // A cover is said to have gone without the lock removing it. If one really has, its monitor is
  // bare: while locked, the monitors are covered again.
  void OnCoverLost();
  // While locked, some monitor may be bare: its list could not be read or its cover not made.
  // The caller tries again, through OnDisplayChange, at a pace and at each display change.
  bool covers_pending() const { return state_ == LockState::kLocked && covers_pending_; }

  LockState state() const { return state_; }
  // Whether the right password released the lock, the one end after which the user is told what
  // the lock withstood.
  bool unlocked() const { return unlocked_; }
  int exit_code() const { return exit_code_; }

 private:
  void CentrePanelAndMain();
  void CoverScreen(std::intptr_t insert_after, unsigned flags);
  void HoldPointer();
  // Covers every monitor but the primary, reusing the covers there are; whether every one is
  // covered. What cannot be covered now leaves the covers that stand as they are.
  bool CoverOtherMonitors();
  void RemoveCovers(std::size_t keep);
  void ReleaseThenTell(int exit_code, const std::wstring& message);

  LockParts parts_;
  LockState state_ = LockState::kStarting;
  int exit_code_ = 0;
  std::wstring stored_password_;
  PixelRect confine_rect_;
  FormGeometry normal_;  // Main's geometry before it was maximized, kept for display changes
  std::vector<std::intptr_t> covers_;
  bool session_end_agreed_ = false;
  bool covers_pending_ = false;
  bool unlocked_ = false;
};

}  // namespace corvel
