#include "lock/cover_rects.h"

#include <gtest/gtest.h>

#include <vector>

namespace corvel {
namespace {

TEST(CoverRectsTest, EveryMonitorButThePrimary) {
  struct Row {
    const char* what;
    std::vector<Monitor> monitors;
    std::vector<PixelRect> covers;
  };
  const Row rows[] = {
      {"primary only", {{{0, 0, 1920, 1080}, true}}, {}},
      {"two side by side",
       {{{0, 0, 1920, 1080}, true}, {{1920, 0, 3840, 1080}, false}},
       {{1920, 0, 3840, 1080}}},
      {"left of the primary",
       {{{-1280, 0, 0, 1024}, false}, {{0, 0, 1920, 1080}, true}},
       {{-1280, 0, 0, 1024}}},
      {"three of different sizes, above and right",
       {{{0, -768, 1024, 0}, false}, {{0, 0, 1280, 720}, true}, {{1280, 0, 3840, 1440}, false}},
       {{0, -768, 1024, 0}, {1280, 0, 3840, 1440}}},
      {"a mirror of the primary, and two of another",
       {{{0, 0, 1920, 1080}, true},
        {{0, 0, 1920, 1080}, false},
        {{1920, 0, 3200, 1024}, false},
        {{1920, 0, 3200, 1024}, false}},
       {{1920, 0, 3200, 1024}}},
      {"none marked primary: all covered",
       {{{0, 0, 800, 600}, false}, {{800, 0, 1600, 600}, false}},
       {{0, 0, 800, 600}, {800, 0, 1600, 600}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(CoverRects(row.monitors), row.covers);
  }
}

}  // namespace
}  // namespace corvel
