// Path bounds and bending of the drawing layer.
#include "common/resultcodes.h"
#include "view/drawlayer/drawlayer.h"

namespace xlx {

int32_t GetDrawPathBounds(const VkPath* path, DrawRect* bounds) {
  if (!path || !bounds) return XLX_ERR_ARGUMENT;
  double l = 0, t = 0, r = 0, b = 0;
  const int32_t rc = VkGetPathBounds(path, &l, &t, &r, &b);
  if (rc == XLX_OK) *bounds = DrawRect{l, t, r - l, b - t};
  return rc;
}

int32_t WarpDrawPath(VkPath* path, double maxSegment, DrawPointMap map, void* context) {
  return VkWarpPath(path, maxSegment, map, context);
}

}  // namespace xlx
