// What the lock withstood while it held, told to whoever unlocks it: wrong passwords, force ends
// it came back from, and what other programs asked of it that it refused (the session's end, a
// minimize, restore, move, size or hide, a style change, a disable, the messages only its own end
// sends), each kind counted with the time of the latest. Plain data: it lives where the lock and
// its watcher both see it, so that a force end loses none of it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>

namespace corvel {

// The local wall-clock time, as the system gives it.
struct LocalTime {
  std::uint16_t year = 0;
  std::uint8_t month = 0, day = 0, hour = 0, minute = 0;
};

struct AwayCount {
  std::uint32_t count = 0;
  LocalTime latest;
};

struct AwayRecord {
  AwayCount wrong_passwords, force_ends, refused_requests;
};
static_assert(std::is_trivially_copyable_v<AwayRecord> && std::is_standard_layout_v<AwayRecord>);

// One kind of what the lock withstood: &AwayRecord::wrong_passwords, say.
using AwayKind = AwayCount AwayRecord::*;

// Counts one more at `now`; the count stops at its greatest rather than start over.
void CountAway(AwayCount& count, const LocalTime& now);

// The message box's text, a line for each kind counted; none when nothing was. A latest on
// another day than `now` carries its date.
std::optional<std::wstring> AwayReport(const AwayRecord& record, const LocalTime& now);

}  // namespace corvel
