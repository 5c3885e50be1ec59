// The drawing layer: the one set of operations through which cells, pictures, shapes and charts
// draw on a page. It turns the workbook's colours, line styles, fill kinds and fonts into objects
// of the host drawing engine and applies the rules they follow here (no pen for line style 5,
// custom dashes scaled by the pen width, the host hatch numbers of each fill group, font sizes
// from pixel heights at the engine's text resolution, the font substitution table).
//
// Every operation returns 1 (XLX_OK) on success (the ones that make something or end a page must
// be checked; a failed drawing call leaves the page as it was and may be passed up or ignored); -13 for a missing surface, object or argument,
// -1 when memory runs out, or the host's own negative code, which the caller passes up.
// Lengths are pixels of the page unless a name says otherwise. Pens, brushes, fonts and paths are
// the caller's until released with their Free/Delete operation; a null pen or brush (what
// SetDrawPen and SetDrawBrush make for "none") is accepted everywhere and draws nothing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <set>
#include <tuple>
#include "host/hostrecords.h"
#include "host/drawing/vkdrwx.h"

namespace xlx {

// Red in bits 0-7, green 8-15, blue 16-23; bits 24-31 are the alpha the host draws with (0xFF
// for every resolved spreadsheet colour). 0xFFFFFFFF means automatic: callers do not draw it.
typedef uint32_t CellColor;

// Pen style codes of borders and shape outlines.
enum LineStyle : int32_t {
  kPenSolid = 0,
  kPenDash = 1,        // or the caller's dash array
  kPenDot = 2,
  kPenDashDot = 3,
  kPenDashDotDot = 4,
  kPenNone = 5,        // no line at all
};

// Fill kinds of a fill record as drawing sees them.
enum BrushKind : int32_t { kBrushSolid = 0, kBrushNone = 1, kBrushHatch = 2 };

// Pattern fill groups; each group's lines run in its own direction.
enum HatchGroup : int32_t {
  kHatchGroupHorizontal = 0,
  kHatchGroupVertical = 1,
  kHatchGroupRising = 2,        // "/"
  kHatchGroupFalling = 3,       // "\"
  kHatchGroupGrid = 4,
  kHatchGroupDiagonalGrid = 5,
};

// Style flags handed to the host when a font is made.
// lfUnderline 2 (double) gives kFontUnderline | kFontDoubleUnderline.
enum FontStyleFlag : uint32_t {
  kFontBold = 1,
  kFontItalic = 2,
  kFontUnderline = 4,
  kFontStrikeOut = 8,
  kFontDoubleUnderline = 16,
  kFontFixedPitch = 32,  // the workbook says the face is fixed-pitch
};

// Text placement: horizontal (bits 0-1) and vertical (bits 2-3) alignment, and options.
enum DrawTextFlag : uint32_t {
  kTextLeft = VK_TEXT_LEFT,
  kTextCenter = VK_TEXT_CENTER,
  kTextRight = VK_TEXT_RIGHT,
  kTextTop = VK_TEXT_TOP,
  kTextVCenter = VK_TEXT_VCENTER,
  kTextBottom = VK_TEXT_BOTTOM,
  kTextBaseline = VK_TEXT_BASELINE,
  kTextWrap = VK_TEXT_WRAP,
  kTextClip = VK_TEXT_CLIP,
  kTextRightToLeft = VK_TEXT_RTL,
};

// Point tags of AddDrawPolyDrawToPath; kPathClose may be added to a line or Bezier point to
// close the figure after it.
enum DrawPathTag : uint8_t { kPathClose = 0x01, kPathLineTo = 0x02, kPathBezierTo = 0x04, kPathMoveTo = 0x06 };

// What the drawing layer needs of a workbook font, in the shape of a LOGFONT.
struct DrawFontSpec {
  char16_t lfFaceName[32] = {};  // zero-terminated
  int32_t lfHeight = 0;          // px; the sign is ignored (LOGFONT cell or character height)
  double dHeightPx = 0;          // the unrounded height in px when known; used instead of lfHeight
  int32_t lfWeight = 400;        // 501 and above is bold
  uint8_t lfItalic = 0;
  uint8_t lfUnderline = 0;
  uint8_t lfStrikeOut = 0;
  bool bFixedPitch = false;      // the workbook says the face is fixed-pitch (family "modern")
  double dCharWidth = 0;         // average character width, px, for measuring without the host; 0 none
};

// A host font made from a DrawFontSpec, and the face really drawn.
struct DrawFont {
  VkFont* hFont = nullptr;
  double dSizePt = 0;             // height x 72 / engine resolution
  uint32_t uStyle = 0;            // FontStyleFlag
  char16_t szFamily[64] = {};     // the family the host draws, e.g. "Carlito" for "Calibri"
  bool bSubstituted = false;      // made again with a face of the substitution table
};

struct DrawPoint {
  double x, y;
};
struct DrawRect {
  double left, top, width, height;
};

// A page being drawn: the host surface on the page bitmap and the document's engine.
struct DrawingSurface {
  VkDrawingEngine* pEngine = nullptr;
  VkSurface* pSurface = nullptr;
  bool bOwnsSurface = false;
};

// ---- surface -----------------------------------------------------------------------------------
// Makes the host surface on `bitmap` (24-bit page bitmap) for `engine`. 1, -13, -1 or the host's code.
[[nodiscard]] int32_t CreateDrawingSurface(VkDrawingEngine* engine, _BITMAPHANDLE* bitmap, DrawingSurface** surface);
// Until the next call, surfaces made on this thread for a pageWidth x pageHeight page bitmap draw
// on `band` instead: the page's rows from `top`, in the page's coordinates (host VkBindPageBand).
// A null band ends it. 1 or -13.
[[nodiscard]] int32_t BindPageBand(_BITMAPHANDLE* band, uint32_t pageWidth, uint32_t pageHeight, uint32_t top);
// Wraps a surface the caller made; DestroyDrawingSurface leaves it alone.
[[nodiscard]] int32_t AttachDrawingSurface(VkDrawingEngine* engine, VkSurface* hostSurface, DrawingSurface** surface);
void DestroyDrawingSurface(DrawingSurface* surface);
// Turns on anti-aliased lines and anti-aliased text.
int32_t InitEngine(DrawingSurface* surface);
// Ends drawing: what was drawn goes into the page bitmap.
[[nodiscard]] int32_t EndEngine(DrawingSurface* surface);
// Line smoothing (anti-aliasing of lines, shapes and fills) on or off.
int32_t SetDrawSmoothing(DrawingSurface* surface, bool on);
// Text resolution of the engine, dots per inch.
double GetDrawEngineResolution(VkDrawingEngine* engine);

// ---- pens, brushes, fonts ----------------------------------------------------------------------
// A pen of `width` px. Style kPenNone makes no pen (null, result 1). kPenDash with a dash array
// (on, off, ... in multiples of the width, 1 to 16 values) makes a custom-dash pen whose lengths
// are multiplied by the width when the width differs from 1 by more than 0.01.
[[nodiscard]] int32_t SetDrawPen(CellColor color, int32_t lineStyle, double width, const double* dashes, int32_t dashCount,
                   VkPen** pen);
void FreeDrawPen(VkPen* pen);
// Line ends and corners of a pen. Cap 0 flat, 1 round, 2 square (reaching half the width past
// the end); join 0 round, 1 bevel, 2 mitre, a mitre reaching at most `miterLimit` widths past
// the corner (at least 1; a sharper corner is bevelled). Pens are made flat-ended and mitred
// with a limit of 10. A null pen is left alone (result 1); -13 for a code out of range.
int32_t SetDrawPenShape(VkPen* pen, int32_t cap, int32_t join, double miterLimit);
// A brush of `kind`: solid, none (null, result 1) or a hatch of `hatchGroup` in `color` over nothing.
[[nodiscard]] int32_t SetDrawBrush(CellColor color, int32_t kind, int32_t hatchGroup, VkBrush** brush);
// A two-colour hatch (foreground lines over the background) for kind 2; a solid brush in the
// foreground for any other kind.
[[nodiscard]] int32_t SetDrawHatchBrush(CellColor foreground, CellColor background, int32_t kind, int32_t hatchGroup,
                          VkBrush** brush);
void FreeDrawBrush(VkBrush* brush);

// ---- gradient brushes ----------------------------------------------------------------------------
// A colour stop: offset 0 to 1 along the gradient, colour with its alpha in bits 24-31.
struct DrawGradientStop {
  double offset;
  CellColor color;
};
// Stops handed to the gradient makers: 2 to 64 of them, offsets in 0..1 (others are clamped),
// in any order (they are sorted, the order of equal offsets kept); a single stop makes a solid
// brush. Geometry is in the coordinates of the drawing call that fills with the brush.
//
// Linear over `box`: the colours change along a line at `angleDegrees` clockwise from the x
// axis (y down), offset 0 and 1 falling on the box corners that lie furthest back and
// furthest along it. With `scaleWithBox` the angle is taken in a square that is then stretched
// to the box, so 45 degrees runs corner to corner whatever the box's shape.
[[nodiscard]] int32_t SetDrawLinearGradientBrush(const DrawRect& box, double angleDegrees, bool scaleWithBox,
                                                 const DrawGradientStop* stops, int32_t count, VkBrush** brush);
// Elliptic: offset 0 at (cx, cy), 1 on the ellipse of radii rx, ry around it.
[[nodiscard]] int32_t SetDrawRadialGradientBrush(double cx, double cy, double rx, double ry,
                                                 const DrawGradientStop* stops, int32_t count, VkBrush** brush);
// Rectangular: offset 0 on `inner` (which may have no size: a point), 1 on `outer`; `inner` is
// clipped into `outer`.
[[nodiscard]] int32_t SetDrawRectGradientBrush(const DrawRect& inner, const DrawRect& outer,
                                               const DrawGradientStop* stops, int32_t count, VkBrush** brush);
// The host hatch style each brush operation passes for a group (-1 for a group out of range).
int32_t HostHatchForBrush(int32_t hatchGroup);
int32_t HostHatchForHatchBrush(int32_t hatchGroup);

// Makes the host font for `spec` at height x 72 / engine resolution points, the height being
// dHeightPx when set, else |lfHeight|. Hinted metrics round to whole pixels, so the unrounded
// height matters: Calibri 11 pt at 96 dpi is 14.67 px with a "0" 7 px wide, while 15 px gives
// 8 px. When the host
// draws another family than the one asked for and the face is in the substitution table, the
// font is made again with the table's face. 1, -13 (no face, height 0), -1, or the host's code.
[[nodiscard]] int32_t SetDrawFont(VkDrawingEngine* engine, const DrawFontSpec& spec, DrawFont** font);
// The height a spec asks for, px (dHeightPx, else |lfHeight|), and its FontStyleFlag bits.
double DrawFontHeight(const DrawFontSpec& spec);
uint32_t DrawFontStyle(const DrawFontSpec& spec);
void FreeDrawFont(DrawFont* font);
// The face of the substitution table row that lists `face` (blanks and case ignored), or null.
const char16_t* FindFontSubstitute(const char16_t* face);

// ---- the font cache ------------------------------------------------------------------------------
// A host font made once for a face, height and style, with the measures text placement needs.
struct CachedDrawFont {
  DrawFont* font = nullptr;
  double heightPx = 0;     // font height, px
  double width00 = 0;      // width of "00"
  double widthZero = 0;    // width of "0"
  double indentUnit = 0;   // 3 x (width of "0 0" - width of "00")
  double lineHeight = 0;   // px between lines
  double ascent = 0;       // px from the top of a line to its baseline
  std::u16string family;   // face the host really draws
};

// The fonts of one engine, made through SetDrawFont (and so the substitution table) the first
// time a face, height (to 1/64 px) and style are asked for, and kept until the cache goes.
// Symbol faces ("Wingdings...") are measured in Calibri for the cell insets. Entries stay where
// they are while the cache lives, so the pointers Get returns stay valid.
// Each font costs the host a face look-up and a scaled font, so a cache makes at most
// kMaxFaces distinct faces (a face asked for past that is drawn in Calibri) and kMaxFonts fonts
// (a height asked for past that is drawn in the nearest height already made in that face and
// style, or failing that in any face).
class DrawFontCache {
 public:
  explicit DrawFontCache(VkDrawingEngine* engine) : engine_(engine) {}
  ~DrawFontCache();
  DrawFontCache(const DrawFontCache&) = delete;
  DrawFontCache& operator=(const DrawFontCache&) = delete;

