#include "view/xlsxviewfonts.h"

#include <algorithm>
#include <cmath>

#include "common/apiutils.h"
#include "view/drawlayer/drawlayer.h"

namespace xlx {
namespace {

std::u16string WithoutBlanks(const char16_t* s) {
  std::u16string out;
  for (; s && *s; ++s)
    if (*s != u' ') out.push_back(*s);
  return out;
}

uint32_t StyleOf(const MyLogFont& f) {
  return (f.lfWeight > 500 ? VK_FONT_BOLD : 0u) | (f.lfItalic ? VK_FONT_ITALIC : 0u) |
         (f.lfUnderline ? VK_FONT_UNDERLINE : 0u) | (f.lfStrikeOut ? VK_FONT_STRIKEOUT : 0u);
}

}  // namespace

FontCache::~FontCache() {
  for (auto& entry : fonts_) VkDestroyFont(entry.second.font);
}

const CellFont* FontCache::Get(const MyLogFont& model, double scale) {
  double heightPx = std::fabs(model.lfUnconvertedFontSize > 0 ? model.lfUnconvertedFontSize : model.lfHeight) * scale;
  if (!(heightPx > 0.1)) heightPx = 14.67 * scale;
  heightPx = std::min(heightPx, 4000.0);
  std::u16string face(model.lfFaceName, Utf16Length(model.lfFaceName));
  if (face.empty()) face = u"Calibri";
  auto key = std::make_tuple(face, static_cast<int32_t>(std::lround(heightPx * 64)), StyleOf(model));
  auto found = fonts_.find(key);
  if (found != fonts_.end()) return found->second.font ? &found->second : nullptr;
  CellFont& f = fonts_[key];
  f.heightPx = heightPx;
  const double sizePt = heightPx * 72.0 / VkGetTextResolution(engine_);
  const uint32_t style = StyleOf(model);
  if (VkCreateFont(engine_, face.c_str(), sizePt, style, &f.font) != 1) return nullptr;
  char16_t family[64] = {0};
  VkGetFontFamily(f.font, family, 64);
  f.family = family;
  // A face the host replaced is asked for again under the name it is known by, when known.
  if (WithoutBlanks(family) != WithoutBlanks(face.c_str())) {
    if (const char16_t* alias = FindFontSubstitute(face.c_str())) {
      VkFont* again = nullptr;
      if (VkCreateFont(engine_, alias, sizePt, style, &again) == 1) {
        VkDestroyFont(f.font);
        f.font = again;
        VkGetFontFamily(f.font, family, 64);
        f.family = family;
      }
    }
  }
  used_[face] = f.family;
  // "Wingdings" faces are measured as Calibri for the cell insets.
  const bool symbol = face.find(u"Wingdings") != std::u16string::npos;
  VkFont* measureFont = f.font;
  VkFont* calibri = nullptr;
  if (symbol && VkCreateFont(engine_, u"Calibri", sizePt, style, &calibri) == 1) measureFont = calibri;
  double h = 0, w00 = 0, w0s0 = 0;
  VkMeasureText(engine_, measureFont, u"00", 2, 0, &w00, &h);
  VkMeasureText(engine_, measureFont, u"0 0", 3, 0, &w0s0, &h);
  VkMeasureText(engine_, measureFont, u"0", 1, 0, &f.widthZero, &h);
  if (calibri) VkDestroyFont(calibri);
  f.width00 = w00 > 0 ? w00 : 1.34 * heightPx;
  f.indentUnit = 3 * (w0s0 - w00);
  double descent = 0;
  if (VkGetFontMetrics(engine_, f.font, &f.ascent, &descent, &f.lineHeight) != 1 || f.lineHeight <= 0) {
    f.lineHeight = heightPx * 1.2;
    f.ascent = heightPx * 0.95;
  }
  return &f;
}

void FontCache::Measure(const CellFont& font, const char16_t* text, int32_t length, double maxWidth, double* width,
                        double* height) {
  if (VkMeasureText(engine_, font.font, text, length, maxWidth, width, height) == 1) return;
  // The host could not measure: estimate from the character count.
  *width = length * (font.widthZero > 0 ? font.widthZero : 0.67 * font.heightPx);
  *height = font.heightPx;
}

}  // namespace xlx
