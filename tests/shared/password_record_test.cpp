#include "shared/password_record.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace pw {
namespace {

struct ParseCase {
  const char* name;
  std::string bytes;
  std::optional<std::string> field;
};

TEST(ParseFirstFieldTest, FollowsTheReadingRules) {
  const ParseCase cases[] = {
      {"quoted record", "\"abc\"\r\n", "abc"},
      {"empty quoted record", "\"\"\r\n", ""},
      {"commas and spaces inside quotes", "\" a, b \"\r\n", " a, b "},
      {"rest of the line after the closing quote", "\"a, b\"xyz,q\r\n", "a, b"},
      {"inner quote ends the field", "\"ab\"cd\"\r\n", "ab"},
      {"spaces and tabs before a quote", " \t \"abc\"\r\n", "abc"},
      {"unquoted, up to a comma, trimmed", "  abc  ,def\r\n", "abc"},
      {"unquoted, up to the line end, tabs trimmed", "\tab c\t \r\nx", "ab c"},
      {"unquoted keeps a quote inside", "ab\"c\r\n", "ab\"c"},
      {"unquoted without a line end", "abc", "abc"},
      {"bare LF line end", "abc\nxyz\n", "abc"},
      {"bare CR line end", "abc\rxyz", "abc"},
      {"empty first line", "\r\n", ""},
      {"empty first line, record below", "\n\"abc\"\r\n", ""},
      {"comma first", ",abc\r\n", ""},
      {"unclosed quote runs to its line end", "\"ab c\r\n\"def\"\r\n", "ab c"},
      {"unclosed quote runs to the end", "\"ab c", "ab c"},
      {"code page 932 inside quotes", "\"\x83\x70\x83\x58\x81\x5B\"\r\n",
       "\x83\x70\x83\x58\x81\x5B"},
      {"code page 932 trail byte 0x5C unquoted", " \x95\x5C \r\n", "\x95\x5C"},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ParseFirstField(c.bytes), c.field);
  }
}

}  // namespace
}  // namespace pw