  // The font for `spec` (an empty face is Calibri); null when the host cannot make it or memory
  // runs out.
  const CachedDrawFont* Get(const DrawFontSpec& spec);
  // Width and height in px of `length` units of `text`, wrapped at `maxWidth` px when it is
  // above 0. When the host cannot measure: units x width of "0" (or 0.67 x the height) and the
  // font height.
  void Measure(const CachedDrawFont& font, const char16_t* text, int32_t length, double maxWidth, double* width,
               double* height) const;
  // Faces asked for and the faces drawn, for reports.
  const std::map<std::u16string, std::u16string>& Substitutions() const { return used_; }
  size_t Size() const { return fonts_.size(); }
  VkDrawingEngine* engine() const { return engine_; }

  static constexpr size_t kMaxFaces = 64;
  static constexpr size_t kMaxFonts = 512;

 private:
  using Key = std::tuple<std::u16string, int32_t, uint32_t>;  // face, height in 1/64 px, style
  std::u16string BoundedFace(std::u16string face);
  const CachedDrawFont* Nearest(const Key& key) const;

  VkDrawingEngine* engine_;
  std::map<Key, CachedDrawFont> fonts_;
  std::set<std::u16string> faces_;  // faces asked for so far
  std::map<std::u16string, std::u16string> used_;
};

// ---- text ----------------------------------------------------------------------------------------
// Width and height in px of `length` units of `text` (-1: zero-terminated). When the host cannot
// measure, width = units x dCharWidth (or x 0.67 x the font height without one) and height = the
// font height; the result is still 1.
[[nodiscard]] int32_t GetDrawTextExtent(VkDrawingEngine* engine, const char16_t* text, int32_t length, const DrawFontSpec& spec,
                          double* width, double* height);
// Draws a run of text in `color` inside `rect` by the DrawTextFlag alignment; a rectangle of zero
// width and height means draw at its (left, top) point.
int32_t AddDrawText(DrawingSurface* surface, const char16_t* text, int32_t length, const DrawFontSpec& spec,
                    CellColor color, const DrawRect& rect, uint32_t flags);

// Draws a run of text in a font of the cache: the fast path of cell text, with no look-up per
// call. Placement as AddDrawText.
int32_t AddDrawTextInFont(DrawingSurface* surface, const char16_t* text, int32_t length, const DrawFont* font,
                          CellColor color, const DrawRect& rect, uint32_t flags);

// A run of rich text: units [start, start + length) of the text in their own font (null: the
// text's font) and colour, raised or lowered by `shift` (kRunSuperscript, kRunSubscript).
enum RunShift : int32_t { kRunBaseline = 0, kRunSuperscript = 1, kRunSubscript = 2 };
struct DrawTextRun {
  int32_t start, length;
  const DrawFont* font;
  CellColor color;
  int32_t shift;
};
// Text in runs, placed, wrapped and clipped as AddDrawText places one font's text; units no run
// covers take `font` and `color`. At most 4096 runs. 1, -13 for a run outside the text, or the
// host's code.
[[nodiscard]] int32_t AddDrawTextRuns(DrawingSurface* surface, const char16_t* text, int32_t length,
                                      const DrawFont* font, CellColor color, const DrawTextRun* runs, int32_t count,
                                      const DrawRect& rect, uint32_t flags);
// Width and height in px of text in runs, wrapped at maxWidth when above 0.
[[nodiscard]] int32_t GetDrawTextRunsExtent(VkDrawingEngine* engine, const char16_t* text, int32_t length,
                                            const DrawFont* font, const DrawTextRun* runs, int32_t count,
                                            double maxWidth, double* width, double* height);

// ---- shapes --------------------------------------------------------------------------------------
int32_t AddDrawLine(DrawingSurface* surface, const VkPen* pen, double x1, double y1, double x2, double y2);
// Fills, then strokes (left, top, width, height).
int32_t AddDrawRectangle(DrawingSurface* surface, const VkPen* pen, const VkBrush* brush, double left, double top,
                         double width, double height);
int32_t AddDrawRoundRect(DrawingSurface* surface, const VkPen* pen, const VkBrush* brush, const DrawRect& rect,
                         double radiusX, double radiusY);
int32_t AddDrawEllipse(DrawingSurface* surface, const VkPen* pen, const VkBrush* brush, const DrawRect& rect);
// A closed polygon of `count` points (2 or more).
int32_t AddDrawPolygon(DrawingSurface* surface, const VkPen* pen, const VkBrush* brush, const DrawPoint* points,
                       int32_t count);
// An open line through `count` points.
int32_t AddDrawPolyline(DrawingSurface* surface, const VkPen* pen, const DrawPoint* points, int32_t count);

// ---- paths ---------------------------------------------------------------------------------------
[[nodiscard]] int32_t CreateDrawPath(VkPath** path);
int32_t AddDrawMovetoToPath(VkPath* path, double x, double y);
int32_t AddDrawLineToPath(VkPath* path, double x, double y);
// Cubic Beziers from the current point, three control points each (count a multiple of 3).
// A quadratic (control q, end e from current point p) is the cubic p + 2/3 (q - p), e + 2/3 (q - e), e.
int32_t AddDrawBezierToPath(VkPath* path, const DrawPoint* points, int32_t count);
// A closed figure through the points.
int32_t AddDrawPolygonToPath(VkPath* path, const DrawPoint* points, int32_t count);
// Points tagged move, line or Bezier (three points in a row), each optionally closing its figure.
int32_t AddDrawPolyDrawToPath(VkPath* path, const DrawPoint* points, const uint8_t* tags, int32_t count);
// Ends building; the path is ready to draw.
[[nodiscard]] int32_t EndDrawPath(VkPath* path);
void DeleteDrawPath(VkPath* path);
// Fill rule of the path: false even-odd (default), true non-zero winding.
int32_t SetDrawPathWinding(VkPath* path, bool winding);
int32_t FillDrawPath(DrawingSurface* surface, const VkPath* path, const VkBrush* brush);
int32_t StrokeDrawPath(DrawingSurface* surface, const VkPath* path, const VkPen* pen);
int32_t StrokeAndFillDrawPath(DrawingSurface* surface, const VkPath* path, const VkPen* pen, const VkBrush* brush);

// Bounds of a path's points, control points included: 1, or -13 for an empty or null path.
int32_t GetDrawPathBounds(const VkPath* path, DrawRect* bounds);
// Bends `path`: curves become straight pieces at most `maxSegment` px long (as do longer lines),
// then every point goes through `map`, which moves it in place. 1, -13, or -1 when memory runs
// out (the path is then unchanged).
typedef void (*DrawPointMap)(void* context, double* x, double* y);
[[nodiscard]] int32_t WarpDrawPath(VkPath* path, double maxSegment, DrawPointMap map, void* context);

// The outline of a text laid out in `rect` as AddDrawText would, as a new path.
[[nodiscard]] int32_t GetDrawStringPath(VkDrawingEngine* engine, const char16_t* text, int32_t length, const DrawFontSpec& spec,
                          const DrawRect& rect, uint32_t flags, VkPath** path);
// Draws a text outline filled with `brush` and stroked with `pen`.
int32_t AddDrawStringPath(DrawingSurface* surface, const VkPath* path, const VkPen* pen, const VkBrush* brush);
void FreeDrawStringPath(VkPath* path);

// ---- pictures ------------------------------------------------------------------------------------
// Draws a decoded picture (24- or 32-bit host bitmap) scaled into `dest`, at full opacity.
int32_t AddDrawImage(DrawingSurface* surface, const _BITMAPHANDLE* image, const DrawRect& dest);
// The same with an optional source rectangle of the picture (null: all of it).
int32_t AddDrawImage2(DrawingSurface* surface, const _BITMAPHANDLE* image, const DrawRect& dest,
                      const DrawRect* source);
// A picture made ready to be drawn many times, from any thread (a decoded picture kept by a
// cache); released with FreeDrawImage. 1, -1, -13.
[[nodiscard]] int32_t CreateDrawImage(const _BITMAPHANDLE* bitmap, VkImage** image);
void FreeDrawImage(VkImage* image);
// A prepared picture (or the `source` part of it; null for all) drawn scaled into `dest` with
// `opacity` (0 transparent .. 1 opaque). A source reaching past the picture leaves that share of
// `dest` empty; one wholly outside it is -13.
[[nodiscard]] int32_t AddDrawImageAlpha(DrawingSurface* surface, const VkImage* image, const DrawRect& dest, const DrawRect* source,
                          double opacity);
// Fills `area` with copies of a prepared picture, each `tile` wide and high, laid edge to edge in
// every direction from (tile.left, tile.top).
[[nodiscard]] int32_t AddDrawImageTiled(DrawingSurface* surface, const VkImage* image, const DrawRect& area, const DrawRect& tile);

// ---- clip and transform ----------------------------------------------------------------------------
// Intersect the clip with a rectangle (left, top, right, bottom) or a path; `saved` receives the
// clip to restore with FreeDrawClipRgn / FreeDrawClipPath.
int32_t SetDrawClipRgn(DrawingSurface* surface, double left, double top, double right, double bottom, int32_t* saved);
int32_t FreeDrawClipRgn(DrawingSurface* surface, int32_t saved);
int32_t SetDrawClipPath(DrawingSurface* surface, const VkPath* path, int32_t* saved);
int32_t FreeDrawClipPath(DrawingSurface* surface, int32_t saved);
// World transform {a, b, c, d, e, f}: x' = a x + c y + e, y' = b x + d y + f. Multiply, scale,
// translate and rotate (degrees, clockwise) apply before the current transform.
int32_t GetDrawTransform(DrawingSurface* surface, double matrix[6]);
int32_t SetDrawTransform(DrawingSurface* surface, const double matrix[6]);
int32_t MultiplyDrawTransform(DrawingSurface* surface, const double matrix[6]);
int32_t ScaleDrawTransform(DrawingSurface* surface, double sx, double sy);
int32_t TranslateDrawTransform(DrawingSurface* surface, double dx, double dy);
int32_t RotateDrawTransform(DrawingSurface* surface, double degrees);

}  // namespace xlx
