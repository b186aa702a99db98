#include "lock/watcher.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "tests/fakes/fake_window_system.h"

namespace corvel {
namespace {

using Action = WatcherAction;
constexpr std::uint64_t kNow = 1'000'000;

// What the lock said before its process ended decides, never its exit status: the task manager
// ends a process with 1, as an unusable password file does, and a crash with its exception code.
TEST(WatcherTest, DecidesByWhatTheLockSaid) {
  struct Case {
    const char* name;
    LockEnd end;  // released, was in force
    Action action;
  };
  const Case cases[] = {
      {"its own end: the password, a monitor left bare", {true, true}, Action::kEndQuietly},
      {"a force end: End task, a crash, a fatal failure", {false, true}, Action::kTakeOver},
      {"a force end before it was in force", {false, false}, Action::kLockSystem},
      {"its own end before it was in force", {true, false}, Action::kLockSystem},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ForceEnds force_ends;
    EXPECT_EQ(AfterLockEnded(c.end, force_ends, kNow), c.action);
    // Only a force end that brings the lock back counts towards the bound.
    EXPECT_EQ(force_ends.times_ms[0], c.action == Action::kTakeOver ? kNow : 0);
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

// Where the system's lock is refused, the watcher takes over all the same, at this pace; so a
// watcher that ends as soon as it starts is started again.
TEST(WatcherTest, StartsAtMostOnceASecond) {
  const std::uint64_t last_starts[] = {0, kNow - 5000, kNow - 1000, kNow - 999, kNow - 400, kNow};
  const std::uint64_t waits[] = {0, 0, 0, 1, 600, 1000};
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(WaitBeforeStart(last_starts[i], kNow), waits[i]);
}

TEST(WatcherTest, GivesBackThenLocksTheSystem) {
  for (const bool refused : {false, true}) {
    pw::testing::CallLog log;
    testing::FakeWindowSystem windows(log);
    windows.system_lock_refused = refused;
    EXPECT_EQ(GiveBackAndLockSystem(windows), !refused);
    EXPECT_EQ(log, (pw::testing::CallLog{
                       "ClipCursor(null)", "SystemParametersInfoA(17,4294967295,null,3)",
                       "SystemParametersInfoA(97,0,null,0)", "LockWorkStation()"}));
  }
}

}  // namespace
}  // namespace corvel
