// A recording fake of the ANSI code page: ASCII as single bytes, a few Japanese characters as
// their code page 932 byte pairs, and nothing else. Calls are logged as "Encode(<text>)" and
// "Decode(<bytes>)".
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "shared/ansi_code_page.h"
#include "tests/fakes/call_log.h"

namespace pw::testing {

class FakeAnsiCodePage : public AnsiCodePage {
 public:
  explicit FakeAnsiCodePage(CallLog& log) : log_(log) {}

  std::map<wchar_t, std::string> double_byte = {
      {L'パ', "\x83\x70"}, {L'ス', "\x83\x58"}, {L'ワ', "\x83\x8F"},
      {L'ー', "\x81\x5B"}, {L'ド', "\x83\x68"}, {L'表', "\x95\x5C"},
  };

  std::optional<std::string> Encode(std::wstring_view text) override {
    log_.push_back("Encode(" + Utf8(text) + ")");
    std::string bytes;
    for (wchar_t c : text) {
      if (static_cast<unsigned long>(c) < 0x80) {
        bytes += static_cast<char>(c);
      } else if (auto pair = double_byte.find(c); pair != double_byte.end()) {
        bytes += pair->second;
      } else {
        return std::nullopt;
      }
    }
    return bytes;
  }

  // Byte pairs missing from the table decode as U+FFFD.
  std::wstring Decode(std::string_view bytes) override {
    log_.push_back("Decode(" + Escaped(bytes) + ")");
    std::wstring text;
    for (size_t i = 0; i < bytes.size(); ++i) {
      if (static_cast<unsigned char>(bytes[i]) < 0x80) {
        text += static_cast<wchar_t>(bytes[i]);
        continue;
      }
      const std::string_view pair = bytes.substr(i++, 2);
      wchar_t decoded = L'\uFFFD';
      for (const auto& [c, encoded] : double_byte) {
        if (encoded == pair) decoded = c;
      }
      text += decoded;
    }
    return text;
  }

 private:
  CallLog& log_;
};

}  // namespace pw::testing
