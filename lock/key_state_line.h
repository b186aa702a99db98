// The line under the lock's panel that says which of the keyboard's lock keys are on. Either
// makes a typed password differ from the one meant while the box shows only asterisks: Caps Lock
// swaps the case of letters, and kana lock turns letter keys into half-width katakana (which a
// password may hold, and which is typed only with kana lock on).
#pragma once

#include <string_view>

namespace corvel {

// The line for these toggle states; empty when both keys are off.
std::wstring_view KeyStateLine(bool caps_lock, bool kana_lock);

}  // namespace corvel
