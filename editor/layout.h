// The fixed values of the window `Edit`: its texts, control identifiers and design layout in
// twips. Portable, so that the logic and its tests share the texts with the window.
#pragma once

#include "shared/forms.h"

namespace vantor::layout {

inline constexpr wchar_t kCaption[] = L"Vantor";  // the window's caption and every box's title
inline constexpr wchar_t kChangeCaption[] = L"変更";
inline constexpr wchar_t kNewPassDesignText[] = L"NewPass";  // replaced when the window loads
inline constexpr wchar_t kChanged[] = L"ﾊﾟｽﾜｰﾄﾞを変更しました。";
// The line under kChanged when the saved password is empty.
inline constexpr wchar_t kEmptyNoLock[] = L"空のパスワードでは Corvel はロックしません。";
// Follows the description of a password file that no password can be read from.
inline constexpr wchar_t kSetNewPassword[] =
    L"新しいパスワードを入力して「変更」を押してください。";

// Stable, so that the window can be found by its class as well as its caption.
inline constexpr wchar_t kWindowClass[] = L"VantorEdit";

// At 100 and up: the message loop's dialog handling sends IDOK and IDCANCEL for Enter and Escape.
inline constexpr int kNewPassId = 100;
inline constexpr int kChangeId = 101;

inline constexpr float kClientWidth = 4440;
inline constexpr float kClientHeight = 270;
inline constexpr pw::TwipsRect kNewPass = {0, 0, 3615, 270};
// Reaches 15 twips past the client's right edge and 20 below its bottom: those strips are cut off.
inline constexpr pw::TwipsRect kChange = {3720, 0, 735, 290};

}  // namespace vantor::layout
