// The window-system side of covering the monitors that Main, maximized over the primary screen,
// leaves bare: the list of monitors, and the black windows that cover the others.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "lock/window_system.h"

namespace corvel {

// A monitor's rectangle in the pixels of the desktop, whose origin is the primary's top-left.
struct Monitor {
  PixelRect rect;
  bool primary = false;
};

class MonitorCovers {
 public:
  virtual ~MonitorCovers() = default;
  // The monitors, or none when their list, or a monitor in it, cannot be read.
  virtual std::optional<std::vector<Monitor>> Monitors() = 0;
  // Shows a black, topmost window over rect that takes neither activation nor the focus; 0 when
  // it cannot be made.
  virtual std::intptr_t CreateCover(const PixelRect& rect) = 0;
  virtual void MoveCover(std::intptr_t cover, const PixelRect& rect) = 0;
  virtual void DestroyCover(std::intptr_t cover) = 0;
  // Whether the cover still stands: nothing but the lock can destroy it, yet a message that says
  // it went may come from anyone.
  virtual bool Stands(std::intptr_t cover) = 0;
};

}  // namespace corvel
