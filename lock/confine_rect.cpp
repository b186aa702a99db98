#include "lock/confine_rect.h"

namespace corvel {

FormGeometry GeometryOf(const pw::Form& window) {
  return {window.Left(),   window.Top(),        window.Width(),
          window.Height(), window.ScaleWidth(), window.ScaleHeight()};
}

PixelRect ComputeConfineRect(const FormGeometry& window, const pw::Screen& screen) {
  const double left = window.left;
  const double top = window.top;
  const double width = window.width;
  const double height = window.height;
  const double scale_width = window.scale_width;
  const double scale_height = window.scale_height;
  const double per_pixel_x = screen.twips_per_pixel_x;
  const double per_pixel_y = screen.twips_per_pixel_y;

  const int frame_width = pw::RoundHalfEven((width - scale_width) / 2);
  PixelRect rect;
  rect.left = pw::RoundHalfEven((left + frame_width) / per_pixel_x);
  rect.top = pw::RoundHalfEven((top + height - scale_height - frame_width) / per_pixel_y);
  // Right and bottom build on the whole-pixel left and top just computed.
  rect.right = pw::RoundHalfEven(scale_width / per_pixel_x + rect.left);
  rect.bottom = pw::RoundHalfEven(scale_height / per_pixel_y + rect.top);
  return rect;
}

}  // namespace corvel
