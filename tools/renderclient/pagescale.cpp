#include "pagescale.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t kMaxResolution = 2400;  // as -r accepts

// The largest whole resolution that gives a side of `pixels` at `base` dpi at most `target` pixels.
uint32_t FitResolution(uint32_t target, uint32_t pixels, uint32_t base) {
  if (pixels == 0) return base;
  const double dpi = std::floor(static_cast<double>(target) * base / pixels);
  return static_cast<uint32_t>(std::clamp(dpi, 1.0, static_cast<double>(kMaxResolution)));
}

}  // namespace

PageResolution ScaledResolution(const RenderOptions& o, uint32_t width, uint32_t height) {
  const uint32_t baseX = o.dpi, baseY = o.dpiY ? o.dpiY : o.dpi;
  if (!ScalesPages(o)) return PageResolution{baseX, baseY};
  // The filter draws both axes at one resolution: the largest that meets every size given.
  uint32_t r = kMaxResolution;
  if (o.scaleTo) {
    // The longer side in inches decides; compare them at one resolution.
    const bool wider = static_cast<double>(width) / baseX >= static_cast<double>(height) / baseY;
    r = wider ? FitResolution(o.scaleTo, width, baseX) : FitResolution(o.scaleTo, height, baseY);
  }
  if (o.scaleToX) r = std::min(r, FitResolution(o.scaleToX, width, baseX));
  if (o.scaleToY) r = std::min(r, FitResolution(o.scaleToY, height, baseY));
  return PageResolution{r, r};
}
