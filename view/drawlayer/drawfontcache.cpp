// The drawing layer's font cache: host fonts made once per face, height and style, with the
// measures of cell text placement.
#include <vector>
#include <cmath>
#include <cstdlib>
#include <new>
#include "common/resultcodes.h"
#include "view/drawlayer/drawlayer.h"

namespace xlx {
namespace {


std::u16string FaceOf(const DrawFontSpec& spec) {
  size_t n = 0;
  while (n < 31 && spec.lfFaceName[n]) ++n;
  return n ? std::u16string(spec.lfFaceName, n) : std::u16string(u"Calibri");
}

// Fills the measures of a made font. Symbol faces have no useful "0": they are measured in Calibri.
void MeasureFont(VkDrawingEngine* engine, const std::u16string& face, const DrawFontSpec& spec, CachedDrawFont* f) {
  const VkFont* measureFont = f->font->hFont;
  DrawFont* calibri = nullptr;
  if (face.find(u"Wingdings") != std::u16string::npos) {
    DrawFontSpec alt = spec;
    for (size_t i = 0; i < 32; ++i) alt.lfFaceName[i] = i < 7 ? u"Calibri"[i] : u'\0';
    if (SetDrawFont(engine, alt, &calibri) == XLX_OK) measureFont = calibri->hFont;
  }
  double h = 0, w00 = 0, w0s0 = 0;
  VkMeasureText(engine, measureFont, u"00", 2, 0, &w00, &h);
  VkMeasureText(engine, measureFont, u"0 0", 3, 0, &w0s0, &h);
  VkMeasureText(engine, measureFont, u"0", 1, 0, &f->widthZero, &h);
  FreeDrawFont(calibri);
  f->width00 = w00 > 0 ? w00 : 1.34 * f->heightPx;
  f->indentUnit = 3 * (w0s0 - w00);
  double descent = 0;
  if (VkGetFontMetrics(engine, f->font->hFont, &f->ascent, &descent, &f->lineHeight) != XLX_OK || f->lineHeight <= 0) {
    f->lineHeight = f->heightPx * 1.2;
    f->ascent = f->heightPx * 0.95;
  }
}

}  // namespace

DrawFontCache::~DrawFontCache() {
  for (auto& entry : fonts_) FreeDrawFont(entry.second.font);
}

std::u16string DrawFontCache::BoundedFace(std::u16string face) {
  if (faces_.count(face)) return face;
  if (faces_.size() >= kMaxFaces) return u"Calibri";
  faces_.insert(face);
  return face;
}

// The made font closest in height to `key`: of its face and style when there is one, else of any.
const CachedDrawFont* DrawFontCache::Nearest(const Key& key) const {
  const CachedDrawFont* best = nullptr;
  bool bestSameFace = false;
  int64_t bestDistance = 0;
  for (const auto& entry : fonts_) {
    if (!entry.second.font) continue;
    const bool sameFace = std::get<0>(entry.first) == std::get<0>(key) && std::get<2>(entry.first) == std::get<2>(key);
    const int64_t distance = std::llabs(int64_t(std::get<1>(entry.first)) - std::get<1>(key));
    if (!best || (sameFace && !bestSameFace) || (sameFace == bestSameFace && distance < bestDistance))
      best = &entry.second, bestSameFace = sameFace, bestDistance = distance;
  }
  return best;
}

const CachedDrawFont* DrawFontCache::Get(const DrawFontSpec& spec) {
  const double heightPx = DrawFontHeight(spec);
  if (!engine_ || !(heightPx > 0)) return nullptr;
  try {
    const std::u16string face = BoundedFace(FaceOf(spec));
    const Key key = std::make_tuple(face, static_cast<int32_t>(std::lround(heightPx * 64)), DrawFontStyle(spec));
    auto found = fonts_.find(key);
    if (found != fonts_.end()) return found->second.font ? &found->second : nullptr;
    if (fonts_.size() >= kMaxFonts) return Nearest(key);
    CachedDrawFont& f = fonts_[key];  // a font the host cannot make stays as a null entry
    f.heightPx = heightPx;
    DrawFontSpec made = spec;
    for (size_t i = 0; i < 32; ++i) made.lfFaceName[i] = i < face.size() ? face[i] : u'\0';
    made.dHeightPx = heightPx;
    if (SetDrawFont(engine_, made, &f.font) != XLX_OK) return nullptr;
    f.family = f.font->szFamily;
    used_[face] = f.family;
    MeasureFont(engine_, face, made, &f);
    return &f;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void DrawFontCache::Measure(const CachedDrawFont& font, const char16_t* text, int32_t length, double maxWidth,
                            double* width, double* height) const {
  if (font.font && VkMeasureText(engine_, font.font->hFont, text, length, maxWidth, width, height) == XLX_OK) return;
  // The host could not measure: an estimate from the character count.
  *width = length * (font.widthZero > 0 ? font.widthZero : 0.67 * font.heightPx);
  *height = font.heightPx;
}

int32_t AddDrawTextInFont(DrawingSurface* surface, const char16_t* text, int32_t length, const DrawFont* font,
                          CellColor color, const DrawRect& rect, uint32_t flags) {
  if (!surface || !surface->pSurface || !font || (!text && length != 0)) return XLX_ERR_ARGUMENT;
  return VkDrawText(surface->pSurface, font->hFont, color, text, length, rect.left, rect.top, rect.width, rect.height,
                    flags);
}

namespace {

// The host's runs for the layer's; false for more runs than the host takes.
bool HostRuns(const DrawTextRun* runs, int32_t count, std::vector<VkTextRun>* out) {
  if (count < 0 || count > VK_MAX_TEXT_RUNS || (count > 0 && !runs)) return false;
  out->resize(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i)
    (*out)[i] = VkTextRun{runs[i].start, runs[i].length, runs[i].font ? runs[i].font->hFont : nullptr, runs[i].color,
                          runs[i].shift};
  return true;
}

}  // namespace

int32_t AddDrawTextRuns(DrawingSurface* surface, const char16_t* text, int32_t length, const DrawFont* font,
                        CellColor color, const DrawTextRun* runs, int32_t count, const DrawRect& rect, uint32_t flags) {
  if (!surface || !surface->pSurface || !font) return XLX_ERR_ARGUMENT;
  std::vector<VkTextRun> host;
  try {
    if (!HostRuns(runs, count, &host)) return XLX_ERR_ARGUMENT;
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
  return VkDrawTextRuns(surface->pSurface, font->hFont, color, text, length, host.data(), count, rect.left, rect.top,
                        rect.width, rect.height, flags);
}

int32_t GetDrawTextRunsExtent(VkDrawingEngine* engine, const char16_t* text, int32_t length, const DrawFont* font,
                              const DrawTextRun* runs, int32_t count, double maxWidth, double* width, double* height) {
  if (!engine || !font) return XLX_ERR_ARGUMENT;
  std::vector<VkTextRun> host;
  try {
    if (!HostRuns(runs, count, &host)) return XLX_ERR_ARGUMENT;
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
  return VkMeasureTextRuns(engine, font->hFont, text, length, host.data(), count, maxWidth, width, height);
}

}  // namespace xlx
