#include "view/cells/fonts.h"

#include <algorithm>
#include <cmath>

namespace xlx {

const CachedDrawFont* FontCache::Get(const MyLogFont& model, double scale) {
  // Sizes go in half points (2/3 px at 96 dpi), the steps the application offers: a text of
  // thousands of runs in sizes a hundredth of a point apart makes a font per half point only.
  const double modelPx = std::fabs(model.lfUnconvertedFontSize > 0 ? model.lfUnconvertedFontSize : model.lfHeight);
  double heightPx = std::round(std::min(modelPx, 1e6) * 1.5) / 1.5 * scale;
  if (!(heightPx > 0.1)) heightPx = 14.67 * scale;
  DrawFontSpec spec;
  for (size_t i = 0; i < 32; ++i) spec.lfFaceName[i] = model.lfFaceName[i];
  spec.lfFaceName[31] = 0;
  spec.dHeightPx = std::min(heightPx, 4000.0);
  spec.lfWeight = model.lfWeight;
  spec.lfItalic = model.lfItalic;
  spec.lfUnderline = model.lfUnderline;
  spec.lfStrikeOut = model.lfStrikeOut;
  // The styles' family number 3 ("modern") marks a fixed-pitch face.
  spec.bFixedPitch = model.lfPitchAndFamily == 3;
  return cache_.Get(spec);
}

}  // namespace xlx
