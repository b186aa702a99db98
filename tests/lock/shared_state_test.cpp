#include "lock/shared_state.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace corvel {
namespace {

// Each side reads what the other wrote: the watcher finds itself handed the memory only by the
// lock in force that started it, what the lock withstood outlives a takeover, and the lock's own
// end leaves no password behind.
TEST(SharedStateTest, EachSideReadsWhatTheOtherWrote) {
  SharedState state = {};
  state.watcher_pid = 20;
  state.lock_pid = 10;
  EXPECT_FALSE(HandedTo(state, 20, 10)) << "memory not made by a lock";
  Initialize(state);
  MarkInForce(state, 10, 77, L"Open sesame");
  MarkWatcherStarting(state, 20);
  // Handed to this process by this starter; not to another process, nor by another starter.
  EXPECT_EQ((std::tuple{HandedTo(state, 20, 10), HandedTo(state, 21, 10), HandedTo(state, 20, 11)}),
            (std::tuple{true, false, false}));
  EXPECT_EQ((std::tuple{std::wstring(state.password), Waited(state)}),
            (std::tuple{L"Open sesame", false}));
  MarkWaiting(state);
  EXPECT_TRUE(Waited(state));
  CountAway(state.away.wrong_passwords, {2026, 12, 7, 14, 2});
  MarkWatcherStarting(state, 30);  // the next one, after that watcher ended
  EXPECT_EQ((std::tuple{Waited(state), Released(state)}), (std::tuple{false, false}));
  MarkReleased(state);
  EXPECT_TRUE(Released(state));
  EXPECT_EQ(std::wstring(state.password, std::size(state.password)),
            std::wstring(std::size(state.password), L'\0'));
  // A watcher that took over: in force again, a longer password cut to what a password may hold.
  MarkInForce(state, 30, 78, std::wstring(300, L'x'));
  EXPECT_FALSE(Released(state));
  EXPECT_EQ((std::tuple{state.lock_pid, state.window, std::wstring(state.password)}),
            (std::tuple{30u, 78u, std::wstring(pw::kMaxPasswordLength, L'x')}));
  EXPECT_EQ(state.away.wrong_passwords.count, 1u);
}

}  // namespace
}  // namespace corvel
