#include "lock/shared_state.h"

#include <algorithm>
#include <atomic>

namespace corvel {
namespace {

constexpr std::uint32_t kMagic = 0x43525634;

// The two flags are read by the other process while this one runs: each is one store and one load.
void Store(std::int32_t& flag, std::int32_t value) {
  std::atomic_ref<std::int32_t>(flag).store(value);
}

bool Load(const std::int32_t& flag) {
  return std::atomic_ref<std::int32_t>(const_cast<std::int32_t&>(flag)).load() != 0;
}

}  // namespace

void Initialize(SharedState& state) { state.magic = kMagic; }

void MarkInForce(SharedState& state, std::uint32_t lock_pid, std::uint32_t window,
                 std::wstring_view password) {
  const std::size_t length = std::min(password.size(), std::size_t{pw::kMaxPasswordLength});
  std::fill(std::copy_n(password.begin(), length, state.password), std::end(state.password), L'\0');
  state.lock_pid = lock_pid;
  state.window = window;
  Store(state.released, 0);
}

void MarkWatcherStarting(SharedState& state, std::uint32_t watcher_pid) {
  state.watcher_pid = watcher_pid;
  Store(state.waiting, 0);
}

void MarkWaiting(SharedState& state) { Store(state.waiting, 1); }

void MarkReleased(SharedState& state) {
  volatile wchar_t* password = state.password;
  for (std::size_t i = 0; i < std::size(state.password); ++i) {
    password[i] = L'\0';
  }
  Store(state.released, 1);
}

bool HandedTo(const SharedState& state, std::uint32_t own_pid, std::uint32_t starter_pid) {
  return state.magic == kMagic && state.watcher_pid == own_pid && state.lock_pid == starter_pid;
}

bool Released(const SharedState& state) { return Load(state.released); }

bool Waited(const SharedState& state) { return Load(state.waiting); }

}  // namespace corvel
