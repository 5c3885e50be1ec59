// Bending paths: straight pieces cut short enough to follow the map, curves flattened, closes
// kept, bad arguments refused; and the pen's mitre limit.
#include <cmath>
#include "tests/drawing/drawingtestutil.h"

namespace {

// A hump: points move down by 5 px at x = 5, by nothing at x = 0 and x = 10.
void Hump(void*, double* x, double* y) { *y += 5 * std::sin(M_PI * *x / 10); }

}  // namespace

TEST(WarpPath, PiecesFollowTheMapAndBadArgumentsAreRefused) {
  const struct {
    double maxSegment;
    bool curve;
    double bottom;  // of the bent path's bounds
  } cases[] = {
      {1, false, 5},     // cut into ten pieces: the middle one reaches the hump's top
      {100, false, 0},   // one piece: both ends stay on the line
      {1, true, 5},      // a straight curve from 0 to 10 is flattened and cut as finely
  };
  for (const auto& c : cases) {
    VkPath* path = nullptr;
    ASSERT_EQ(1, VkCreatePath(&path));
    ASSERT_EQ(1, VkPathMoveTo(path, 0, 0));
    if (c.curve) ASSERT_EQ(1, VkPathCurveTo(path, 3, 0, 7, 0, 10, 0));
    else ASSERT_EQ(1, VkPathLineTo(path, 10, 0));
    ASSERT_EQ(1, VkPathClose(path));
    ASSERT_EQ(1, VkWarpPath(path, c.maxSegment, Hump, nullptr));
    double l = 0, t = 0, r = 0, b = 0;
    ASSERT_EQ(1, VkGetPathBounds(path, &l, &t, &r, &b));
    EXPECT_NEAR(b, c.bottom, 0.1) << c.maxSegment << (c.curve ? " curve" : " line");
    EXPECT_NEAR(r, 10, 1e-9);
    VkDestroyPath(path);
  }
  VkPath* path = nullptr;
  ASSERT_EQ(1, VkCreatePath(&path));
  EXPECT_EQ(-13, VkWarpPath(path, 0, Hump, nullptr));
  EXPECT_EQ(-13, VkWarpPath(path, NAN, Hump, nullptr));
  EXPECT_EQ(-13, VkWarpPath(path, 1, nullptr, nullptr));
  EXPECT_EQ(-13, VkWarpPath(nullptr, 1, Hump, nullptr));
  VkDestroyPath(path);
  VkPen* pen = nullptr;
  ASSERT_EQ(1, VkCreatePen(0xFF000000u, 4, VK_PEN_SOLID, nullptr, 0, &pen));
  EXPECT_EQ(1, VkSetPenMiterLimit(pen, 1));
  EXPECT_EQ(-13, VkSetPenMiterLimit(pen, 0.5));
  EXPECT_EQ(-13, VkSetPenMiterLimit(pen, INFINITY));
  VkDestroyPen(pen);
}
