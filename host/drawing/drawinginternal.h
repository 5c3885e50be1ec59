// Internal records of the drawing engine, shared by its source files. Nothing here is exported.
#pragma once
#include <cairo.h>
#include <pango/pangocairo.h>
#include <cmath>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "host/resultcodes.h"
#include <string>
#include <unordered_map>
#include <vector>
#include "host/drawing/vkdrwx.h"

namespace vkdraw {


constexpr int32_t kMaxTextUnits = 1 << 20;       // UTF-16 units of one text call
constexpr int32_t kMaxPolyPoints = 1000000;      // points of one polygon or polyline
constexpr size_t kMaxPathPoints = 16u << 20;     // points held by one path
constexpr double kMaxFontPoints = 4000.0;
constexpr int32_t kMaxDashes = 16;

struct SimpleFaces;

// Text state of one thread: Pango font maps must not be shared between threads, so each thread
// that measures or draws text gets its own map (over the host's fontconfig setup), a measuring
// context with metrics hinting on, a reusable layout and a scratch Cairo context for outlines.
// The drawing context is set up as a page surface's is (an image target, no scaling), so that
// the fonts it loads are the ones a surface draws with; the glyph tables of the simple-text path
// are built on both.
struct ThreadText {
  PangoFontMap* fontMap = nullptr;
  PangoContext* measure = nullptr;
  PangoLayout* layout = nullptr;
  cairo_surface_t* scratchSurface = nullptr;
  cairo_t* scratch = nullptr;
  PangoContext* drawContext = nullptr;
  PangoLayout* drawLayout = nullptr;
  SimpleFaces* simple = nullptr;
  PangoContext* vectorContext = nullptr;  // as drawContext, for vector pages (see VectorDrawLayout)
  PangoLayout* vectorLayout = nullptr;
  ~ThreadText();
};
// The calling thread's text state, made on first use; null when fonts cannot be set up.
ThreadText* CurrentThreadText();
// Loads our font configuration and the process default one that Pango waits for.
void PrepareFontConfigs();
// The process-wide lock of font files. The drawing library keeps at most ten FreeType faces open
// and, when it opens another, closes an idle one without taking that face's own lock, so a thread
// that starts drawing with the idle face at that moment uses a closed face. Everything that may
// open a face (font creation and metrics, every Pango layout, which may fall back to any font,
// and the shaping that fills glyph tables) holds this lock; faces that are drawn without it (the
// simple-text path's) are kept open for the life of the process, so they are never the idle one.
std::mutex& FontFileMutex();
// Keeps the face of `scaled` open from now on (with FontFileMutex held). False when it cannot.
bool KeepFontFileOpen(cairo_scaled_font_t* scaled);
// Font options every context uses: grey anti-aliasing (or none), slight outline hinting and
// metrics hinting on, which rounds advances to whole pixels as the spreadsheet application does.
// Not `hinted` (simple text on vector pages): no hinting and glyph positions left unrounded, so
// that text runs on the font's own advances, which a PDF or SVG then places without a position
// adjustment per glyph.
void ApplyTextOptions(PangoContext* context, bool antialias, bool hinted = true);
// The thread's layout for the simple-text tables of vector pages: the drawing context's set-up
// with the vector options. Null when it cannot be made. The caller holds FontFileMutex().
PangoLayout* VectorDrawLayout(ThreadText* t);

// UTF-16 (length -1: zero-terminated) to UTF-8, invalid units as U+FFFD. False when over the cap.
bool Utf16ToUtf8(const char16_t* text, int32_t length, std::string* out);
std::u16string Utf8ToUtf16(const std::string& text);

// The language that CJK text shows by its own letters: Japanese for kana, Korean for hangul,
// whichever comes first; null for any other text (Han characters alone say too little). Pango
// picks the fallback faces of characters the font lacks by it, and shapes Han characters in the
// forms of that language.
PangoLanguage* SuggestedLanguage(const std::string& utf8);
// Adds that language (when there is one) over the whole text to `list`.
void AddSuggestedLanguage(PangoAttrList* list, const std::string& utf8);

// Sets text, font and layout options on `layout` for one call. Width <= 0: no line breaking.
void PrepareLayout(PangoLayout* layout, const VkFont* font, const std::string& utf8, double wrapWidth,
                   uint32_t flags);
// Where the layout's top-left goes so that the text lands as VkDrawText places it.
void PlaceLayout(PangoLayout* layout, double x, double y, double width, double height, uint32_t flags,
                 double* originX, double* originY);
// The same from the layout's logical rectangle and baseline (Pango units).
void PlaceExtents(const PangoRectangle& logical, int baseline, double x, double y, double width, double height,
                  uint32_t flags, double* originX, double* originY);

// ---- simple-text path (drawingsimpletext.cpp) ----
// Single lines of plain Western text (printable ASCII, Latin-1 and common typographic signs) in
// a font without underline or strike-out are measured and drawn from per-thread, per-font tables
// of glyphs and advances that are filled from Pango's own shaping of each character and each pair
// of characters, so that the result is the one the full layout gives: the same glyphs at the
// same positions. Anything else (other characters, pairs the font ligates or repositions, fonts
// that need fallback) returns false and takes the layout.
constexpr int32_t kMaxSimpleUnits = 512;
void DestroySimpleFaces(SimpleFaces* faces);
// Width and height in pixels of the text laid out on one line, when the simple path applies.
bool MeasureSimpleText(ThreadText* t, const VkFont* font, const char16_t* text, int32_t length, double* width,
                       double* height);
// Draws the text as VkDrawText would (flags without wrapping or right-to-left), when the simple
// path applies to the text, the font and the surface's current state; *result is then set.
bool DrawSimpleText(VkSurface* surface, const VkFont* font, VkColor color, const char16_t* text, int32_t length,
                    double x, double y, double width, double height, uint32_t flags, int32_t* result);

// ---- glyph masks (drawingglyphmasks.cpp) ----
// One thread's coverage masks of the glyphs of one scaled font, made as glyphs are first drawn.
struct GlyphMasks;
GlyphMasks* CreateGlyphMasks(cairo_scaled_font_t* scaled);  // null when out of memory
void DestroyGlyphMasks(GlyphMasks* masks);
// Draws the glyphs (user-space positions, at most kMaxSimpleUnits) in the current source onto an
// image target whose transformation is a translation, with the pixels the drawing library's own
// glyph drawing gives, without its process-wide glyph lock. False, having drawn nothing, for any
// other target or a glyph it cannot take; the caller then draws them with the library.
bool DrawGlyphMasks(cairo_t* cr, GlyphMasks* masks, const cairo_glyph_t* glyphs, int count);

// ---- masks blended straight into the page (drawingmaskblend.cpp) ----
// An 8-bit coverage mask placed on the target's pixels, and the clip it is drawn through.
struct MaskPlacement {
  const uint8_t* alpha = nullptr;  // height rows of `stride` bytes, width used
  int stride = 0, width = 0, height = 0;
  int x = 0, y = 0;  // the mask's top left pixel in the target's pixel memory
  const cairo_rectangle_list_t* clip = nullptr;  // the clip in user space (cairo_copy_clip_rectangle_list)
  double userToPixelX = 0, userToPixelY = 0;      // user space to target pixels: a translation
};
// Blends the mask in the current source into the target, with the pixels cairo_mask_surface
// would give, when the target is a 32-bit image drawn on directly, the operator OVER and the
// source a solid colour; the clip's rectangles must lie on whole pixels. False, having drawn
// nothing, otherwise.
bool BlendSolidMask(cairo_t* cr, const MaskPlacement& mask);

enum PathOp : uint8_t { kMoveTo, kLineTo, kCurveTo, kClose };

// ---- vector pages (drawingvector.cpp) ----
// The vector page bound to the calling thread when it is of width x height pixels and no surface
// has drawn on it yet; it is then marked as taken. Null otherwise.
VkVectorPage* TakeBoundVectorPage(uint32_t width, uint32_t height);
// Whether a vector page is bound to the calling thread.
bool VectorPageBound();
// The recording surface of the page (owned by the page).
cairo_surface_t* VectorPageTarget(VkVectorPage* page);
// The picture the page holds under `tag` (a new reference), or null. Pages keep the pictures
// drawn on them: the recording only snapshots a picture, and a snapshot whose original is gone
// loses the tag that lets the document store each picture once.
cairo_surface_t* FindPagePicture(VkVectorPage* page, const std::string& tag);
// Keeps a reference to `image` under `tag` until the page is freed (none when memory runs out).
void KeepPagePicture(VkVectorPage* page, const std::string& tag, cairo_surface_t* image);

}  // namespace vkdraw

