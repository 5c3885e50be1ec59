// Text: measuring, drawing at a point or in a rectangle, and text outlines as paths. Pango shapes
// the text (ligatures, joining scripts, font fallback per character, bidirectional reordering);
// contexts and layouts are made once per thread or surface and reused for every call. Single
// lines of plain ASCII go through the glyph tables of drawingsimpletext.cpp first.
#include <algorithm>
#include <new>
#include "host/drawing/drawinginternal.h"

namespace vkdraw {

bool Utf16ToUtf8(const char16_t* text, int32_t length, std::string* out) {
  out->clear();
  if (length < 0) {
    length = 0;
    while (text[length]) {
      if (++length > kMaxTextUnits) return false;
    }
  }
  if (length > kMaxTextUnits) return false;
  out->reserve(static_cast<size_t>(length) + 8);
  for (int32_t i = 0; i < length; ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    } else if (cp == 0) {
      cp = 0xFFFD;  // Pango takes no embedded zeros
    }
    if (cp < 0x80) {
      out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return true;
}

std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  glong written = 0;
  if (gunichar2* units = g_utf8_to_utf16(text.c_str(), static_cast<glong>(text.size()), nullptr, &written, nullptr)) {
    out.assign(reinterpret_cast<const char16_t*>(units), static_cast<size_t>(written));
    g_free(units);
  }
  return out;
}

PangoLanguage* SuggestedLanguage(const std::string& utf8) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const unsigned char* end = p + utf8.size();
  for (; p + 2 < end; ++p) {
    if ((p[0] & 0xF0) != 0xE0 || (p[1] & 0xC0) != 0x80 || (p[2] & 0xC0) != 0x80) continue;
    const uint32_t cp = ((p[0] & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
    const bool kana = (cp >= 0x3040 && cp <= 0x30FF) || (cp >= 0x31F0 && cp <= 0x31FF) || (cp >= 0xFF66 && cp <= 0xFF9F);
    if (kana) return pango_language_from_string("ja");
    const bool hangul = (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0x1100 && cp <= 0x11FF) || (cp >= 0x3130 && cp <= 0x318F);
    if (hangul) return pango_language_from_string("ko");
    p += 2;
  }
  return nullptr;
}

void AddSuggestedLanguage(PangoAttrList* list, const std::string& utf8) {
  if (PangoLanguage* language = SuggestedLanguage(utf8)) pango_attr_list_insert(list, pango_attr_language_new(language));
}

void PrepareLayout(PangoLayout* layout, const VkFont* font, const std::string& utf8, double wrapWidth,
                   uint32_t flags) {
  pango_layout_set_font_description(layout, font->desc);
  if (SuggestedLanguage(utf8)) {
    PangoAttrList* list = font->attrs ? pango_attr_list_copy(font->attrs) : pango_attr_list_new();
    AddSuggestedLanguage(list, utf8);
    pango_layout_set_attributes(layout, list);
    pango_attr_list_unref(list);
  } else {
    pango_layout_set_attributes(layout, font->attrs);
  }
  pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));
  PangoAlignment align = PANGO_ALIGN_LEFT;
  if ((flags & 3) == VK_TEXT_CENTER) align = PANGO_ALIGN_CENTER;
  if ((flags & 3) == VK_TEXT_RIGHT) align = PANGO_ALIGN_RIGHT;
  pango_layout_set_alignment(layout, align);
  if (wrapWidth > 0) {
    double units = wrapWidth * PANGO_SCALE;
    pango_layout_set_width(layout, units < 2e9 ? static_cast<int>(units) : 2000000000);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  } else {
    pango_layout_set_width(layout, -1);
  }
  NoteLayoutFonts(layout, font);
}

void PlaceExtents(const PangoRectangle& logical, int baseline, double x, double y, double width, double height,
                  uint32_t flags, double* originX, double* originY) {
  const double lx = logical.x / double(PANGO_SCALE), ly = logical.y / double(PANGO_SCALE);
  const double lw = logical.width / double(PANGO_SCALE), lh = logical.height / double(PANGO_SCALE);
  const uint32_t h = flags & 3, v = flags & 0x0C;
  double left = x, top = y;
  if (width == 0 && height == 0) {
    if (h == VK_TEXT_CENTER) left = x - lw / 2;
    if (h == VK_TEXT_RIGHT) left = x - lw;
    if (v == VK_TEXT_VCENTER) top = y - lh / 2;
    if (v == VK_TEXT_BOTTOM) top = y - lh;
    if (v == VK_TEXT_BASELINE) top = y - (baseline / double(PANGO_SCALE) - ly);
  } else {
    if (h == VK_TEXT_CENTER) left = x + (width - lw) / 2;
    if (h == VK_TEXT_RIGHT) left = x + width - lw;
    if (v == VK_TEXT_VCENTER) top = y + (height - lh) / 2;
    if (v == VK_TEXT_BOTTOM || v == VK_TEXT_BASELINE) top = y + height - lh;
  }
  // A wrapped layout positions its own lines inside the rectangle's width.
  *originX = (flags & VK_TEXT_WRAP) && width > 0 ? x : left - lx;
  *originY = top - ly;
}

void RefreshSurfaceLayout(VkSurface* surface, uint32_t flags) {
  if (surface->pangoStale) {
    pango_cairo_update_context(surface->cr, surface->pango);
    pango_layout_context_changed(surface->layout);
    surface->pangoStale = false;
  }
  PangoDirection dir = (flags & VK_TEXT_RTL) ? PANGO_DIRECTION_RTL : PANGO_DIRECTION_LTR;
  if (dir != surface->baseDir) {
    pango_context_set_base_dir(surface->pango, dir);
    pango_layout_context_changed(surface->layout);
    surface->baseDir = dir;
  }
}

