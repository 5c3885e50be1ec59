// Fonts and text of the drawing layer: sizes from pixel heights, the substitution table, a small
// per-thread cache of host fonts, measuring with its fallback, drawing, and text outlines.
#include <cstdlib>
#include <memory>
#include <new>
#include "common/resultcodes.h"
#include "view/drawlayer/drawlayer.h"

namespace xlx {
namespace {

// Faces a workbook names that the host may lack: the first name of each row is drawn for every
// name of the row.
const char16_t* const kRow1[] = {u"Courier New", u"CourierNew", u"CourierNewPSMT", u"Courier", nullptr};
const char16_t* const kRow2[] = {u"Times New Roman", u"Ubuntu", u"TimesNewRomanPSMT", u"TimesNewRoman",
                                 u"TimesNewRomanPS", u"Times-Roman", u"Times", u"Times-Bold", u"Times-Italic",
                                 u"Times-BoldItalic", u"TimesNewRomanPS-BoldMT", u"TimesLTStd-Bold",
                                 u"TimesLTStd-Roman", nullptr};
const char16_t* const kRow3[] = {u"Arial Black", u"Arial-Black", nullptr};
const char16_t* const kRow4[] = {u"Droid Serif", u"The Sans Mono Condensed", u"TheSansMonoCondensed-Plain", nullptr};
const char16_t* const kRow5[] = {u"Arial", u"HelveticaNeue-Medium", nullptr};
const char16_t* const* const kFontSubstitutionTable[] = {kRow1, kRow2, kRow3, kRow4, kRow5};

char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

// Equal when they match with blanks left out and letters folded to lower case.
bool SameFace(const char16_t* a, const char16_t* b) {
  for (;;) {
    while (*a == u' ') ++a;
    while (*b == u' ') ++b;
    if (Fold(*a) != Fold(*b)) return false;
    if (!*a) return true;
    ++a, ++b;
  }
}


void CopyFace(const DrawFontSpec& spec, char16_t* face) {
  size_t i = 0;
  for (; i < 31 && spec.lfFaceName[i]; ++i) face[i] = spec.lfFaceName[i];
  for (; i < 32; ++i) face[i] = 0;
}

// Fonts of the calls that take a DrawFontSpec, made on this thread for one engine at one
// resolution. Drawing a page asks for the same few fonts over and over; making each once keeps
// text calls cheap. Another engine or resolution, or more than kMaxCachedFonts fonts, starts a
// new cache.
struct ThreadFonts {
  VkDrawingEngine* engine = nullptr;
  double dpi = 0;
  std::unique_ptr<DrawFontCache> cache;
};

constexpr size_t kMaxCachedFonts = 64;
thread_local ThreadFonts t_fonts;

DrawFont* ThreadDrawFont(VkDrawingEngine* engine, const DrawFontSpec& spec, int32_t* result) {
  if (!spec.lfFaceName[0] || !(DrawFontHeight(spec) > 0)) {
    *result = XLX_ERR_ARGUMENT;
    return nullptr;
  }
  const double dpi = VkGetTextResolution(engine);
  if (!t_fonts.cache || t_fonts.engine != engine || t_fonts.dpi != dpi || t_fonts.cache->Size() >= kMaxCachedFonts) {
    t_fonts.cache.reset(new (std::nothrow) DrawFontCache(engine));
    t_fonts.engine = engine;
    t_fonts.dpi = dpi;
  }
  const CachedDrawFont* font = t_fonts.cache ? t_fonts.cache->Get(spec) : nullptr;
  if (!font) {
    *result = t_fonts.cache ? XLX_ERR_ARGUMENT : XLX_ERR_MEMORY;
    return nullptr;
  }
  return font->font;
}

int32_t Units(const char16_t* text, int32_t length) {
  if (length >= 0) return length;
  int32_t n = 0;
  while (text[n] && n < (1 << 20)) ++n;
  return n;
}

}  // namespace

double DrawFontHeight(const DrawFontSpec& spec) { return spec.dHeightPx > 0 ? spec.dHeightPx : std::abs(spec.lfHeight); }

uint32_t DrawFontStyle(const DrawFontSpec& spec) {
  const uint32_t underline = spec.lfUnderline == 2 ? kFontUnderline | kFontDoubleUnderline
                             : spec.lfUnderline    ? kFontUnderline
                                                   : 0u;
  return (spec.lfWeight >= 501 ? kFontBold : 0u) | (spec.lfItalic ? kFontItalic : 0u) | underline |
         (spec.lfStrikeOut ? kFontStrikeOut : 0u) | (spec.bFixedPitch ? kFontFixedPitch : 0u);
}

const char16_t* FindFontSubstitute(const char16_t* face) {
  if (!face) return nullptr;
  for (const char16_t* const* row : kFontSubstitutionTable)
    for (const char16_t* const* name = row; *name; ++name)
      if (SameFace(face, *name)) return row[0];
  return nullptr;
}

int32_t SetDrawFont(VkDrawingEngine* engine, const DrawFontSpec& spec, DrawFont** font) {
  if (!font) return XLX_ERR_ARGUMENT;
  *font = nullptr;
  const double height = DrawFontHeight(spec);
  if (!engine || !spec.lfFaceName[0] || !(height > 0)) return XLX_ERR_ARGUMENT;
  char16_t face[32];
  CopyFace(spec, face);
  auto* made = new (std::nothrow) DrawFont;
  if (!made) return XLX_ERR_MEMORY;
  made->dSizePt = height * 72.0 / VkGetTextResolution(engine);
  made->uStyle = DrawFontStyle(spec);
  int32_t r = VkCreateFont(engine, face, made->dSizePt, made->uStyle, &made->hFont);
  if (r == XLX_OK) r = VkGetFontFamily(made->hFont, made->szFamily, 64);
  if (r != XLX_OK) {
    FreeDrawFont(made);
    return r;
  }
  // The host drew another family: a face of the table is closer than the host's fallback.
  if (!SameFace(face, made->szFamily)) {
    const char16_t* substitute = FindFontSubstitute(face);
    if (substitute && !SameFace(face, substitute)) {
      VkFont* again = nullptr;
      if (VkCreateFont(engine, substitute, made->dSizePt, made->uStyle, &again) == XLX_OK) {
        VkDestroyFont(made->hFont);
        made->hFont = again;
        made->bSubstituted = true;
        VkGetFontFamily(made->hFont, made->szFamily, 64);
      }
    }
  }
  *font = made;
  return XLX_OK;
}

void FreeDrawFont(DrawFont* font) {
  if (!font) return;
  VkDestroyFont(font->hFont);
  delete font;
}

int32_t GetDrawTextExtent(VkDrawingEngine* engine, const char16_t* text, int32_t length, const DrawFontSpec& spec,
                          double* width, double* height) {
  if (!width || !height || (!text && length != 0)) return XLX_ERR_ARGUMENT;
  *width = *height = 0;
  if (engine) {
    int32_t r = XLX_OK;
    if (DrawFont* font = ThreadDrawFont(engine, spec, &r)) {
      if (VkMeasureText(engine, font->hFont, text, length, 0, width, height) == XLX_OK) return XLX_OK;
    }
  }
  // Without the host: an estimate from the font record.
  const int32_t units = text ? Units(text, length) : 0;
  const double fontHeight = DrawFontHeight(spec);
  *width = units * (spec.dCharWidth > 0 ? spec.dCharWidth : 0.67 * fontHeight);
  *height = fontHeight;
  return XLX_OK;
}

int32_t AddDrawText(DrawingSurface* surface, const char16_t* text, int32_t length, const DrawFontSpec& spec,
                    CellColor color, const DrawRect& rect, uint32_t flags) {
  if (!surface || !surface->pSurface || !surface->pEngine || (!text && length != 0)) return XLX_ERR_ARGUMENT;
  int32_t r = XLX_OK;
  DrawFont* font = ThreadDrawFont(surface->pEngine, spec, &r);
  if (!font) return r;
  return VkDrawText(surface->pSurface, font->hFont, color, text, length, rect.left, rect.top, rect.width, rect.height,
                    flags);
}

int32_t GetDrawStringPath(VkDrawingEngine* engine, const char16_t* text, int32_t length, const DrawFontSpec& spec,
                          const DrawRect& rect, uint32_t flags, VkPath** path) {
  if (!path) return XLX_ERR_ARGUMENT;
  *path = nullptr;
  if (!engine || (!text && length != 0)) return XLX_ERR_ARGUMENT;
  int32_t r = XLX_OK;
  DrawFont* font = ThreadDrawFont(engine, spec, &r);
  if (!font) return r;
  VkPath* made = nullptr;
  r = VkCreatePath(&made);
  if (r == XLX_OK)
    r = VkPathAddText(engine, made, font->hFont, text, length, rect.left, rect.top, rect.width, rect.height, flags);
  if (r != XLX_OK) {
    VkDestroyPath(made);
    return r;
  }
  *path = made;
  return XLX_OK;
}

int32_t AddDrawStringPath(DrawingSurface* surface, const VkPath* path, const VkPen* pen, const VkBrush* brush) {
  if (!surface || !surface->pSurface || !path) return XLX_ERR_ARGUMENT;
  int32_t r = brush ? VkFillPath(surface->pSurface, path, brush) : XLX_OK;
  if (r == XLX_OK && pen) r = VkStrokePath(surface->pSurface, path, pen);
  return r;
}

void FreeDrawStringPath(VkPath* path) { VkDestroyPath(path); }

}  // namespace xlx
