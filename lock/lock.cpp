#include "lock/lock.h"

#include "lock/cover_rects.h"
#include "lock/layout.h"
#include "shared/password_file.h"

namespace corvel {
namespace {

constexpr int kExitUnreadableFile = 1;
constexpr int kExitNotEveryMonitor = 2;

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
  parts_.object.SetTop(screen.height / 2);
  parts_.object.SetLeft(screen.width / 2);
  parts_.main.SetTop(screen.height / 2);
  parts_.main.SetLeft(screen.width / 2);
  parts_.windows.SetWindowPos(parts_.main.hWnd(), kHwndTopmost, 0, 0, 0, 0, kSwpNoSizeNoMoveShow);
  parts_.windows.SetCursorPos(kCursorStartX, kCursorStartY);
  parts_.windows.ClipCursor(nullptr);
  normal_ = GeometryOf(parts_.main);
  confine_rect_ = ComputeConfineRect(normal_, screen);
  parts_.windows.ClipCursor(&confine_rect_);
  parts_.windows.SystemParametersInfoA(kSpiSetScreenSaveActive, 0, nullptr, kSpifUpdateAndSend);

  pw::PasswordRead read = pw::ReadStoredPassword(parts_.files, parts_.code_page, parts_.app_folder);
  if (read.error) {
    // Everything taken so far is given back before the user is told, so that no answer to the
    // message box (or none at all) can leave the machine half-locked.
    exit_code_ = kExitUnreadableFile;
    parts_.main.Unload();
    const std::wstring path = pw::PasswordPath(parts_.app_folder);
    parts_.message_box.MsgBox(
        pw::DescribePasswordError(read.error, path) + L"\n" + layout::kNotLockedHint,
        pw::kMsgBoxCritical, layout::kCaption);
    return;
  }
  stored_password_ = read.password;
  Wipe(read.password);
  if (stored_password_.empty()) {
    parts_.main.Unload();
    return;
  }
  if (std::optional<std::wstring> error = CoverOtherMonitors()) {
    exit_code_ = kExitNotEveryMonitor;
    parts_.main.Unload();
    TellNotEveryMonitor(*error);
    return;
  }
  parts_.windows.SystemParametersInfoA(kSpiSetScreenSaverRunning, 1, nullptr, kSpifNone);
  state_ = LockState::kLocked;
}

void Lock::OnUnload() {
  if (state_ == LockState::kReleased) {
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
    parts_.main.Unload();
    return;
  }
  parts_.main.Cls();
  parts_.main.Print(layout::kPasswordDiffers);
  parts_.password.SetText(L"");
}

void Lock::HoldPointer() {
  if (state_ == LockState::kLocked) {
    parts_.windows.ClipCursor(&confine_rect_);
  }
}

void Lock::OnEndSession() {
  if (state_ == LockState::kLocked) {
    parts_.main.Unload();
  }
}

void Lock::OnDisplayChange(const pw::Screen& screen) {
  if (state_ != LockState::kLocked) {
    return;
  }
  parts_.screen = screen;
  if (std::optional<std::wstring> error = CoverOtherMonitors()) {
    // The message loop ends when the window goes, and would take the message box with it; so
    // the lock is released first, then the user told, and the window closed last.
    exit_code_ = kExitNotEveryMonitor;
    OnUnload();
    TellNotEveryMonitor(*error);
    parts_.main.Unload();
    return;
  }
  // Topmost again, so that Main stays above any cover that was made just now.
  parts_.windows.SetWindowPos(parts_.main.hWnd(), kHwndTopmost, 0, 0,
                              pw::RoundHalfEven(screen.width / screen.twips_per_pixel_x),
                              pw::RoundHalfEven(screen.height / screen.twips_per_pixel_y),
                              kSwpNoActivate);
  parts_.object.SetTop(screen.height / 2);
  parts_.object.SetLeft(screen.width / 2);
  // The maximized window stays where it is; the confinement is computed from where its normal
  // state would now lie, as at the start.
  normal_.top = screen.height / 2;
  normal_.left = screen.width / 2;
  confine_rect_ = ComputeConfineRect(normal_, screen);
  parts_.windows.ClipCursor(&confine_rect_);
}

std::optional<std::wstring> Lock::CoverOtherMonitors() {
  const std::vector<PixelRect> rects = CoverRects(parts_.covers.Monitors());
  // Covers that stay move before any goes, so that no monitor is bare meanwhile.
  for (std::size_t i = 0; i < rects.size(); ++i) {
    if (i < covers_.size()) {
      parts_.covers.MoveCover(covers_[i], rects[i]);
      continue;
    }
    CoverMade made = parts_.covers.CreateCover(rects[i]);
    if (made.cover == 0) {
      return made.error;
    }
    covers_.push_back(made.cover);
  }
  RemoveCovers(rects.size());
  return std::nullopt;
}

void Lock::RemoveCovers(std::size_t keep) {
  while (covers_.size() > keep) {
    parts_.covers.DestroyCover(covers_.back());
    covers_.pop_back();
  }
}

void Lock::TellNotEveryMonitor(const std::wstring& reason) {
  parts_.message_box.MsgBox(
      std::wstring(layout::kNotEveryMonitor) + L"\n" + layout::kCoverNotMade + reason,
      pw::kMsgBoxCritical, layout::kCaption);
}

}  // namespace corvel
