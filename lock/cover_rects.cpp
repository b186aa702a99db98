#include "lock/cover_rects.h"

#include <algorithm>

namespace corvel {
namespace {

bool Within(const PixelRect& inner, const PixelRect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

}  // namespace

std::vector<PixelRect> CoverRects(const std::vector<Monitor>& monitors) {
  const auto primary =
      std::find_if(monitors.begin(), monitors.end(), [](const Monitor& m) { return m.primary; });
  // Without a primary monitor nothing is known to be under Main, so every monitor gets a cover.
  const PixelRect main = primary == monitors.end() ? PixelRect{} : primary->rect;
  std::vector<PixelRect> rects;
  for (const Monitor& monitor : monitors) {
    if (Within(monitor.rect, main) ||
        std::find(rects.begin(), rects.end(), monitor.rect) != rects.end()) {
      continue;
    }
    rects.push_back(monitor.rect);
  }
  return rects;
}

}  // namespace corvel
