// What a password may hold, one rule for both programs: only what can be typed back into the
// lock's entry box. That box has the input method switched off (its composition window would
// show the characters unmasked) and Tab moves the focus, so a password of anything else could be
// saved but never typed at the lock.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pw {

// The longest password, in characters; the lock's entry box stops there, the editor's takes more
// so that the rule can say why. It is the longest password the system's own logon takes, and in
// code page 932 every allowed character is one byte, so the longest record (quote, password,
// quote, CR LF) is 131 bytes.
inline constexpr std::size_t kMaxPasswordLength = 127;

// Printable ASCII (space to '~') and half-width katakana (U+FF61 to U+FF9F), which a Japanese
// keyboard types in kana mode without the input method.
bool IsTypeable(wchar_t c);

struct RuleBreach {
  enum class Kind { kNone, kCharacter, kTooLong };
  Kind kind = Kind::kNone;
  // The first character outside the rule (a surrogate pair counts as one) when kCharacter;
  // a control character is named by its code, such as "U+0009", since it would not show.
  std::wstring character;
  explicit operator bool() const { return kind != Kind::kNone; }
};

// The first breach of the rule in `text`: a character outside it, else the length.
RuleBreach CheckPasswordRule(std::wstring_view text);

// What the rule allows, as one sentence for the user.
std::wstring DescribePasswordRule();

}  // namespace pw
