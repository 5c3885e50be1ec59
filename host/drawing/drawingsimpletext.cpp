// Simple-text path: single lines of plain Western text measured and drawn from glyph tables.
//
// Cell texts are short and mostly digits, dates, amounts and plain words. Taking each one through
// a Pango layout (itemizing, line breaking, shaping, extents, the renderer) costs several times
// what drawing its glyphs costs, and a page measures every text two or three times. The tables here
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
// The characters are printable ASCII, Latin-1 (without the soft hyphen, which the layout hides)
// and the dashes, quotes, bullet, ellipsis, per mille, euro, trade mark and minus signs that
// number formats and labels use: left-to-right characters of the Latin or common script that
// fonts draw without marks or joining.
//
// Fonts are looked up twice: in the measuring context, as VkMeasureText measures, and in a
// context set up as a page surface's (an image target without scaling), whose fonts and scaled
// fonts are the ones pango_cairo_show_layout would draw with on such a surface.
#include <climits>
#include <new>
#include "host/drawing/drawinginternal.h"

namespace vkdraw {
namespace {

// Characters of the tables: ASCII 0x20-0x7E (0-94), Latin-1 0xA0-0xFF (95-190), then these.
constexpr char16_t kMoreChars[] = {0x2013, 0x2014, 0x2018, 0x2019, 0x201A, 0x201C, 0x201D, 0x201E,
                                   0x2020, 0x2022, 0x2026, 0x2030, 0x20AC, 0x2122, 0x2212};
constexpr int kMoreCount = static_cast<int>(sizeof kMoreChars / sizeof kMoreChars[0]);
constexpr int kAsciiCount = 95, kLatin1First = 95, kMoreFirst = kLatin1First + 96;
constexpr int kCharCount = kMoreFirst + kMoreCount;
constexpr int32_t kUnknown = INT32_MIN, kComplex = INT32_MIN + 1;
constexpr size_t kMaxFacesPerKind = 64;
constexpr int64_t kMaxLineUnits = INT32_MAX / 2;
enum ScriptClass { kCommonScript = 0, kLatinScript = 1 };
enum FaceKind { kMeasureFace = 0, kDrawFace = 1, kVectorFace = 2 };

// Glyphs and widths (Pango units) of one script class.
struct ScriptTable {
  PangoAnalysis analysis{};  // as itemized by the layout; its font is referenced
  uint32_t glyphs[kCharCount] = {};
  int32_t widths[kCharCount];          // alone, or kUnknown / kComplex
  std::vector<int32_t> asciiPairs;     // [first * kAsciiCount + second]: width of the first
  std::unordered_map<uint32_t, int32_t> otherPairs;  // the same for pairs with other characters
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
  GlyphMasks* masks = nullptr;            // of `scaled`, for drawing on page bitmaps
  ScriptTable scripts[2];
  PangoGlyphString* shaped = nullptr;     // scratch for shaping
  ~SimpleFace() {
    for (ScriptTable& t : scripts)
      if (t.analysis.font) g_object_unref(t.analysis.font);
    if (shaped) pango_glyph_string_free(shaped);
    DestroyGlyphMasks(masks);
  }
};

}  // namespace

struct SimpleFaces {
  std::unordered_map<std::string, std::unique_ptr<SimpleFace>> faces[3];  // per FaceKind, by font key
  uint64_t lastSerial[3] = {0, 0, 0};
  SimpleFace* last[3] = {nullptr, nullptr, nullptr};
};

namespace {

// Table index of a character, or -1.
int CharIndex(char16_t c) {
  if (c >= 0x20 && c <= 0x7E) return c - 0x20;
  if (c >= 0xA0 && c <= 0xFF) return c == 0xAD ? -1 : kLatin1First + (c - 0xA0);
  if (c < 0x2013 || c > 0x2212) return -1;
  for (int i = 0; i < kMoreCount; ++i)
    if (kMoreChars[i] == c) return kMoreFirst + i;
  return -1;
}

char16_t CharAt(int index) {
  if (index < kAsciiCount) return static_cast<char16_t>(0x20 + index);
  if (index < kMoreFirst) return static_cast<char16_t>(0xA0 + index - kLatin1First);
  return kMoreChars[index - kMoreFirst];
}

// Letters of the Latin script among the characters; the others are of the common script.
bool IsLatinLetter(char16_t c) {
  const char16_t lower = c | 0x20;
  if (c < 0x80) return lower >= u'a' && lower <= u'z';
  return c == 0xAA || c == 0xBA || (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7);
}

int AppendUtf8(char16_t c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  out[0] = static_cast<char>(0xE0 | (c >> 12));
  out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[2] = static_cast<char>(0x80 | (c & 0x3F));
  return 3;
}

// Reads a text of table characters into their indices: its length (-1: zero-terminated, up to
// kMaxSimpleUnits) and script class. False for anything else, the empty text included.
bool ScanText(const char16_t* text, int32_t length, uint8_t* indices, int32_t* count, int* script) {
  if (!text) return false;
  bool letters = false;
  int32_t n = 0;
  for (; length < 0 ? text[n] != 0 : n < length; ++n) {
    if (n >= kMaxSimpleUnits) return false;
    const int index = CharIndex(text[n]);
    if (index < 0) return false;
    indices[n] = static_cast<uint8_t>(index);
    letters = letters || IsLatinLetter(text[n]);
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
  // Its glyphs are drawn without the font-file lock: the face must stay open.
  if (!face->scaled || !KeepFontFileOpen(face->scaled)) return face;
  if (pango_context_get_round_glyph_positions(pango_layout_get_context(layout)))
    face->shapeFlags = PANGO_SHAPE_ROUND_POSITIONS;
  face->usable = true;
  return face;
}

// The layout a face of `kind` is built from: measuring, drawing on bitmaps, or drawing on vector
// pages (unhinted advances). Null when it cannot be made.
PangoLayout* FaceLayout(ThreadText* t, FaceKind kind) {
  if (kind == kMeasureFace) return t->layout;
  return kind == kDrawFace ? t->drawLayout : VectorDrawLayout(t);
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
    std::unique_ptr<SimpleFace> made;
    {
      std::lock_guard<std::mutex> files(FontFileMutex());
      PangoLayout* layout = FaceLayout(t, kind);
      made = layout ? BuildFace(layout, font) : std::make_unique<SimpleFace>();
      if (kind == kDrawFace && made->usable) made->masks = CreateGlyphMasks(made->scaled);
    }
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

// Shapes the characters of `indices` with the table's analysis into the face's scratch string.
const PangoGlyphString* Shape(SimpleFace* f, const ScriptTable& t, const int* indices, int count) {
  char utf8[8];
  int bytes = 0;
  for (int i = 0; i < count; ++i) bytes += AppendUtf8(CharAt(indices[i]), utf8 + bytes);
  std::lock_guard<std::mutex> files(FontFileMutex());
  pango_shape_with_flags(utf8, bytes, utf8, bytes, &t.analysis, f->shaped, f->shapeFlags);
  return f->shaped;
}

int32_t CharWidth(SimpleFace* f, ScriptTable& t, int c) {
  if (t.widths[c] != kUnknown) return t.widths[c];
  const PangoGlyphString* g = Shape(f, t, &c, 1);
  int32_t width = kComplex;
  if (g->num_glyphs == 1 && PlainGlyph(g->glyphs[0])) {
    t.glyphs[c] = g->glyphs[0].glyph;
    width = g->glyphs[0].geometry.width;
  }
  t.widths[c] = width;
  return width;
}

// Width of `a` when `b` follows it.
int32_t PairWidth(SimpleFace* f, ScriptTable& t, int a, int b) {
  int32_t* slot = nullptr;
  if (a < kAsciiCount && b < kAsciiCount) {
    if (t.asciiPairs.empty()) t.asciiPairs.assign(static_cast<size_t>(kAsciiCount) * kAsciiCount, kUnknown);
    slot = &t.asciiPairs[static_cast<size_t>(a) * kAsciiCount + b];
  } else {
    slot = &t.otherPairs.emplace(static_cast<uint32_t>(a * kCharCount + b), kUnknown).first->second;
  }
  if (*slot != kUnknown) return *slot;
  const int32_t widthA = CharWidth(f, t, a), widthB = CharWidth(f, t, b);
  *slot = kComplex;
  if (widthA == kComplex || widthB == kComplex) return *slot;
  const int pair[2] = {a, b};
  const PangoGlyphString* g = Shape(f, t, pair, 2);
  // One glyph per character, each as it is alone, the second where the first's width puts it.
  if (g->num_glyphs == 2 && PlainGlyph(g->glyphs[0]) && PlainGlyph(g->glyphs[1]) && g->glyphs[0].glyph == t.glyphs[a] &&
      g->glyphs[1].glyph == t.glyphs[b] && g->glyphs[1].geometry.width == widthB && g->log_clusters[0] == 0 &&
      g->log_clusters[1] > 0)
    *slot = g->glyphs[0].geometry.width;
  return *slot;
}

// The widths of the text's glyphs (into `widths` when given) and their sum, in Pango units.
bool LineWidths(SimpleFace* f, int script, const uint8_t* indices, int32_t count, int32_t* widths, int64_t* total) {
  ScriptTable& t = f->scripts[script];
  int64_t sum = 0;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t w = i + 1 < count ? PairWidth(f, t, indices[i], indices[i + 1]) : CharWidth(f, t, indices[i]);
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
  uint8_t indices[kMaxSimpleUnits];
  int32_t count = 0;
  int script = 0;
  if (!ScanText(text, length, indices, &count, &script)) return false;
  // A thread drawing a vector page measures as that page draws.
  SimpleFace* face = FaceFor(t, font, VectorPageBound() ? kVectorFace : kMeasureFace);
  int64_t total = 0;
  if (!face || !LineWidths(face, script, indices, count, nullptr, &total)) return false;
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
  uint8_t indices[kMaxSimpleUnits];
  int32_t count = 0;
  int script = 0;
  if (!ScanText(text, length, indices, &count, &script)) return false;
  ThreadText* t = CurrentThreadText();
  if (!t) return false;
  SimpleFace* face = FaceFor(t, font, surface->vector ? kVectorFace : kDrawFace);
  int32_t widths[kMaxSimpleUnits];
  int64_t total = 0;
  if (!face || !LineWidths(face, script, indices, count, widths, &total)) return false;

  PangoRectangle logical = face->logical;
  logical.width = static_cast<int>(total);
  double ox, oy;
  PlaceExtents(logical, face->baseline, x, y, width, height, flags, &ox, &oy);
  const ScriptTable& table = face->scripts[script];
  cairo_glyph_t glyphs[kMaxSimpleUnits];
  auto place = [&](double baseX, double baseY) {
    int64_t position = 0;
    for (int32_t i = 0; i < count; ++i) {
      glyphs[i].index = table.glyphs[indices[i]];
      glyphs[i].x = baseX + static_cast<double>(position) / PANGO_SCALE;
      glyphs[i].y = baseY;
      position += widths[i];
    }
  };
  if (surface->vector) {
    place(ox, oy + face->baseline / double(PANGO_SCALE));
    if (DeferVectorText(surface, face->scaled, color, glyphs, count, flags)) {
      *result = XLX_OK;
      return true;
    }
  }
  // The origin goes through the current point as pango_cairo_show_layout takes it, and the glyphs
  // are placed with the renderer's arithmetic, so that they land on the same fractions of a pixel.
  const bool clip = BeginText(cr, x, y, width, height, flags, color, ox, oy);
  double baseX = 0, baseY = 0;
  cairo_get_current_point(cr, &baseX, &baseY);
  place(baseX, baseY + face->baseline / double(PANGO_SCALE));
  if (!DrawGlyphMasks(cr, face->masks, glyphs, count)) {
    cairo_set_scaled_font(cr, face->scaled);
    cairo_show_glyphs(cr, glyphs, count);
  }
  if (clip) cairo_restore(cr);
  *result = cairo_status(cr) == CAIRO_STATUS_SUCCESS ? XLX_OK : XLX_ERR_ENGINE;
  return true;
}

}  // namespace vkdraw
