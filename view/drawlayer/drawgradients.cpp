// Gradient brushes of the drawing layer: stops put in order and the gradient's geometry worked
// out from the box it fills, then handed to the host.
#include <algorithm>
#include <cmath>
#include "common/resultcodes.h"
#include "view/drawlayer/drawlayer.h"

namespace xlx {

namespace {

constexpr int32_t kMaxStops = VK_MAX_GRADIENT_STOPS;

// Copies the stops clamped and sorted; false for a count out of range.
bool OrderStops(const DrawGradientStop* stops, int32_t count, VkGradientStop* out) {
  if (!stops || count < 1 || count > kMaxStops) return false;
  for (int32_t i = 0; i < count; ++i) {
    const double o = std::isfinite(stops[i].offset) ? stops[i].offset : 0;
    out[i] = {std::min(1.0, std::max(0.0, o)), stops[i].color};
  }
  std::stable_sort(out, out + count, [](const VkGradientStop& a, const VkGradientStop& b) { return a.offset < b.offset; });
  return true;
}

int32_t MakeGradient(int32_t kind, const double* geometry, int32_t geometryCount, const DrawGradientStop* stops,
                     int32_t count, VkBrush** brush) {
  if (!brush) return XLX_ERR_ARGUMENT;
  *brush = nullptr;
  VkGradientStop ordered[kMaxStops];
  if (!OrderStops(stops, count, ordered)) return XLX_ERR_ARGUMENT;
  if (count == 1) return VkCreateSolidBrush(ordered[0].color, brush);
  return VkCreateGradientBrush(kind, geometry, geometryCount, ordered, count, brush);
}

}  // namespace

int32_t SetDrawLinearGradientBrush(const DrawRect& box, double angleDegrees, bool scaleWithBox,
                                   const DrawGradientStop* stops, int32_t count, VkBrush** brush) {
  if (!std::isfinite(angleDegrees)) angleDegrees = 0;
  const double a = angleDegrees * M_PI / 180;
  double nx = std::cos(a), ny = std::sin(a);
  // Stretching a square's gradient to the box turns its normal by the inverse scale.
  if (scaleWithBox && box.width > 0 && box.height > 0) nx /= box.width, ny /= box.height;
  const double length = std::hypot(nx, ny);
  if (length > 0) nx /= length, ny /= length;
  else nx = 1, ny = 0;
  const double half = (std::fabs(nx) * box.width + std::fabs(ny) * box.height) / 2;
  const double cx = box.left + box.width / 2, cy = box.top + box.height / 2;
  const double geometry[4] = {cx - nx * half, cy - ny * half, cx + nx * half, cy + ny * half};
  if (half <= 0) {  // an empty box: the first colour only
    return MakeGradient(VK_GRADIENT_LINEAR, geometry, 4, stops, std::min<int32_t>(count, 1), brush);
  }
  return MakeGradient(VK_GRADIENT_LINEAR, geometry, 4, stops, count, brush);
}

int32_t SetDrawRadialGradientBrush(double cx, double cy, double rx, double ry, const DrawGradientStop* stops,
                                   int32_t count, VkBrush** brush) {
  const double geometry[4] = {cx, cy, std::fabs(rx), std::fabs(ry)};
  const bool empty = !(std::fabs(rx) > 1e-9 && std::fabs(ry) > 1e-9);
  return MakeGradient(VK_GRADIENT_RADIAL, geometry, 4, stops, empty ? std::min<int32_t>(count, 1) : count, brush);
}

int32_t SetDrawRectGradientBrush(const DrawRect& inner, const DrawRect& outer, const DrawGradientStop* stops,
                                 int32_t count, VkBrush** brush) {
  const double ol = outer.left, ot = outer.top;
  const double orr = outer.left + std::max(0.0, outer.width), ob = outer.top + std::max(0.0, outer.height);
  const double il = std::min(orr, std::max(ol, inner.left)), it = std::min(ob, std::max(ot, inner.top));
  const double ir = std::min(orr, std::max(il, inner.left + inner.width));
  const double ib = std::min(ob, std::max(it, inner.top + inner.height));
  const double geometry[8] = {il, it, ir, ib, ol, ot, orr, ob};
  return MakeGradient(VK_GRADIENT_RECT, geometry, 8, stops, count, brush);
}

}  // namespace xlx
