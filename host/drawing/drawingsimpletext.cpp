// Simple-text path: single lines of printable ASCII measured and drawn from glyph tables.
//
// Cell texts are short and mostly digits, dates and plain words. Taking each one through a Pango
// layout (itemizing, line breaking, shaping, extents, the renderer) costs several times what
// drawing its glyphs costs, and a page measures every text two or three times. The tables here
// hold, per thread, per font and per script class, each character's glyph and width and the
// width of each character before each other one, all taken from pango_shape with the analysis
// that the layout itself gives a one-character text of the font. Pango shapes a line of digits
// and punctuation as "common" script and a line with letters as Latin, and the two may kern
// differently, so each has its own table.
//
// Kerning acts on neighbouring pairs, so a line's widths are its pairs' widths: the same integer
// Pango units, rounded as Pango rounds them, and the same glyphs. A character the font lacks, and
// a pair that the font ligates or whose second glyph it moves, are marked, and texts holding them
// go through the layout. Tables fill as texts need them.
//
// Fonts are looked up twice: in the measuring context, as VkMeasureText measures, and in a
// context set up as a page surface's (an image target without scaling), whose fonts and scaled
// fonts are the ones pango_cairo_show_layout would draw with on such a surface.
#include <climits>
#include <new>
#include "host/drawing/drawinginternal.h"

