#include "lock/away_record.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvel {
namespace {

constexpr auto kWrong = &AwayRecord::wrong_passwords;
constexpr auto kForce = &AwayRecord::force_ends;
constexpr auto kRefused = &AwayRecord::refused_requests;

// Counted in the order they came; told a kind to a line, always in the same order, with the time
// of the latest of each, and its date when that was not today. Nothing counted makes no box.
TEST(AwayRecordTest, TellsWhatTheLockWithstood) {
  const LocalTime now = {2026, 12, 7, 14, 30};
  const std::wstring heading = L"ロック中に次のことがありました。\n";
  struct Event {
    AwayCount AwayRecord::*kind;
    LocalTime at;
  };
  struct Case {
    const char* name;
    AwayRecord before;
    std::vector<Event> events;
    std::optional<std::wstring> text;
  };
  const Case cases[] = {
      {"nothing counted", {}, {}, std::nullopt},
      {"all three, in a fixed order, the latest of other days with their date",
       {},
       {{kRefused, {2026, 11, 30, 9, 5}},
        {kForce, {2026, 12, 6, 23, 50}},
        {kWrong, {2026, 12, 7, 0, 1}},
        {kForce, {2026, 12, 6, 23, 58}}},
       heading + L"間違ったパスワードの入力: 1 回 (最後は 00:01)\n" +
           L"強制終了からの復帰: 2 回 (最後は 12/6 23:58)\n" +
           L"ほかのプログラムからの要求を拒否: 1 回 (最後は 11/30 09:05)"},
      {"a count at its greatest stays there",
       {{UINT32_MAX - 1, {2026, 12, 7, 8, 0}}, {}, {}},
       {{kWrong, {2026, 12, 7, 14, 2}}, {kWrong, {2026, 12, 7, 14, 3}}},
       heading + L"間違ったパスワードの入力: 4294967295 回 (最後は 14:03)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AwayRecord record = c.before;
    for (const Event& event : c.events) CountAway(record.*event.kind, event.at);
    EXPECT_EQ(AwayReport(record, now), c.text);
  }
}

}  // namespace
}  // namespace corvel
