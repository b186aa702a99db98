#include "lock/watcher.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

#include "tests/fakes/fake_window_system.h"

namespace corvel {
namespace {

using Action = WatcherAction;
constexpr std::uint64_t kNow = 1'000'000;

// What the lock said before its process ended decides, never its exit status: the task manager
// ends a process with 1, as an unusable password file does, and a crash with its exception code.
// Where the lock is not to come back, what it took is given back and the system's lock called;
// should a policy refuse it, the watcher takes over all the same, a second after it last did.
TEST(WatcherTest, DecidesByWhatTheLockSaid) {
  const pw::testing::CallLog system_lock = {
      "ClipCursor(null)", "SystemParametersInfoA(17,4294967295,null,3)",
      "SystemParametersInfoA(97,0,null,0)", "LockWorkStation()"};
  struct Case {
    const char* name;
    LockEnd end;  // released, was in force
    bool refused;
    WatcherStep step;  // take over, after ms, exit status
    bool locks_system;
  };
  const Case cases[] = {
      {"its own end: the password, a monitor left bare", {true, true}, false, {false, 0, 0}, false},
      {"a force end: End task, a crash, a fatal failure",
       {false, true},
       false,
       {true, 0, 0},
       false},
      {"before it was in force", {false, false}, false, {false, 0, 6}, true},
      {"before it was in force, the system's lock refused",
       {true, false},
       true,
       {true, 600, 0},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pw::testing::CallLog log;
    testing::FakeWindowSystem windows(log);
    windows.system_lock_refused = c.refused;
    ForceEnds force_ends;
    force_ends.taken_over_ms = kNow - 400;
    const WatcherStep step = AfterWatchedLockEnded(c.end, force_ends, kNow, windows);
    EXPECT_EQ((std::tuple{step.take_over, step.wait_ms, step.exit_code}),
              (std::tuple{c.step.take_over, c.step.wait_ms, c.step.exit_code}));
    EXPECT_EQ(log, c.locks_system ? system_lock : pw::testing::CallLog{});
    // Only a force end that brings the lock back counts towards the bound.
    EXPECT_EQ(force_ends.times_ms[0], c.step.take_over && !c.locks_system ? kNow : 0);
  }
}

// Ten force ends within a minute each bring the lock back; the eleventh does not, until the
// first of them is a minute old.
TEST(WatcherTest, ComesBackTenTimesAMinute) {
  const LockEnd by_force = {false, true};
  ForceEnds force_ends;
  for (std::uint64_t i = 0; i < 10; ++i) {
    EXPECT_EQ(AfterLockEnded(by_force, force_ends, kNow + i * 5000), Action::kTakeOver);
  }
  EXPECT_EQ(AfterLockEnded(by_force, force_ends, kNow + 59'999), Action::kLockSystem);
  EXPECT_EQ(AfterLockEnded(by_force, force_ends, kNow + 60'000), Action::kTakeOver);
}

// The pace of a watcher started again after one that ended as soon as it started, and of a
// watcher that takes over after the system's lock was refused.
TEST(WatcherTest, StartsAtMostOnceASecond) {
  const std::uint64_t last_starts[] = {0, kNow - 5000, kNow - 1000, kNow - 999, kNow - 400, kNow};
  const std::uint64_t waits[] = {0, 0, 0, 1, 600, 1000};
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(WaitBeforeStart(last_starts[i], kNow), waits[i]);
}

}  // namespace
}  // namespace corvel
