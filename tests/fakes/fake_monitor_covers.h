// A recording fake of the monitors and their covers. Covers are numbered from 1 as they are
// made; changes are logged as "CreateCover(1024,0,2048,768)", "MoveCover(1,...)",
// "DestroyCover(1)". Reading the monitor list changes nothing and is not logged.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "lock/monitor_covers.h"
#include "tests/fakes/call_log.h"

namespace corvel::testing {

class FakeMonitorCovers : public MonitorCovers {
 public:
  explicit FakeMonitorCovers(pw::testing::CallLog& log) : log_(log) {}

  // What Monitors() gives; none: the list cannot be read.
  std::optional<std::vector<Monitor>> monitors = std::vector<Monitor>{{{0, 0, 1024, 768}, true}};
  int failing = 0;  // the number of the cover that cannot be made; 0 for none
  int gone = 0;     // the number of a cover that went without the lock removing it; 0 for none

  std::optional<std::vector<Monitor>> Monitors() override { return monitors; }
  std::intptr_t CreateCover(const PixelRect& rect) override {
    log_.push_back(pw::testing::Call("CreateCover", rect.left, rect.top, rect.right, rect.bottom));
    return ++made_ == failing ? 0 : made_;
  }
  void MoveCover(std::intptr_t cover, const PixelRect& rect) override {
    log_.push_back(
        pw::testing::Call("MoveCover", cover, rect.left, rect.top, rect.right, rect.bottom));
  }
  void DestroyCover(std::intptr_t cover) override {
    log_.push_back(pw::testing::Call("DestroyCover", cover));
  }
  bool Stands(std::intptr_t cover) override { return cover != gone; }

 private:
  pw::testing::CallLog& log_;
  int made_ = 0;
};

}  // namespace corvel::testing
