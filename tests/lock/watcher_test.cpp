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
    LockEnd end;
    Action action;
  };
  const Case cases[] = {
      {"the password", {true, true, true, 0}, Action::kEndQuietly},
      {"a monitor left bare", {true, true, true, 2}, Action::kEndQuietly},
      {"the task manager", {false, true, true, 1}, Action::kStartNewLock},
      {"ended with 0 by force", {false, true, true, 0}, Action::kStartNewLock},
      {"a fatal failure", {false, true, true, 3}, Action::kStartNewLock},
      {"an access violation", {false, true, true, 0xC0000005}, Action::kStartNewLock},
      {"a stack overflow", {false, true, true, 0xC00000FD}, Action::kStartNewLock},
      {"a failed check of the stack", {false, true, true, 0xC0000409}, Action::kStartNewLock},
      {"by force before in force", {false, false, true, 1}, Action::kGiveBackAndLockSystem},
      {"an unusable file after a restart", {true, false, true, 1}, Action::kGiveBackAndLockSystem},
      {"an empty password after a restart", {true, false, true, 0}, Action::kGiveBackAndLockSystem},
      {"its program file gone", {false, true, false, 1}, Action::kGiveBackAndLockSystem},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ForceEnds force_ends;
    EXPECT_EQ(AfterLockEnded(c.end, force_ends, kNow), c.action);
    // Only a force end that brings the lock back counts towards the bound.
    EXPECT_EQ(force_ends.times_ms[0], c.action == Action::kStartNewLock ? kNow : 0);
  }
}

// Ten force ends within a minute each bring the lock back; the eleventh does not, until the
// first of them is a minute old.
TEST(WatcherTest, ComesBackTenTimesAMinute) {
  const LockEnd by_force = {false, true, true, 1};
  ForceEnds force_ends;
  for (std::uint64_t i = 0; i < 10; ++i) {
    EXPECT_EQ(AfterLockEnded(by_force, force_ends, kNow + i * 5000), Action::kStartNewLock);
  }
  EXPECT_EQ(AfterLockEnded(by_force, force_ends, kNow + 59'999), Action::kGiveBackAndLockSystem);
  EXPECT_EQ(AfterLockEnded(by_force, force_ends, kNow + 60'000), Action::kStartNewLock);
}

TEST(WatcherTest, GivesBackThenLocksTheSystem) {
  pw::testing::CallLog log;
  testing::FakeWindowSystem windows(log);
  GiveBackAndLockSystem(windows);
  EXPECT_EQ(log,
            (pw::testing::CallLog{"ClipCursor(null)", "SystemParametersInfoA(17,4294967295,null,3)",
                                  "SystemParametersInfoA(97,0,null,0)", "LockWorkStation()"}));
}

}  // namespace
}  // namespace corvel
