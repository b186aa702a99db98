// The code page boundary over the system's ANSI code page (CP_ACP).
#pragma once

#include "shared/ansi_code_page.h"

namespace pw {

class Win32AnsiCodePage final : public AnsiCodePage {
 public:
  std::optional<std::string> Encode(std::wstring_view text) override;
  // Bytes that are not valid in the code page become its replacement character.
  std::wstring Decode(std::string_view bytes) override;
};

}  // namespace pw
