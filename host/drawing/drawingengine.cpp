// The DrawingEngine object and fonts: engine kind, text resolution, font creation and the family
// that fontconfig really chose.
#include <atomic>
#include <memory>
#include <string>
#include <new>
#include "host/drawing/drawinginternal.h"

using namespace vkdraw;

VK_API int32_t VkQueryDrawingEngine(void) { return VK_DRAWING_ENGINE_CAIRO; }

VK_API int32_t VkCreateDrawingObject(int32_t kind, void** object) {
  if (!object) return XLX_ERR_ARGUMENT;
  *object = nullptr;
  if (kind != VK_DRAWING_ENGINE_CAIRO) return XLX_ERR_ARGUMENT;
  if (!CurrentThreadText()) return XLX_ERR_ENGINE;
  auto* engine = new (std::nothrow) VkDrawingEngine;
  if (!engine) return XLX_ERR_MEMORY;
  int32_t screen = VkScreenResolutionX();
  engine->dpi = screen >= 1 ? screen : 96.0;
  *object = engine;
  return XLX_OK;
}

VK_API void VkDestroyDrawingObject(void* object) { delete static_cast<VkDrawingEngine*>(object); }

VK_API int32_t VkSetSimpleText(VkDrawingEngine* engine, int32_t on) {
  if (!engine) return XLX_ERR_ARGUMENT;
  engine->simpleText.store(on != 0, std::memory_order_relaxed);
  return XLX_OK;
}

VK_API void VkPrepareFonts(void) { PrepareFontConfigs(); }

VK_API double VkGetTextResolution(const VkDrawingEngine* engine) { return engine ? engine->dpi : 96.0; }

VK_API int32_t VkSetTextResolution(VkDrawingEngine* engine, double dpi) {
  if (!engine || !(dpi >= 1.0 && dpi <= 10000.0)) return XLX_ERR_ARGUMENT;
  engine->dpi = dpi;
  return XLX_OK;
}

VkFont::~VkFont() {
  if (desc) pango_font_description_free(desc);
  if (attrs) pango_attr_list_unref(attrs);
}

namespace {

std::atomic<uint64_t> g_fontSerial{0};

// Asks the thread's font map which family it draws for `desc`; engines remember the answer.
std::string ResolveFamily(VkDrawingEngine* engine, ThreadText* text, const PangoFontDescription* desc,
                          const std::string& face, uint32_t style) {
  std::string key = face + '\x01' + static_cast<char>('0' + (style & (VK_FONT_BOLD | VK_FONT_ITALIC)));
  {
    std::lock_guard<std::mutex> lock(engine->mutex);
    auto it = engine->familyCache.find(key);
    if (it != engine->familyCache.end()) return it->second;
  }
  std::string family;
  std::unique_lock<std::mutex> files(FontFileMutex());
  if (PangoFont* font = pango_font_map_load_font(text->fontMap, text->measure, desc)) {
    PangoFontDescription* used = pango_font_describe(font);
    if (const char* name = pango_font_description_get_family(used)) family = name;
    pango_font_description_free(used);
    g_object_unref(font);
  }
  files.unlock();
  std::lock_guard<std::mutex> lock(engine->mutex);
  if (engine->familyCache.size() > 4096) engine->familyCache.clear();
  engine->familyCache.emplace(key, family);
  return family;
}

constexpr const char* kFixedPitchFamily = "monospace";

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Equal when they match with blanks left out and ASCII letters folded to lower case.
bool SameFamily(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  for (;;) {
    while (i < a.size() && a[i] == ' ') ++i;
    while (j < b.size() && b[j] == ' ') ++j;
    if (i == a.size() || j == b.size()) return i == a.size() && j == b.size();
    if (FoldAscii(a[i++]) != FoldAscii(b[j++])) return false;
  }
}

// Typewriter and console faces by their names: "Courier", "Lucida Console", "Consolas",
// "Andale Mono", "Fixedsys", "OCR A", "Letter Gothic", "Source Code Pro", "Terminal", ...
bool LooksFixedPitch(const std::string& face) {
  std::string folded;
  for (char c : face) folded += FoldAscii(c);
  static const char* const kWords[] = {"mono",  "courier", "console", "consolas", "typewriter", "fixed",
                                       "code",  "terminal", "menlo",  "monaco",   "ocr",        "letter gothic",
                                       "elite", "pica"};
  for (const char* word : kWords)
    if (folded.find(word) != std::string::npos) return true;
  return false;
}

// The family an unknown face falls back to, in the style of `desc`.
std::string GenericFamily(VkDrawingEngine* engine, ThreadText* text, const PangoFontDescription* desc, uint32_t style) {
  PangoFontDescription* generic = pango_font_description_copy(desc);
  pango_font_description_set_family(generic, "sans-serif");
  std::string family = ResolveFamily(engine, text, generic, "sans-serif", style);
  pango_font_description_free(generic);
  return family;
}

}  // namespace

