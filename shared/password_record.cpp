#include "shared/password_record.h"

namespace pw {

namespace {

constexpr std::string_view kBlanks = " \t";

}  // namespace

std::string FormatRecord(std::string_view text) {
  std::string record;
  record.reserve(text.size() + 4);
  record += '"';
  record += text;
  record += "\"\r\n";
  return record;
}

std::optional<std::string> ParseFirstField(std::string_view bytes) {
  const size_t start = bytes.find_first_not_of(kBlanks);
  if (start == std::string_view::npos) {
    return std::nullopt;
  }
  std::string_view rest = bytes.substr(start);
  if (rest.front() == '"') {
    // Stopping at a line end as well keeps an unclosed quote to its own line.
    rest.remove_prefix(1);
    return std::string(rest.substr(0, rest.find_first_of("\"\r\n")));
  }
  // Leading blanks are already skipped, so only trailing ones remain to drop.
  std::string_view field = rest.substr(0, rest.find_first_of(",\r\n"));
  const size_t last = field.find_last_not_of(kBlanks);
  return std::string(field.substr(0, last == std::string_view::npos ? 0 : last + 1));
}

NotAnsiText CheckAnsiText(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    return NotAnsiText::kUtf8Mark;
  }
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    return NotAnsiText::kUtf16Mark;
  }
  if (bytes.find('\0') != std::string_view::npos) {
    return NotAnsiText::kNulByte;
  }
  return NotAnsiText::kNone;
}

}  // namespace pw
