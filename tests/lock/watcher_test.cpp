#include "lock/watcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <tuple>

#include "tests/fakes/fake_window_system.h"

namespace corvel {
namespace {

using Action = WatcherAction;
constexpr std::uint64_t kNow = 1'000'000;

// What the lock said before its process ended decides, never its exit status: the task manager
// ends a process with 1, as an unusable password file does, and a crash with its exception code.
// A lock ended as fast as it comes back gives back what it took and calls the system's lock;
// should a policy refuse it, the watcher takes over all the same, a second after it last did.
TEST(WatcherTest, DecidesByWhatTheLockSaid) {
  const pw::testing::CallLog system_lock = {
      "ClipCursor(null)", "SystemParametersInfoA(17,4294967295,null,3)",
      "SystemParametersInfoA(97,0,null,0)", "LockWorkStation()"};
  struct Case {
    const char* name;
    LockEnd end;  // released, the session ending
    bool bound_reached;
    bool refused;
    WatcherStep step;  // take over, after ms, exit status
  };
  const Case cases[] = {
      {"its own end: the password", {true, false}, false, false, {false, 0, 0}},
      {"a force end: End task, a crash, a fatal failure",
       {false, false},
       false,
       false,
       {true, 0, 0}},
      {"ended with the session", {false, true}, false, false, {false, 0, 0}},
      {"ended too often", {false, false}, true, false, {false, 0, 6}},
      {"ended too often, the system's lock refused", {false, false}, true, true, {true, 600, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pw::testing::CallLog log;
    testing::FakeWindowSystem windows(log);
    windows.system_lock_refused = c.refused;
    ForceEnds force_ends;
    force_ends.taken_over_ms = kNow - 400;
    if (c.bound_reached) std::ranges::fill(force_ends.times_ms, kNow - 1);
    const ForceEnds before = force_ends;
    const WatcherStep step = AfterWatchedLockEnded(c.end, force_ends, kNow, windows);
    EXPECT_EQ((std::tuple{step.take_over, step.wait_ms, step.exit_code}),
              (std::tuple{c.step.take_over, c.step.wait_ms, c.step.exit_code}));
    EXPECT_EQ(log, c.bound_reached ? system_lock : pw::testing::CallLog{});
    // Only a force end that brings the lock back counts towards the bound; a take-over is timed.
    EXPECT_EQ(force_ends.times_ms[0],
              c.step.take_over && !c.bound_reached ? kNow : before.times_ms[0]);
    EXPECT_EQ(force_ends.taken_over_ms, c.step.take_over ? kNow + c.step.wait_ms : kNow - 400);
  }
}

// Ten force ends within a minute each bring the lock back; the eleventh does not, until the
// first of them is a minute old.
TEST(WatcherTest, ComesBackTenTimesAMinute) {
  const LockEnd by_force = {false, false};
  ForceEnds force_ends;
  for (std::uint64_t i = 0; i < 10; ++i) {
    EXPECT_EQ(AfterLockEnded(by_force, force_ends, kNow + i * 5000), Action::kTakeOver);
  }
  EXPECT_EQ(AfterLockEnded(by_force, force_ends, kNow + 59'999), Action::kLockSystem);
  EXPECT_EQ(AfterLockEnded(by_force, force_ends, kNow + 60'000), Action::kTakeOver);
}

// A watcher comes at once after one that waited and then ended; a start that failed, or a watcher
// that ended before it waited, holds the next back until a second after that start.
TEST(WatcherTest, PacesOnlyAfterAFailure) {
  struct Case {
    const char* name;
    bool started;
    std::optional<bool> waited;  // how the watcher ended, if it did
    std::uint64_t wait_ms;       // at kNow, 400 ms after the start
  };
  const Case cases[] = {
      {"running", true, std::nullopt, 0},
      {"ended after it waited", true, true, 0},
      {"ended before it waited", true, false, 600},
      {"not started", false, std::nullopt, 600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WatcherPace pace;
    EXPECT_EQ(pace.WaitMs(kNow - 400), 0u);
    pace.Started(kNow - 400, c.started);
    if (c.waited) pace.Ended(*c.waited);
    EXPECT_EQ(pace.WaitMs(kNow), c.wait_ms);
    EXPECT_EQ(pace.WaitMs(kNow + 600), 0u);
  }
}

}  // namespace
}  // namespace corvel
