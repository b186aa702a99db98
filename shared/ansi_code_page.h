// The boundary to the system's ANSI code page (932 on the Japanese-locale systems targeted),
// in which the password file is stored.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pw {

class AnsiCodePage {
 public:
  virtual ~AnsiCodePage() = default;
  // nullopt when some character has no exact form in the code page (no best-fit substitutes).
  virtual std::optional<std::string> Encode(std::wstring_view text) = 0;
  virtual std::wstring Decode(std::string_view bytes) = 0;
};

}  // namespace pw
