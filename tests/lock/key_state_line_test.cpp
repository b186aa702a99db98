#include "lock/key_state_line.h"

#include <gtest/gtest.h>

#include <string_view>

namespace corvel {
namespace {

TEST(KeyStateLineTest, SaysWhichLockKeysAreOn) {
  struct Row {
    bool caps_lock, kana_lock;
    std::wstring_view line;
  };
  const Row rows[] = {
      {false, false, L""},
      {true, false, L"Caps Lock がオンです"},
      {false, true, L"カナ入力がオンです"},
      {true, true, L"Caps Lock とカナ入力がオンです"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(KeyStateLine(row.caps_lock, row.kana_lock), row.line)
        << row.caps_lock << row.kana_lock;
  }
}

}  // namespace
}  // namespace corvel