struct VkDrawingEngine {
  double dpi = 96.0;
  std::atomic<bool> simpleText{true};                        // the simple-text path may be used
  std::mutex mutex;                                          // guards familyCache
  std::unordered_map<std::string, std::string> familyCache;  // face + style -> family used
};

struct VkFont {
  PangoFontDescription* desc = nullptr;
  PangoAttrList* attrs = nullptr;  // underline and strike-out, or null
  double sizePx = 0;
  uint32_t style = 0;
  std::string asked;   // UTF-8, the face asked for ("sans-serif" for none)
  std::string family;  // UTF-8, the family fontconfig really gave
  std::string key;     // what the font is (description and size), for per-thread font tables
  uint64_t serial = 0; // unique per font made, for the one-entry lookup of those tables
  ~VkFont();
};

struct VkPen {
  double r = 0, g = 0, b = 0, a = 1;
  double width = 1;
  int32_t style = VK_PEN_SOLID;
  int32_t cap = VK_CAP_FLAT;
  int32_t join = VK_JOIN_MITER;
  double miterLimit = 10;      // line widths
  std::vector<double> dashes;  // VK_PEN_CUSTOM only, pixels
};

struct VkBrush {
  bool hatch = false;
  int32_t hatchStyle = 0;
  VkColor foreground = 0;
  VkColor background = 0;
  cairo_pattern_t* gradient = nullptr;  // a gradient brush's pattern, in user space; owned
  VkBrush() = default;
  VkBrush(const VkBrush&) = delete;
  VkBrush& operator=(const VkBrush&) = delete;
  ~VkBrush() {
    if (gradient) cairo_pattern_destroy(gradient);
  }
};

