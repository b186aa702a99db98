#include "lock/watcher.h"

#include <algorithm>
#include <iterator>

#include "lock/exit_status.h"

namespace corvel {
namespace {

// Records the force end unless the bound is reached: the oldest of the last kForceEndBound force
// ends, which the new one replaces, is then within the window.
bool RecordWithinBound(ForceEnds& force_ends, std::uint64_t now_ms) {
  std::uint64_t* oldest =
      std::min_element(std::begin(force_ends.times_ms), std::end(force_ends.times_ms));
  if (*oldest != 0 && now_ms - *oldest < kForceEndWindowMs) {
    return false;
  }
  *oldest = now_ms;
  return true;
}

}  // namespace

WatcherAction AfterLockEnded(const LockEnd& end, ForceEnds& force_ends, std::uint64_t now_ms) {
  if (end.released || end.session_ending) {
    return WatcherAction::kEndQuietly;
  }
  return RecordWithinBound(force_ends, now_ms) ? WatcherAction::kTakeOver
                                               : WatcherAction::kLockSystem;
}

std::uint64_t WaitBeforeStart(std::uint64_t last_start_ms, std::uint64_t now_ms) {
  const std::uint64_t since = now_ms - last_start_ms;
  return last_start_ms == 0 || since >= kPaceMs ? 0 : kPaceMs - since;
}

void WatcherPace::Started(std::uint64_t now_ms, bool started) {
  last_start_ms_ = now_ms;
  failed_ = !started;
}

void WatcherPace::Ended(bool waited) { failed_ = !waited; }

std::uint64_t WatcherPace::WaitMs(std::uint64_t now_ms) const {
  return failed_ ? WaitBeforeStart(last_start_ms_, now_ms) : 0;
}

bool GiveBackAndLockSystem(WindowSystem& windows) {
  windows.ClipCursor(nullptr);
  windows.SystemParametersInfoA(kSpiSetScreenSaveActive, kAllBitsSet, nullptr, kSpifUpdateAndSend);
  windows.SystemParametersInfoA(kSpiSetScreenSaverRunning, 0, nullptr, kSpifNone);
  return windows.LockWorkStation();
}

WatcherStep AfterWatchedLockEnded(const LockEnd& end, ForceEnds& force_ends, std::uint64_t now_ms,
                                  WindowSystem& windows) {
  WatcherStep step = {true, 0, 0};
  switch (AfterLockEnded(end, force_ends, now_ms)) {
    case WatcherAction::kEndQuietly:
      return {false, 0, kExitUnlocked};
    case WatcherAction::kLockSystem:
      if (GiveBackAndLockSystem(windows)) {
        return {false, 0, kExitSystemLocked};
      }
      // Refused: nothing better is left than this lock, at a pace.
      step.wait_ms = WaitBeforeStart(force_ends.taken_over_ms, now_ms);
      break;
    case WatcherAction::kTakeOver:
      break;
  }
  force_ends.taken_over_ms = now_ms + step.wait_ms;
  return step;
}

}  // namespace corvel
