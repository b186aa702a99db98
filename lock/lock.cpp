#include "lock/lock.h"

#include <algorithm>

#include "lock/cover_rects.h"
#include "lock/exit_status.h"
#include "lock/layout.h"
#include "shared/password_file.h"

namespace corvel {
namespace {

// Overwrites a string that held a password before it is freed; the volatile writes keep the
// compiler from dropping them as dead stores.
void Wipe(std::wstring& text) {
  volatile wchar_t* characters = text.data();
  for (size_t i = 0; i < text.size(); ++i) {
    characters[i] = L'\0';
  }
  text.clear();
}

}  // namespace

Lock::~Lock() { Wipe(stored_password_); }

void Lock::OnLoad() {
  const pw::Screen& screen = parts_.screen;
  CentrePanelAndMain();
  parts_.windows.SetWindowPos(parts_.main.hWnd(), kHwndTopmost, 0, 0, 0, 0, kSwpNoSizeNoMoveShow);
  parts_.windows.SetCursorPos(kCursorStartX, kCursorStartY);
  parts_.windows.ClipCursor(nullptr);
  normal_ = GeometryOf(parts_.main);
  confine_rect_ = ComputeConfineRect(normal_, screen);
  parts_.windows.ClipCursor(&confine_rect_);
  // Off for the running session only, not in the user's saved settings: an end that skips the
  // release (a power cut, every Corvel process ended at once) then leaves the saved setting as it
  // was, and the saver is back at the next sign-in.
  parts_.windows.SystemParametersInfoA(kSpiSetScreenSaveActive, 0, nullptr, kSpifSendChange);

  pw::PasswordRead read = pw::ReadStoredPassword(parts_.files, parts_.code_page, parts_.app_folder);
  if (read.error) {
    ReleaseThenTell(kExitNotLocked,
                    pw::DescribePasswordError(read.error, pw::PasswordPath(parts_.app_folder)) +
                        L"\n" + layout::kNotLockedHint);
    return;
  }
  stored_password_ = read.password;
  Wipe(read.password);
  if (stored_password_.empty()) {
    parts_.main.Unload();
    return;
  }
  covers_pending_ = !CoverOtherMonitors();
  parts_.windows.SystemParametersInfoA(kSpiSetScreenSaverRunning, 1, nullptr, kSpifNone);
  state_ = LockState::kLocked;
  parts_.watch.InForce(stored_password_);
}

void Lock::OnUnload() {
  if (state_ == LockState::kReleased) {
    return;
  }
  GiveBack();
  // Only once all is given back: a lock ended by force before that is brought back.
  parts_.watch.Released();
}

void Lock::Wait() {
  const pw::Screen& screen = parts_.screen;
  CentrePanelAndMain();
  normal_ = GeometryOf(parts_.main);
  confine_rect_ = ComputeConfineRect(normal_, screen);
  stored_password_ = parts_.watch.HandedPassword();
  state_ = LockState::kWaiting;
  // Over the screen beneath the lock, which is topmost, and above every other window. Not
  // topmost itself: a topmost window that another process shows can end up above the lock.
  CoverScreen(kHwndNoTopmost, kSwpNoActivateShow);
  // The screen may still show a window just shown above all others, whatever its place: the lock
  // is put back on top, out of the topmost windows and back in, so that it really moves.
  if (const std::intptr_t lock_window = parts_.watch.WatchedWindow()) {
    parts_.windows.SetWindowPos(lock_window, kHwndNoTopmost, 0, 0, 0, 0, kSwpRestack);
    parts_.windows.SetWindowPos(lock_window, kHwndTopmost, 0, 0, 0, 0, kSwpRestack);
  }
}

void Lock::TakeOver(const pw::Screen& screen) {
  if (state_ != LockState::kWaiting) {
    return;
  }
  state_ = LockState::kLocked;
  OnDisplayChange(screen);
  parts_.windows.SystemParametersInfoA(kSpiSetScreenSaveActive, 0, nullptr, kSpifSendChange);
  parts_.windows.SystemParametersInfoA(kSpiSetScreenSaverRunning, 1, nullptr, kSpifNone);
  parts_.watch.InForce(stored_password_);
  parts_.watch.Count(&AwayRecord::force_ends);
}

void Lock::EndWaiting(int exit_code) {
  if (state_ != LockState::kWaiting) {
    return;
  }
  state_ = LockState::kReleased;
  exit_code_ = exit_code;
  parts_.main.Unload();
}

void Lock::GiveBack() {
  if (state_ == LockState::kReleased || state_ == LockState::kWaiting) {
    return;
  }
  state_ = LockState::kReleased;
  parts_.windows.SetWindowPos(parts_.main.hWnd(), kHwndNoTopmost, 0, 0, 0, 0, kSwpNoSizeNoMoveShow);
  parts_.windows.ClipCursor(nullptr);
  parts_.windows.SystemParametersInfoA(kSpiSetScreenSaveActive, kAllBitsSet, nullptr,
                                       kSpifUpdateAndSend);
  parts_.windows.SystemParametersInfoA(kSpiSetScreenSaverRunning, 0, nullptr, kSpifNone);
  RemoveCovers(0);
}

void Lock::OnOkClick() {
  if (state_ != LockState::kLocked) {
    return;
  }
  std::wstring typed = parts_.password.Text();
  const bool matches = typed == stored_password_;
  Wipe(typed);
  if (matches) {
    unlocked_ = true;
    parts_.main.Unload();
    return;
  }
  parts_.watch.Count(&AwayRecord::wrong_passwords);
  parts_.main.Cls();
  parts_.main.Print(layout::kPasswordDiffers);
  parts_.password.SetText(L"");
}

// The panel's corner and Main's normal position at the centre of the screen.
void Lock::CentrePanelAndMain() {
  const pw::Screen& screen = parts_.screen;
  parts_.object.SetTop(screen.height / 2);
  parts_.object.SetLeft(screen.width / 2);
  parts_.main.SetTop(screen.height / 2);
  parts_.main.SetLeft(screen.width / 2);
}

// Main over the whole primary screen, in the place after `insert_after`.
void Lock::CoverScreen(std::intptr_t insert_after, unsigned flags) {
  const pw::Screen& screen = parts_.screen;
  parts_.windows.SetWindowPos(parts_.main.hWnd(), insert_after, 0, 0,
                              pw::RoundHalfEven(screen.width / screen.twips_per_pixel_x),
                              pw::RoundHalfEven(screen.height / screen.twips_per_pixel_y), flags);
}

void Lock::HoldPointer() {
  if (state_ == LockState::kLocked) {
    parts_.windows.ClipCursor(&confine_rect_);
  }
}

bool Lock::OnQueryEndSession(bool sent, bool close_app) {
  if (sent) {
    session_end_agreed_ = !close_app;
  }
  return !close_app || state_ == LockState::kReleased;
}

void Lock::OnEndSession(bool sent, bool ending, bool shutting_down) {
  const bool agreed = sent && session_end_agreed_;
  if (sent) {
    session_end_agreed_ = false;
  }
  if (!ending || state_ != LockState::kLocked) {
    return;
  }
  if (agreed && shutting_down) {
    parts_.main.Unload();
  } else {
    parts_.watch.Count(&AwayRecord::refused_requests);
  }
}

void Lock::OnDisplayChange(const pw::Screen& screen) {
  if (state_ != LockState::kLocked) {
    return;
  }
  parts_.screen = screen;
  covers_pending_ = !CoverOtherMonitors();
  // Topmost again, so that Main stays above any cover that was made just now.
  CoverScreen(kHwndTopmost, kSwpNoActivate);
  parts_.object.SetTop(screen.height / 2);
  parts_.object.SetLeft(screen.width / 2);
  // The maximized window stays where it is; the confinement is computed from where its normal
  // state would now lie, as at the start.
  normal_.top = screen.height / 2;
  normal_.left = screen.width / 2;
  confine_rect_ = ComputeConfineRect(normal_, screen);
  parts_.windows.ClipCursor(&confine_rect_);
}

void Lock::OnCoverLost() {
  const auto gone = [this](std::intptr_t cover) { return !parts_.covers.Stands(cover); };
  const auto standing = std::remove_if(covers_.begin(), covers_.end(), gone);
  if (state_ == LockState::kLocked && standing != covers_.end()) {
    covers_.erase(standing, covers_.end());
    OnDisplayChange(parts_.screen);
  }
}

bool Lock::CoverOtherMonitors() {
  const std::optional<std::vector<Monitor>> monitors = parts_.covers.Monitors();
  if (!monitors) {
    return false;
  }
  const std::vector<PixelRect> rects = CoverRects(*monitors);
  // Covers that stay move before any goes, so that no monitor is bare meanwhile.
  for (std::size_t i = 0; i < rects.size(); ++i) {
    if (i < covers_.size()) {
      parts_.covers.MoveCover(covers_[i], rects[i]);
      continue;
    }
    const std::intptr_t cover = parts_.covers.CreateCover(rects[i]);
    if (cover == 0) {
      return false;
    }
    covers_.push_back(cover);
  }
  RemoveCovers(rects.size());
  return true;
}

void Lock::RemoveCovers(std::size_t keep) {
  while (covers_.size() > keep) {
    parts_.covers.DestroyCover(covers_.back());
    covers_.pop_back();
  }
}

// Everything the lock took is given back, and Main hidden, before the user is told: no answer
// to the message box, or none at all, can leave the machine half-locked, and nothing of the lock
// can come in front of the box. Main closes last: while the message loop runs, its closing ends
// the loop, which would take the box with it.
void Lock::ReleaseThenTell(int exit_code, const std::wstring& message) {
  exit_code_ = exit_code;
  OnUnload();
  parts_.windows.SetWindowPos(parts_.main.hWnd(), 0, 0, 0, 0, 0, kSwpHide);
  parts_.message_box.MsgBox(message, pw::kMsgBoxCritical | pw::kMsgBoxInFront, layout::kCaption);
  parts_.main.Unload();
}

}  // namespace corvel
