// One log that every recording fake writes to, so that a test can assert the exact order of
// calls across interfaces as a table of strings.
#pragma once

#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace pw::testing {

using CallLog = std::vector<std::string>;

// Wide text as UTF-8, for readable call strings and failure messages.
inline std::string Utf8(std::wstring_view text) {
  std::string out;
  for (wchar_t c : text) {
    const auto u = static_cast<unsigned long>(c);
    const int trail = u < 0x80 ? 0 : u < 0x800 ? 1 : u < 0x10000 ? 2 : 3;
    out += static_cast<char>(trail == 0 ? u : ((0xFF00 >> (trail + 1)) & 0xFF) | (u >> 6 * trail));
    for (int i = trail - 1; i >= 0; --i) out += static_cast<char>(0x80 | ((u >> 6 * i) & 0x3F));
  }
  return out;
}

// A call as the fakes log it: "Name(1,2,null)", each argument as a stream writes it.
template <typename... Args>
std::string Call(std::string_view name, const Args&... args) {
  std::ostringstream out;
  out << name << '(';
  const char* separator = "";
  ((out << separator << args, separator = ","), ...);
  out << ')';
  return out.str();
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