struct VkPath {
  std::vector<uint8_t> ops;    // vkdraw::PathOp per segment
  std::vector<double> coords;  // 2 per move/line, 6 per curve, none per close
  bool winding = false;
  bool hasCurrent = false;
  double currentX = 0, currentY = 0;
};

namespace vkdraw {

// One clip step, kept with the transform it was made under so that the clip can be rebuilt
// after a restore whatever the transform is then.
struct ClipStep {
  cairo_matrix_t matrix;
  bool isRect = true;
  double left = 0, top = 0, right = 0, bottom = 0;
  VkPath path;
  cairo_antialias_t antialias = CAIRO_ANTIALIAS_DEFAULT;
};

// Builds `path` as Cairo's current path (in the current transform).
void AppendPath(cairo_t* cr, const VkPath& path);
// Appends Cairo's path data (text outlines) to `path`: 1, -1 (over the point cap), -9.
int32_t AppendCairoPath(VkPath* path, const cairo_path_t* source);
// The font report (VkSetFontReport): whether it is on, and noting a face asked for with a family
// drawn for it, or every family a laid-out text drew with.
bool FontReportOn();
void NoteFontUse(const std::string& asked, const std::string& family);
void NoteLayoutFonts(PangoLayout* layout, const VkFont* font);
// Sets the brush as source, its pattern aligned to the bitmap.
void SetBrushSource(VkSurface* surface, const VkBrush* brush);
void SetColorSource(cairo_t* cr, VkColor color);
// Starts drawing a text at the origin (ox, oy) in `color`, clipped to the box when the flags ask
// for it; true when it clipped, and the caller then restores the context after drawing.
bool BeginText(cairo_t* cr, double x, double y, double width, double height, uint32_t flags, VkColor color, double ox,
               double oy);
// Strokes the figure that `build` makes, with the half-pixel rule of odd widths.
template <typename Build>
void StrokeFigure(VkSurface* surface, const VkPen* pen, Build build);
bool AxisAligned(const cairo_matrix_t& m);

}  // namespace vkdraw

namespace vkdraw {
struct VectorTextQueue;
struct SurfaceDeferral;
}  // namespace vkdraw

