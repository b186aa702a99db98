#include "shared/password_rule.h"

namespace pw {

namespace {

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsControl(wchar_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

// The character as the user is shown it: itself, or its code when it would not show.
std::wstring Name(std::wstring_view character) {
  if (!IsControl(character.front())) {
    return std::wstring(character);
  }
  const unsigned value = static_cast<char16_t>(character.front());
  std::wstring code = L"U+";
  for (int shift = 12; shift >= 0; shift -= 4) {
    code += L"0123456789ABCDEF"[(value >> shift) & 0xF];
  }
  return code;
}

}  // namespace

bool IsTypeable(wchar_t c) { return (c >= L' ' && c <= L'~') || (c >= 0xFF61 && c <= 0xFF9F); }

RuleBreach CheckPasswordRule(std::wstring_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (!IsTypeable(text[i])) {
      const size_t length = IsHighSurrogate(text[i]) && i + 1 < text.size() ? 2 : 1;
      return {RuleBreach::Kind::kCharacter, Name(text.substr(i, length))};
    }
  }
  if (text.size() > kMaxPasswordLength) {
    return {RuleBreach::Kind::kTooLong, {}};
  }
  return {};
}

std::wstring DescribePasswordRule() {
  static_assert(kMaxPasswordLength == 127, "the sentence below names the length");
  return L"パスワードに使えるのは半角の英数字・記号・空白と半角カタカナで、127 文字までです。";
}

}  // namespace pw
