// Rich text: one Pango layout whose runs carry their own font, colour, underline, strike-out and
// raise or lowering (superscript, subscript), so that wrapped and multi-line text keeps its runs.
#include <cmath>
#include <new>
#include <vector>
#include "host/drawing/drawinginternal.h"

namespace vkdraw {
namespace {

constexpr double kShiftedSize = 2.0 / 3.0;   // superscript and subscript size, of the run's font
constexpr double kSuperscriptRise = 1.0 / 3.0;  // of the run's font size
constexpr double kSubscriptDrop = 1.0 / 6.0;

// Byte offset in the UTF-8 form (as Utf16ToUtf8 makes it) of every UTF-16 unit index 0..length.
std::vector<int> ByteOffsets(const char16_t* text, int32_t length) {
  std::vector<int> at(static_cast<size_t>(length) + 1, 0);
  int bytes = 0;
  for (int32_t i = 0; i < length; ++i) {
    at[i] = bytes;
    const char16_t u = text[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      at[++i] = bytes;  // inside the pair: the pair's start
      bytes += 4;
    } else {
      bytes += u == 0 || u >= 0x800 ? 3 : u >= 0x80 ? 2 : 1;  // zero and lone surrogates become U+FFFD
    }
  }
  at[length] = bytes;
  return at;
}

void Insert(PangoAttrList* list, PangoAttribute* a, int start, int end) {
  a->start_index = static_cast<guint>(start);
  a->end_index = static_cast<guint>(end);
  pango_attr_list_insert(list, a);
}

void AddRun(PangoAttrList* list, const VkTextRun& run, const VkFont* base, int start, int end) {
  const VkFont* f = run.font ? run.font : base;
  PangoFontDescription* desc = pango_font_description_copy(f->desc);
  const bool shifted = run.shift == VK_RUN_SUPERSCRIPT || run.shift == VK_RUN_SUBSCRIPT;
  const double sizePango = f->sizePx * PANGO_SCALE;
  if (shifted) pango_font_description_set_absolute_size(desc, std::max(1.0, sizePango * kShiftedSize));
  Insert(list, pango_attr_font_desc_new(desc), start, end);
  pango_font_description_free(desc);
  const VkColor c = run.color;
  Insert(list, pango_attr_foreground_new((c & 0xFF) * 257, ((c >> 8) & 0xFF) * 257, ((c >> 16) & 0xFF) * 257), start,
         end);
  if ((c >> 24) != 0xFF) Insert(list, pango_attr_foreground_alpha_new(((c >> 24) & 0xFF) * 257), start, end);
  if (f->style & VK_FONT_UNDERLINE)
    Insert(list,
           pango_attr_underline_new((f->style & VK_FONT_DOUBLE_UNDERLINE) ? PANGO_UNDERLINE_DOUBLE : PANGO_UNDERLINE_SINGLE),
           start, end);
  if (f->style & VK_FONT_STRIKEOUT) Insert(list, pango_attr_strikethrough_new(TRUE), start, end);
  if (shifted) {
    const double rise = run.shift == VK_RUN_SUPERSCRIPT ? sizePango * kSuperscriptRise : -sizePango * kSubscriptDrop;
    Insert(list, pango_attr_rise_new(static_cast<int>(std::lround(rise))), start, end);
  }
}

// The attributes of the runs; null with *bad set for a run outside the text.
PangoAttrList* RunAttributes(const VkFont* font, const char16_t* text, int32_t length, const VkTextRun* runs,
                             int32_t count, bool* bad) {
  *bad = count < 0 || count > VK_MAX_TEXT_RUNS || (count > 0 && !runs);
  if (*bad) return nullptr;
  for (int32_t i = 0; i < count; ++i)
    if (runs[i].start < 0 || runs[i].length < 0 || runs[i].start > length - runs[i].length) *bad = true;
  if (*bad) return nullptr;
  const std::vector<int> at = ByteOffsets(text, length);
  PangoAttrList* list = pango_attr_list_new();
  if (font->attrs) pango_attr_list_splice(list, font->attrs, 0, 0);  // the text font's underline and strike-out
  for (int32_t i = 0; i < count; ++i)
    if (runs[i].length > 0) AddRun(list, runs[i], font, at[runs[i].start], at[runs[i].start + runs[i].length]);
  return list;
}

// Lays the runs out in `layout`: 1, or -13 for bad runs or text.
int32_t LayOutRuns(PangoLayout* layout, const VkFont* font, const char16_t* text, int32_t length, const VkTextRun* runs,
                   int32_t count, double wrapWidth, uint32_t flags, std::string* utf8) {
  if (!Utf16ToUtf8(text, length, utf8)) return XLX_ERR_ARGUMENT;
  bool bad = false;
  PangoAttrList* list = RunAttributes(font, text, length, runs, count, &bad);
  if (bad) return XLX_ERR_ARGUMENT;
  PrepareLayout(layout, font, *utf8, wrapWidth, flags);
  AddSuggestedLanguage(list, *utf8);
  pango_layout_set_attributes(layout, list);
  pango_attr_list_unref(list);
  NoteLayoutFonts(layout, font);
  return XLX_OK;
}

}  // namespace
}  // namespace vkdraw

using namespace vkdraw;

VK_API int32_t VkDrawTextRuns(VkSurface* surface, const VkFont* font, VkColor color, const char16_t* text,
                              int32_t length, const VkTextRun* runs, int32_t runCount, double x, double y,
                              double width, double height, uint32_t flags) {
  FlushVectorText(surface);
  if (!surface || !font || !text || length < 0) return XLX_ERR_ARGUMENT;
  if (length == 0) return XLX_OK;
  try {
    std::lock_guard<std::mutex> files(FontFileMutex());
    RefreshSurfaceLayout(surface, flags);
    const bool wrap = (flags & VK_TEXT_WRAP) && width > 0;
    std::string utf8;
    const int32_t r = LayOutRuns(surface->layout, font, text, length, runs, runCount, wrap ? width : 0, flags, &utf8);
    if (r != XLX_OK) return r;
    return ShowSurfaceLayout(surface, color, x, y, width, height, flags);
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
}

VK_API int32_t VkMeasureTextRuns(VkDrawingEngine* engine, const VkFont* font, const char16_t* text, int32_t length,
                                 const VkTextRun* runs, int32_t runCount, double maxWidth, double* width,
                                 double* height) {
  if (width) *width = 0;
  if (height) *height = 0;
  if (!engine || !font || !text || length < 0) return XLX_ERR_ARGUMENT;
  ThreadText* t = CurrentThreadText();
  if (!t) return XLX_ERR_ENGINE;
  try {
    std::lock_guard<std::mutex> files(FontFileMutex());
    std::string utf8;
    const int32_t r = LayOutRuns(t->layout, font, text, length, runs, runCount, maxWidth, 0, &utf8);
    if (r != XLX_OK) return r;
    PangoRectangle logical;
    pango_layout_get_extents(t->layout, nullptr, &logical);
    if (width) *width = logical.width / double(PANGO_SCALE);
    if (height) *height = logical.height / double(PANGO_SCALE);
    return XLX_OK;
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
}
