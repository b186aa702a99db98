// One log that every recording fake writes to, so that a test can assert the exact order of
// calls across interfaces as a table of strings.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace pw::testing {

using CallLog = std::vector<std::string>;

// Wide text as UTF-8, for readable call strings and failure messages.
inline std::string Utf8(std::wstring_view text) {
  std::string out;
  for (wchar_t c : text) {
    auto u = static_cast<unsigned long>(c);
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
      out += static_cast<char>(0xE0 | (u >> 12));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (u >> 18));
      out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

// Bytes as readable text: printable ASCII as it is, every other byte as \xNN.
inline std::string Escaped(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7F && u != '\\') {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", u);
      out += hex;
    }
  }
  return out;
}

// A float as the shortest decimal that reads back the same ("7680", "7.5").
inline std::string Num(float value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(value));
  return buffer;
}

}  // namespace pw::testing