namespace vkdraw {
namespace {

constexpr int kFirstChar = 0x20, kCharCount = 0x7E - 0x20 + 1;
constexpr int32_t kUnknown = INT32_MIN, kComplex = INT32_MIN + 1;
constexpr size_t kMaxFacesPerKind = 64;
constexpr int64_t kMaxLineUnits = INT32_MAX / 2;
enum ScriptClass { kCommonScript = 0, kLatinScript = 1 };
enum FaceKind { kMeasureFace = 0, kDrawFace = 1 };

// Glyphs and widths (Pango units) of one script class.
struct ScriptTable {
  PangoAnalysis analysis{};  // as itemized by the layout; its font is referenced
  uint32_t glyphs[kCharCount] = {};
  int32_t widths[kCharCount];          // alone, or kUnknown / kComplex
  std::vector<int32_t> pairs;          // [first * kCharCount + second]: width of the first
  ScriptTable() {
    for (int32_t& w : widths) w = kUnknown;
  }
};

struct SimpleFace {
  bool usable = false;
  PangoRectangle logical{};  // of a one-line layout: x, y and height hold for every simple text
  int baseline = 0;
  PangoShapeFlags shapeFlags = PANGO_SHAPE_NONE;
  cairo_scaled_font_t* scaled = nullptr;  // owned by the analysis font
  ScriptTable scripts[2];
  PangoGlyphString* shaped = nullptr;     // scratch for shaping
  ~SimpleFace() {
    for (ScriptTable& t : scripts)
      if (t.analysis.font) g_object_unref(t.analysis.font);
    if (shaped) pango_glyph_string_free(shaped);
  }
};

}  // namespace

struct SimpleFaces {
  std::unordered_map<std::string, std::unique_ptr<SimpleFace>> faces[2];  // per FaceKind, by font key
  uint64_t lastSerial[2] = {0, 0};
  SimpleFace* last[2] = {nullptr, nullptr};
};

namespace {

// Reads a text of printable ASCII: its length (-1: zero-terminated, up to kMaxSimpleUnits) and
// its script class. False for anything else, the empty text included.
bool ScanText(const char16_t* text, int32_t length, int32_t* count, int* script) {
  if (!text) return false;
  bool letters = false;
  int32_t n = 0;
  for (; length < 0 ? text[n] != 0 : n < length; ++n) {
    if (n >= kMaxSimpleUnits) return false;
    const char16_t c = text[n];
    if (c < kFirstChar || c > 0x7E) return false;
    const char16_t lower = c | 0x20;
    letters = letters || (lower >= u'a' && lower <= u'z');
  }
  *count = n;
  *script = letters ? kLatinScript : kCommonScript;
  return n > 0;
}

// Lays out `sample` and keeps the analysis of its only run and the line's extents.
bool TakeSample(PangoLayout* layout, const VkFont* font, const char* sample, ScriptTable* table,
                PangoRectangle* logical, int* baseline) {
  PrepareLayout(layout, font, sample, 0, 0);
  if (pango_layout_get_line_count(layout) != 1) return false;
  PangoLayoutLine* line = pango_layout_get_line_readonly(layout, 0);
  if (!line || !line->runs || line->runs->next) return false;
  const PangoGlyphItem* run = static_cast<const PangoGlyphItem*>(line->runs->data);
  const PangoAnalysis& a = run->item->analysis;
  if (!a.font || a.extra_attrs || a.level != 0) return false;
  table->analysis = a;
  g_object_ref(a.font);
  pango_layout_get_extents(layout, nullptr, logical);
  *baseline = pango_layout_get_baseline(layout);
  return true;
}

std::unique_ptr<SimpleFace> BuildFace(PangoLayout* layout, const VkFont* font) {
  auto face = std::make_unique<SimpleFace>();
  face->shaped = pango_glyph_string_new();
  PangoRectangle latin{};
  int latinBaseline = 0;
  if (!TakeSample(layout, font, "0", &face->scripts[kCommonScript], &face->logical, &face->baseline) ||
      !TakeSample(layout, font, "A", &face->scripts[kLatinScript], &latin, &latinBaseline))
    return face;
  // One font for both classes, and one line box whatever the characters.
  PangoFont* f = face->scripts[kCommonScript].analysis.font;
  if (f != face->scripts[kLatinScript].analysis.font || !PANGO_IS_CAIRO_FONT(f)) return face;
  if (latin.x != face->logical.x || latin.y != face->logical.y || latin.height != face->logical.height ||
      latinBaseline != face->baseline || face->logical.x != 0)
    return face;
  face->scaled = pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(f));
  if (!face->scaled || cairo_scaled_font_status(face->scaled) != CAIRO_STATUS_SUCCESS) return face;
  if (pango_context_get_round_glyph_positions(pango_layout_get_context(layout)))
    face->shapeFlags = PANGO_SHAPE_ROUND_POSITIONS;
  face->usable = true;
  return face;
}

SimpleFace* FaceFor(ThreadText* t, const VkFont* font, FaceKind kind) {
  if (font->attrs) return nullptr;  // underline and strike-out are drawn by the layout
  if (!t->simple) t->simple = new SimpleFaces;
  SimpleFaces& s = *t->simple;
  if (s.lastSerial[kind] == font->serial && s.last[kind]) return s.last[kind]->usable ? s.last[kind] : nullptr;
  auto& faces = s.faces[kind];
  auto found = faces.find(font->key);
  SimpleFace* face = nullptr;
  if (found != faces.end()) {
    face = found->second.get();
  } else {
    if (faces.size() >= kMaxFacesPerKind) faces.clear();
    std::unique_ptr<SimpleFace> made = BuildFace(kind == kMeasureFace ? t->layout : t->drawLayout, font);
    face = made.get();
    faces.emplace(font->key, std::move(made));
  }
  s.lastSerial[kind] = font->serial;
  s.last[kind] = face;
  return face->usable ? face : nullptr;
}

bool PlainGlyph(const PangoGlyphInfo& g) {
  return g.glyph != 0 && g.glyph != PANGO_GLYPH_EMPTY && !(g.glyph & PANGO_GLYPH_UNKNOWN_FLAG) &&
         g.geometry.x_offset == 0 && g.geometry.y_offset == 0 && g.geometry.width >= 0;
}

int32_t CharWidth(SimpleFace* f, ScriptTable& t, int c) {
  if (t.widths[c] != kUnknown) return t.widths[c];
  const char s[1] = {static_cast<char>(kFirstChar + c)};
  pango_shape_with_flags(s, 1, s, 1, &t.analysis, f->shaped, f->shapeFlags);
  int32_t width = kComplex;
  if (f->shaped->num_glyphs == 1 && PlainGlyph(f->shaped->glyphs[0])) {
    t.glyphs[c] = f->shaped->glyphs[0].glyph;
    width = f->shaped->glyphs[0].geometry.width;
  }
  t.widths[c] = width;
  return width;
}

// Width of `a` when `b` follows it.
int32_t PairWidth(SimpleFace* f, ScriptTable& t, int a, int b) {
  if (t.pairs.empty()) t.pairs.assign(static_cast<size_t>(kCharCount) * kCharCount, kUnknown);
  int32_t& slot = t.pairs[static_cast<size_t>(a) * kCharCount + b];
  if (slot != kUnknown) return slot;
  const int32_t widthA = CharWidth(f, t, a), widthB = CharWidth(f, t, b);
  slot = kComplex;
  if (widthA == kComplex || widthB == kComplex) return slot;
  const char s[2] = {static_cast<char>(kFirstChar + a), static_cast<char>(kFirstChar + b)};
  PangoGlyphString* g = f->shaped;
  pango_shape_with_flags(s, 2, s, 2, &t.analysis, g, f->shapeFlags);
  if (g->num_glyphs == 2 && PlainGlyph(g->glyphs[0]) && PlainGlyph(g->glyphs[1]) && g->glyphs[0].glyph == t.glyphs[a] &&
      g->glyphs[1].glyph == t.glyphs[b] && g->glyphs[1].geometry.width == widthB && g->log_clusters[0] == 0 &&
      g->log_clusters[1] == 1)
    slot = g->glyphs[0].geometry.width;
  return slot;
}

// The widths of the text's glyphs (into `widths` when given) and their sum, in Pango units.
bool LineWidths(SimpleFace* f, int script, const char16_t* text, int32_t count, int32_t* widths, int64_t* total) {
  ScriptTable& t = f->scripts[script];
  int64_t sum = 0;
  for (int32_t i = 0; i < count; ++i) {
    const int a = text[i] - kFirstChar;
    const int32_t w = i + 1 < count ? PairWidth(f, t, a, text[i + 1] - kFirstChar) : CharWidth(f, t, a);
    if (w == kComplex) return false;
    if (widths) widths[i] = w;
    sum += w;
  }
  if (sum > kMaxLineUnits) return false;
  *total = sum;
  return true;
}

}  // namespace

