// A recording fake of the ANSI code page: ASCII as single bytes, and one Japanese character, 表,
// as its code page 932 byte pair (its trail byte is a backslash); nothing else encodes, and other
// byte pairs decode as U+FFFD. With `utf8` set, half-width katakana encode too, as the three bytes
// of UTF-8. Calls are logged as "Encode(<text>)" and "Decode(<bytes>)".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "shared/ansi_code_page.h"
#include "tests/fakes/call_log.h"

namespace pw::testing {

class FakeAnsiCodePage : public AnsiCodePage {
 public:
  explicit FakeAnsiCodePage(CallLog& log) : log_(log) {}

  bool utf8 = false;

  std::optional<std::string> Encode(std::wstring_view text) override {
    log_.push_back("Encode(" + Utf8(text) + ")");
    std::string bytes;
    for (wchar_t c : text) {
      if (c == L'表') {
        bytes += "\x95\x5C";
      } else if (utf8 && c >= 0xFF61 && c <= 0xFF9F) {
        bytes += {'\xEF', static_cast<char>(0x80 | (c >> 6 & 0x3F)),
                  static_cast<char>(0x80 | (c & 0x3F))};
      } else if (static_cast<unsigned long>(c) < 0x80) {
        bytes += static_cast<char>(c);
      } else {
        return std::nullopt;
      }
    }
    return bytes;
  }

  std::wstring Decode(std::string_view bytes) override {
    log_.push_back("Decode(" + Escaped(bytes) + ")");
    std::wstring text;
    for (size_t i = 0; i < bytes.size(); ++i) {
      if (static_cast<unsigned char>(bytes[i]) < 0x80) {
        text += static_cast<wchar_t>(bytes[i]);
      } else if (utf8 && bytes[i] == '\xEF' && i + 2 < bytes.size()) {
        text += static_cast<wchar_t>(0xF000 | (bytes[i + 1] & 0x3F) << 6 | (bytes[i + 2] & 0x3F));
        i += 2;
      } else {
        text += bytes.substr(i++, 2) == "\x95\x5C" ? L'表' : L'\uFFFD';
      }
    }
    return text;
  }

 private:
  CallLog& log_;
};

}  // namespace pw::testing