int32_t ShowSurfaceLayout(VkSurface* surface, VkColor color, double x, double y, double width, double height,
                          uint32_t flags) {
  FlushVectorText(surface);
  cairo_t* cr = surface->cr;
  double ox, oy;
  PlaceLayout(surface->layout, x, y, width, height, flags, &ox, &oy);
  const bool clip = BeginText(cr, x, y, width, height, flags, color, ox, oy);
  pango_cairo_show_layout(cr, surface->layout);
  if (clip) cairo_restore(cr);
  return cairo_status(cr) == CAIRO_STATUS_SUCCESS ? XLX_OK : XLX_ERR_ENGINE;
}

void PlaceLayout(PangoLayout* layout, double x, double y, double width, double height, uint32_t flags,
                 double* originX, double* originY) {
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  PlaceExtents(logical, pango_layout_get_baseline(layout), x, y, width, height, flags, originX, originY);
}

}  // namespace vkdraw

using namespace vkdraw;

VK_API int32_t VkMeasureText(VkDrawingEngine* engine, const VkFont* font, const char16_t* text, int32_t length,
                             double maxWidth, double* width, double* height) {
  if (width) *width = 0;
  if (height) *height = 0;
  if (!engine || !font || (!text && length != 0)) return XLX_ERR_ARGUMENT;
  ThreadText* t = CurrentThreadText();
  if (!t) return XLX_ERR_ENGINE;
  try {
    double w = 0, h = 0;
    if (engine->simpleText.load(std::memory_order_relaxed) && MeasureSimpleText(t, font, text, length, &w, &h) &&
        (maxWidth <= 0 || w * PANGO_SCALE <= std::min(maxWidth * PANGO_SCALE, 2e9))) {
      // A line that fits the wrapping width is not broken: the one-line measure holds.
      if (width) *width = w;
      if (height) *height = h;
      return XLX_OK;
    }
    std::string utf8;
    if (text && !Utf16ToUtf8(text, length, &utf8)) return XLX_ERR_ARGUMENT;
    std::lock_guard<std::mutex> files(FontFileMutex());
    PrepareLayout(t->layout, font, utf8, maxWidth, 0);
    PangoRectangle logical;
    pango_layout_get_extents(t->layout, nullptr, &logical);
    if (width) *width = logical.width / double(PANGO_SCALE);
    if (height) *height = logical.height / double(PANGO_SCALE);
    return XLX_OK;
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
}

VK_API int32_t VkDrawText(VkSurface* surface, const VkFont* font, VkColor color, const char16_t* text, int32_t length,
                          double x, double y, double width, double height, uint32_t flags) {
  if (!surface || !font || (!text && length != 0)) return XLX_ERR_ARGUMENT;
  try {
    int32_t result = XLX_OK;
    if (surface->engine->simpleText.load(std::memory_order_relaxed) &&
        DrawSimpleText(surface, font, color, text, length, x, y, width, height, flags, &result))
      return result;
    std::string utf8;
    if (text && !Utf16ToUtf8(text, length, &utf8)) return XLX_ERR_ARGUMENT;
    if (utf8.empty()) return XLX_OK;
    std::lock_guard<std::mutex> files(FontFileMutex());
    RefreshSurfaceLayout(surface, flags);
    const bool wrap = (flags & VK_TEXT_WRAP) && width > 0;
    PrepareLayout(surface->layout, font, utf8, wrap ? width : 0, flags);
    return ShowSurfaceLayout(surface, color, x, y, width, height, flags);
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
}

VK_API int32_t VkPathAddText(VkDrawingEngine* engine, VkPath* path, const VkFont* font, const char16_t* text,
                             int32_t length, double x, double y, double width, double height, uint32_t flags) {
  if (!engine || !path || !font || (!text && length != 0)) return XLX_ERR_ARGUMENT;
  ThreadText* t = CurrentThreadText();
  if (!t) return XLX_ERR_ENGINE;
  try {
    std::string utf8;
    if (text && !Utf16ToUtf8(text, length, &utf8)) return XLX_ERR_ARGUMENT;
    if (utf8.empty()) return XLX_OK;
    std::lock_guard<std::mutex> files(FontFileMutex());
    const bool rtl = (flags & VK_TEXT_RTL) != 0;
    if (rtl) {
      pango_context_set_base_dir(t->measure, PANGO_DIRECTION_RTL);
      pango_layout_context_changed(t->layout);
    }
    const bool wrap = (flags & VK_TEXT_WRAP) && width > 0;
    PrepareLayout(t->layout, font, utf8, wrap ? width : 0, flags);
    double ox, oy;
    PlaceLayout(t->layout, x, y, width, height, flags, &ox, &oy);
    cairo_new_path(t->scratch);
    cairo_move_to(t->scratch, ox, oy);
    pango_cairo_layout_path(t->scratch, t->layout);
    cairo_path_t* outline = cairo_copy_path(t->scratch);
    cairo_new_path(t->scratch);
    if (rtl) {
      pango_context_set_base_dir(t->measure, PANGO_DIRECTION_LTR);
      pango_layout_context_changed(t->layout);
    }
    int32_t result = AppendCairoPath(path, outline);
    cairo_path_destroy(outline);
    // Glyph outlines are drawn with the non-zero rule their fonts are made for.
    if (result == XLX_OK) path->winding = true;
    return result;
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
}