VK_API int32_t VkCreateFont(VkDrawingEngine* engine, const char16_t* face, double sizePt, uint32_t style,
                            VkFont** font) {
  if (!font) return XLX_ERR_ARGUMENT;
  *font = nullptr;
  if (!engine || !face || !(sizePt > 0 && sizePt <= kMaxFontPoints)) return XLX_ERR_ARGUMENT;
  ThreadText* text = CurrentThreadText();
  if (!text) return XLX_ERR_ENGINE;
  try {
    std::string faceUtf8;
    if (!Utf16ToUtf8(face, -1, &faceUtf8) || faceUtf8.size() > 1024) return XLX_ERR_ARGUMENT;
    auto made = std::make_unique<VkFont>();
    made->style = style & (VK_FONT_BOLD | VK_FONT_ITALIC | VK_FONT_UNDERLINE | VK_FONT_STRIKEOUT | VK_FONT_DOUBLE_UNDERLINE);
    made->sizePx = sizePt * engine->dpi / 72.0;
    made->desc = pango_font_description_new();
    pango_font_description_set_family(made->desc, faceUtf8.empty() ? "sans-serif" : faceUtf8.c_str());
    pango_font_description_set_weight(made->desc, (style & VK_FONT_BOLD) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(made->desc, (style & VK_FONT_ITALIC) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    int size = static_cast<int>(made->sizePx * PANGO_SCALE + 0.5);
    pango_font_description_set_absolute_size(made->desc, size > 0 ? size : 1);
    if (style & (VK_FONT_UNDERLINE | VK_FONT_STRIKEOUT)) {
      made->attrs = pango_attr_list_new();
      if (style & VK_FONT_UNDERLINE)
        pango_attr_list_insert(made->attrs, pango_attr_underline_new((style & VK_FONT_DOUBLE_UNDERLINE) ? PANGO_UNDERLINE_DOUBLE
                                                                                                     : PANGO_UNDERLINE_SINGLE));
      if (style & VK_FONT_STRIKEOUT) pango_attr_list_insert(made->attrs, pango_attr_strikethrough_new(TRUE));
    }
    made->family = ResolveFamily(engine, text, made->desc, faceUtf8, made->style);
    if (((style & VK_FONT_FIXED_PITCH) || LooksFixedPitch(faceUtf8)) && !SameFamily(faceUtf8, made->family) &&
        made->family == GenericFamily(engine, text, made->desc, made->style)) {
      // The machine lacks a fixed-pitch face and nothing stands in for it but the generic
      // proportional family: columns of figures and code keep their alignment in the generic
      // fixed-pitch family instead.
      pango_font_description_set_family(made->desc, kFixedPitchFamily);
      made->family = ResolveFamily(engine, text, made->desc, kFixedPitchFamily, made->style);
    }
    made->asked = faceUtf8.empty() ? "sans-serif" : faceUtf8;
    NoteFontUse(made->asked, made->family);
    const char* drawnFace = pango_font_description_get_family(made->desc);
    made->key = std::string(drawnFace ? drawnFace : "") + '\x01' + static_cast<char>('0' + (made->style & (VK_FONT_BOLD | VK_FONT_ITALIC))) +
                std::to_string(size);
    made->serial = g_fontSerial.fetch_add(1, std::memory_order_relaxed) + 1;
    *font = made.release();
    return XLX_OK;
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
}

VK_API void VkDestroyFont(VkFont* font) { delete font; }

VK_API int32_t VkGetFontFamily(const VkFont* font, char16_t* family, size_t capacity) {
  if (!font || !family || capacity == 0) return XLX_ERR_ARGUMENT;
  std::u16string name = Utf8ToUtf16(font->family);
  size_t n = name.size() < capacity - 1 ? name.size() : capacity - 1;
  name.copy(family, n);
  family[n] = 0;
  return XLX_OK;
}

VK_API int32_t VkGetFontMetrics(VkDrawingEngine* engine, const VkFont* font, double* ascent, double* descent,
                                double* lineHeight) {
  if (!engine || !font) return XLX_ERR_ARGUMENT;
  ThreadText* text = CurrentThreadText();
  if (!text) return XLX_ERR_ENGINE;
  PangoFontMetrics* metrics = nullptr;
  {
    std::lock_guard<std::mutex> files(FontFileMutex());
    metrics = pango_context_get_metrics(text->measure, font->desc, nullptr);
  }
  if (!metrics) return XLX_ERR_ENGINE;
  double a = pango_font_metrics_get_ascent(metrics) / double(PANGO_SCALE);
  double d = pango_font_metrics_get_descent(metrics) / double(PANGO_SCALE);
  double h = pango_font_metrics_get_height(metrics) / double(PANGO_SCALE);
  pango_font_metrics_unref(metrics);
  if (ascent) *ascent = a;
  if (descent) *descent = d;
  if (lineHeight) *lineHeight = h > 0 ? h : a + d;
  return XLX_OK;
}