void DestroySimpleFaces(SimpleFaces* faces) { delete faces; }

bool MeasureSimpleText(ThreadText* t, const VkFont* font, const char16_t* text, int32_t length, double* width,
                       double* height) {
  int32_t count = 0;
  int script = 0;
  if (!ScanText(text, length, &count, &script)) return false;
  SimpleFace* face = FaceFor(t, font, kMeasureFace);
  int64_t total = 0;
  if (!face || !LineWidths(face, script, text, count, nullptr, &total)) return false;
  *width = total / double(PANGO_SCALE);
  *height = face->logical.height / double(PANGO_SCALE);
  return true;
}

bool DrawSimpleText(VkSurface* surface, const VkFont* font, VkColor color, const char16_t* text, int32_t length,
                    double x, double y, double width, double height, uint32_t flags, int32_t* result) {
  if ((flags & VK_TEXT_RTL) || ((flags & VK_TEXT_WRAP) && width > 0) || !surface->textSmoothing) return false;
  cairo_t* cr = surface->cr;
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  // The drawing context's fonts are those of an unscaled, unrotated surface.
  if (m.xx != 1 || m.yy != 1 || m.xy != 0 || m.yx != 0) return false;
  int32_t count = 0;
  int script = 0;
  if (!ScanText(text, length, &count, &script)) return false;
  ThreadText* t = CurrentThreadText();
  if (!t) return false;
  SimpleFace* face = FaceFor(t, font, kDrawFace);
  int32_t widths[kMaxSimpleUnits];
  int64_t total = 0;
  if (!face || !LineWidths(face, script, text, count, widths, &total)) return false;

  PangoRectangle logical = face->logical;
  logical.width = static_cast<int>(total);
  double ox, oy;
  PlaceExtents(logical, face->baseline, x, y, width, height, flags, &ox, &oy);
  const bool clip = (flags & VK_TEXT_CLIP) && width > 0 && height > 0;
  if (clip) {
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, x, y, width, height);
    cairo_clip(cr);
  }
  SetColorSource(cr, color);
  // The origin goes through the current point as pango_cairo_show_layout takes it, and the glyphs
  // are placed with the renderer's arithmetic, so that they land on the same fractions of a pixel.
  cairo_new_path(cr);
  cairo_move_to(cr, ox, oy);
  double baseX = 0, baseY = 0;
  cairo_get_current_point(cr, &baseX, &baseY);
  baseY += face->baseline / double(PANGO_SCALE);
  const ScriptTable& table = face->scripts[script];
  cairo_glyph_t glyphs[kMaxSimpleUnits];
  int64_t position = 0;
  for (int32_t i = 0; i < count; ++i) {
    glyphs[i].index = table.glyphs[text[i] - kFirstChar];
    glyphs[i].x = baseX + static_cast<double>(position) / PANGO_SCALE;
    glyphs[i].y = baseY;
    position += widths[i];
  }
  cairo_set_scaled_font(cr, face->scaled);
  cairo_show_glyphs(cr, glyphs, count);
  if (clip) cairo_restore(cr);
  *result = cairo_status(cr) == CAIRO_STATUS_SUCCESS ? kOk : kErrEngine;
  return true;
}

}  // namespace vkdraw
