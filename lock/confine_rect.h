// The rectangle the pointer is held in while locked: the lock window's client area in screen
// pixels, from its normal-state geometry.
#pragma once

#include "lock/window_system.h"
#include "shared/forms.h"

namespace corvel {

// A window's outer Left, Top, Width, Height and client ScaleWidth, ScaleHeight, in twips.
struct FormGeometry {
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
  float scale_width = 0;
  float scale_height = 0;
};

FormGeometry GeometryOf(const pw::Form& window);

// From the window's outer and client geometry in twips and the screen's twips per pixel, in
// double arithmetic on the single-precision values, each result rounded half to even. The frame
// is taken as even on all sides and the caption as the rest of the height difference.
PixelRect ComputeConfineRect(const FormGeometry& window, const pw::Screen& screen);

}  // namespace corvel
