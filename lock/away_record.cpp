#include "lock/away_record.h"

#include <cstdint>

#include "lock/decimal.h"
#include "lock/layout.h"

namespace corvel {
namespace {

bool SameDay(const LocalTime& a, const LocalTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

// "14:02", or "12/6 23:58" when not today.
std::wstring When(const LocalTime& latest, const LocalTime& now) {
  std::wstring text;
  if (!SameDay(latest, now)) {
    text = Decimal(latest.month) + L"/" + Decimal(latest.day) + L" ";
  }
  return text + Decimal(latest.hour, 2) + L":" + Decimal(latest.minute, 2);
}

}  // namespace

void CountAway(AwayCount& count, const LocalTime& now) {
  if (count.count != UINT32_MAX) {
    ++count.count;
  }
  count.latest = now;
}

std::optional<std::wstring> AwayReport(const AwayRecord& record, const LocalTime& now) {
  const struct {
    const AwayCount& count;
    const wchar_t* label;
  } lines[] = {
      {record.wrong_passwords, layout::kAwayWrongPasswords},
      {record.force_ends, layout::kAwayForceEnds},
      {record.refused_requests, layout::kAwayRefusedRequests},
  };
  std::wstring counted;
  for (const auto& line : lines) {
    if (line.count.count != 0) {
      counted += L"\n";
      counted += line.label + Decimal(line.count.count) + layout::kAwayTimesLatest +
                 When(line.count.latest, now) + L")";
    }
  }
  if (counted.empty()) {
    return std::nullopt;
  }
  return layout::kAwayHeading + counted;
}

}  // namespace corvel
