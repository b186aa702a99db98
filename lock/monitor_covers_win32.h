// The monitors as the system lists them, and covers as windows of a minimal class of their own:
// black, borderless, topmost, disabled, out of the taskbar and never activated.
#pragma once

#include <windows.h>

#include "lock/monitor_covers.h"

namespace corvel {

class Win32MonitorCovers final : public MonitorCovers {
 public:
  explicit Win32MonitorCovers(HINSTANCE instance) : instance_(instance) {}
  std::vector<Monitor> Monitors() override;
  CoverMade CreateCover(const PixelRect& rect) override;
  void MoveCover(std::intptr_t cover, const PixelRect& rect) override;
  void DestroyCover(std::intptr_t cover) override;

 private:
  HINSTANCE instance_;
  bool registered_ = false;
};

}  // namespace corvel
