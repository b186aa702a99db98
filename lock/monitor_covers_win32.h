// The monitors as the system lists them, and covers as windows of a minimal class of their own:
// black, borderless, topmost, disabled, out of the taskbar and never activated. Covers refuse
// close requests and the commands that fold them away; one destroyed other than by DestroyCover
// is reported to the window given to ReportLostCoversTo by a posted kCoverLostMessage, one that
// left its monitor by a posted kPutBackMessage, and each request refused by a posted
// kRefusedMessage, which the lock waiting beneath Main posts to it for its own refusals too.
#pragma once

#include <windows.h>

#include "lock/monitor_covers.h"

namespace corvel {

inline constexpr UINT kCoverLostMessage = WM_APP;
inline constexpr UINT kRefusedMessage = WM_APP + 3;

class Win32MonitorCovers final : public MonitorCovers {
 public:
  explicit Win32MonitorCovers(HINSTANCE instance) : instance_(instance) {}
  void ReportLostCoversTo(HWND window) { report_to_ = window; }
  std::optional<std::vector<Monitor>> Monitors() override;
  std::intptr_t CreateCover(const PixelRect& rect) override;
  void MoveCover(std::intptr_t cover, const PixelRect& rect) override;
  void DestroyCover(std::intptr_t cover) override;
  bool Stands(std::intptr_t cover) override;

 private:
  HINSTANCE instance_;
  HWND report_to_ = nullptr;
  bool registered_ = false;
};

}  // namespace corvel
