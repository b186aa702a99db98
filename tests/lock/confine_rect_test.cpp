#include "lock/confine_rect.h"

#include <gtest/gtest.h>

#include <ostream>

namespace corvel {

void PrintTo(const PixelRect& rect, std::ostream* out) {
  *out << "(" << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom << ")";
}

namespace {

// The panel's area at the centre of screens of 800 x 600 and 1280 x 1024; then rows that put a
// half pixel where plain rounding (halves away from zero) would give another result than
// rounding halves to the even neighbour.
TEST(ConfineRectTest, PanelAtTheCentreRoundedHalvesToEven) {
  struct Row {
    const char* what;
    FormGeometry window;  // left, top, width, height, client width and height in twips
    PixelRect expected;
  };
  const Row rows[] = {
      {"800x600", {6000, 4500, 3495, 300, 3495, 300}, {400, 300, 633, 320}},
      {"1280x1024", {9600, 7680, 3495, 300, 3495, 300}, {640, 512, 873, 532}},
      {"centre of 1025x769: 512.5, 384.5 go down",
       {7687.5, 5767.5, 3495, 300, 3495, 300},
       {512, 384, 745, 404}},
      {"centre of 1027x771: 513.5, 385.5 go up",
       {7702.5, 5782.5, 3495, 300, 3495, 300},
       {514, 386, 747, 406}},
      {"frame of 22.5 twips counts as 22",
       {7665.5, 5744.5, 3540, 345, 3495, 300},
       {512, 384, 745, 404}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(ComputeConfineRect(row.window, pw::Screen{}), row.expected);  // 15 twips per pixel
  }
}

}  // namespace
}  // namespace corvel