struct VkSurface {
  VkDrawingEngine* engine = nullptr;
  _BITMAPHANDLE* bitmap = nullptr;
  uint8_t* pixels = nullptr;  // ARGB32, premultiplied; null on a vector page
  // The bitmap holds on to `pixels` instead of having them written back (see VkEndSurface).
  vkdraw::SurfaceDeferral* deferral = nullptr;
  VkVectorPage* vector = nullptr;  // the vector page drawn on instead of the bitmap, if any
  size_t pixelBytes = 0;
  int32_t stride = 0;
  // Per row of a 24-bit bitmap: 1 when the row was white as the surface took it, so that a row
  // still white at the end need not be written back. Empty when not known.
  std::vector<uint8_t> whiteRows;
  cairo_surface_t* target = nullptr;
  cairo_t* cr = nullptr;
  bool lineSmoothing = true;
  bool textSmoothing = true;
  std::vector<vkdraw::ClipStep> clips;
  PangoContext* pango = nullptr;  // text drawing context of this surface
  PangoLayout* layout = nullptr;
  bool pangoStale = true;         // the transform's scale or rotation changed since last update
  PangoDirection baseDir = PANGO_DIRECTION_LTR;
  int32_t hatchCell = 8;          // hatch repeat and line thickness in bitmap pixels
  int32_t hatchLine = 1;
  std::unordered_map<uint64_t, cairo_pattern_t*> hatchPatterns[6];  // per style, by colours
  vkdraw::VectorTextQueue* deferredTexts = nullptr;  // vector pages: clipped texts kept back
  ~VkSurface();
};

namespace vkdraw {
// Brings the surface's Pango context up to date with the transform and the flags' direction.
// The caller holds FontFileMutex().
void RefreshSurfaceLayout(VkSurface* surface, uint32_t flags);
// Draws the surface's prepared layout placed, coloured and clipped as VkDrawText places text.
// 1 or -9. The caller holds FontFileMutex().
int32_t ShowSurfaceLayout(VkSurface* surface, VkColor color, double x, double y, double width, double height,
                          uint32_t flags);
}  // namespace vkdraw

namespace vkdraw {

// ---- clipped texts of vector pages (drawingvectorclip.cpp) ----
// On a vector page, a text of `count` glyphs (user space) that its upright rectangular clips cut
// only at the sides is kept back, to be drawn with the other kept-back texts of its column band
// under one clip; true when it was kept (nothing else to do). A text that is drawn now first draws
// the kept-back texts its ink meets. False on a raster surface.
bool DeferVectorText(VkSurface* surface, cairo_scaled_font_t* font, VkColor color, const cairo_glyph_t* glyphs,
                     int32_t count, uint32_t flags);
// Draws the kept-back texts; every drawing call other than a simple text calls it first.
void DrawDeferredTexts(VkSurface* surface);
inline void FlushVectorText(VkSurface* surface) {
  if (surface && surface->deferredTexts) DrawDeferredTexts(surface);
}
void DestroyVectorTextQueue(VectorTextQueue* queue);

inline cairo_antialias_t LineAntialias(const VkSurface* s) {
  return s->lineSmoothing ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE;
}

// Line width, dashes (built-in ones in multiples of `dashUnit`, custom ones times `customScale`,
// starting `dashOffset` into the pattern), ends, corners and colour of a pen, in the current
// user space.
void ApplyPenStyle(cairo_t* cr, const VkPen* pen, double width, double dashUnit, double customScale,
                   double dashOffset = 0);
double DeviceScale(const cairo_matrix_t& m);

template <typename Build>
void StrokeFigure(VkSurface* surface, const VkPen* pen, Build build) {
  cairo_t* cr = surface->cr;
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  double scale = DeviceScale(m);
  if (scale < 1e-12) return;
  double widthUser = pen->width > 0 ? pen->width : 1.0 / scale;
  long pixels = std::lround(widthUser * scale);
  if (pixels < 1) pixels = 1;
  bool shift = (pixels % 2 == 1) && AxisAligned(m);
  if (shift) {
    // Integer coordinates are pixel centres for strokes: an odd-width line moves half a pixel
    // so that it covers whole pixels.
    cairo_matrix_t shifted = m;
    shifted.x0 += 0.5;
    shifted.y0 += 0.5;
    cairo_set_matrix(cr, &shifted);
  }
  cairo_new_path(cr);
  build(cr);
  if (shift) cairo_set_matrix(cr, &m);
  // A figure whose corners sit on pixel centres starts its dashes half a pixel in, so that they
  // end on pixel edges and stay crisp.
  ApplyPenStyle(cr, pen, widthUser, widthUser, 1.0, shift ? 0.5 / scale : 0.0);
  cairo_set_antialias(cr, LineAntialias(surface));
  cairo_stroke(cr);
}

}  // namespace vkdraw
