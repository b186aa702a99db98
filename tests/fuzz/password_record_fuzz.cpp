// Feeds arbitrary bytes to the password file reader. Besides the sanitizers' checks it aborts when
// a field is not a piece of its input, holds a line end, or is missing although the input has
// something other than spaces and tabs; and when a record written for a field that the writer
// accepts does not read back as that field.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "shared/password_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<std::string> field = pw::ParseFirstField(bytes);
  const bool has_field = bytes.find_first_not_of(" \t") != std::string_view::npos;
  if (field.has_value() != has_field) std::abort();
  if (!field) return 0;
  if (bytes.find(*field) == std::string_view::npos) std::abort();
  if (field->find_first_of("\r\n") != std::string::npos) std::abort();
  if (field->find('"') == std::string::npos &&
      pw::ParseFirstField(pw::FormatRecord(*field)) != field) {
    std::abort();
  }
  return 0;
}
