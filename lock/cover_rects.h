// Where the covers go: over every monitor that Main, maximized over the primary screen, leaves
// bare.
#pragma once

#include <vector>

#include "lock/monitor_covers.h"

namespace corvel {

// One rectangle per monitor that does not lie within the primary one, in the order the monitors
// come, a monitor that mirrors another counted once.
std::vector<PixelRect> CoverRects(const std::vector<Monitor>& monitors);

}  // namespace corvel
