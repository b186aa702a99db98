// The lock window's fixed values in one place: its texts, and the design positions and sizes of
// the window and its controls in twips (relative to the container's client area).
#pragma once

#include "shared/forms.h"

namespace corvel::layout {

inline constexpr wchar_t kCaption[] = L"Corvel";
// In the session's namespace: each user's session has a screen of its own to lock.
inline constexpr wchar_t kOneLockMutex[] = L"Local\\CorvelLock";
inline constexpr wchar_t kLabelText[] = L"ﾊﾟｽﾜｰﾄﾞ：";
inline constexpr wchar_t kOkText[] = L"OK";
inline constexpr wchar_t kPasswordChar = L'*';
inline constexpr wchar_t kPasswordDiffers[] = L"Password differs!!";
// Follows the description of what is wrong with the password file.
inline constexpr wchar_t kNotLockedHint[] =
    L"ロックせずに終了します。パスワードは Vantor で設定できます。";
// The key state line under the panel.
inline constexpr wchar_t kCapsLockOn[] = L"Caps Lock がオンです";
inline constexpr wchar_t kKanaLockOn[] = L"カナ入力がオンです";
inline constexpr wchar_t kCapsAndKanaLockOn[] = L"Caps Lock とカナ入力がオンです";
// What the lock withstood (away_record.h): the heading, then a line for each kind counted: its
// label, the count, kAwayTimesLatest and the latest time, closed by ")".
inline constexpr wchar_t kAwayHeading[] = L"ロック中に次のことがありました。";
inline constexpr wchar_t kAwayWrongPasswords[] = L"間違ったパスワードの入力: ";
inline constexpr wchar_t kAwayForceEnds[] = L"強制終了からの復帰: ";
inline constexpr wchar_t kAwayRefusedRequests[] = L"ほかのプログラムからの要求を拒否: ";
inline constexpr wchar_t kAwayTimesLatest[] = L" 回 (最後は ";

// The window's normal-state client area; it equals the panel, which is what makes the pointer's
// confinement cover exactly the panel once both sit at the screen's centre.
inline constexpr float kMainClientWidth = 3495;
inline constexpr float kMainClientHeight = 300;

inline constexpr pw::TwipsRect kObject = {100, 100, 3495, 300};  // in Main
inline constexpr pw::TwipsRect kPassword = {720, 0, 2055, 270};  // in Object
inline constexpr pw::TwipsRect kLabel = {0, 50, 735, 200};       // in Object
inline constexpr pw::TwipsRect kOk = {2760, 0, 735, 300};        // in Object
// Just below the panel and as wide, clear of the top-left message on any screen the panel fits.
inline constexpr pw::TwipsRect kKeyState = {0, 360, 3495, 240};  // in Main, from Object's corner

struct Rgb {
  unsigned char red, green, blue;
};
inline constexpr Rgb kBackground = {0, 0, 0};
inline constexpr Rgb kForeground = {255, 255, 255};

}  // namespace corvel::layout
