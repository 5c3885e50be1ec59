// Host drawing engine of the xlxhost toolkit: a DrawingEngine per document (it measures text and
// reports its text resolution) and DrawingSurfaces made on 24- or 32-bit page bitmaps, drawn with
// Cairo and Pango over fontconfig.
//
// Conventions of every surface operation:
// - Lengths are user-space pixels, mapped to the bitmap by the surface's world transform (identity
//   at creation). Angles are degrees, clockwise on the page (y grows downwards).
// - Fills cover [left, right) x [top, bottom): a 10 x 10 rectangle at (0, 0) paints exactly the
//   pixels 0..9. Strokes are centred on their geometry with integer coordinates at pixel centres,
//   so a 1-pixel line at y = 5 paints row 5. Horizontal and vertical lines and rectangle outlines
//   are snapped to whole pixels while the transform has no rotation.
// - Colours are VkColor: red in the low byte, then green, blue and alpha (255 = opaque).
// - Every operation returns 1 on success or a negative code: -1 memory, -9 the engine failed,
//   -13 a missing or invalid argument. Nothing throws.
// - Engines, fonts, pens, brushes and paths may be shared between threads once made; a surface
//   is used by one thread at a time, the thread that made it.
#pragma once
#include <cstddef>
#include <cstdint>
#include "host/kernel/vkkrnx.h"

typedef struct VkDrawingEngine VkDrawingEngine;
typedef struct VkSurface VkSurface;
typedef struct VkPen VkPen;
typedef struct VkBrush VkBrush;
typedef struct VkFont VkFont;
typedef struct VkPath VkPath;
typedef struct VkImage VkImage;
typedef uint32_t VkColor;

#define VK_RGBA(r, g, b, a) \
  ((VkColor)(((uint32_t)(r) & 0xFF) | (((uint32_t)(g) & 0xFF) << 8) | (((uint32_t)(b) & 0xFF) << 16) | (((uint32_t)(a) & 0xFF) << 24)))
#define VK_RGB(r, g, b) VK_RGBA((r), (g), (b), 255)

// ---- engine -----------------------------------------------------------------------------------
// The engine kind this host draws with: always VK_DRAWING_ENGINE_CAIRO (non-zero, native engine).
enum : int32_t { VK_DRAWING_ENGINE_CAIRO = 1 };
VK_API int32_t VkQueryDrawingEngine(void);
// Makes a DrawingEngine (a VkDrawingEngine*) for `kind`: 1, -13 (unknown kind or null out), -9
// (fonts could not be set up), -1.
VK_API int32_t VkCreateDrawingObject(int32_t kind, void** object);
VK_API void VkDestroyDrawingObject(void* object);
// Dots per inch at which the engine turns points into pixels, for fonts and for every surface
// made from it (the screen resolution, 96, unless set). Set: 1 or -13 (not within 1..10000).
VK_API double VkGetTextResolution(const VkDrawingEngine* engine);
VK_API int32_t VkSetTextResolution(VkDrawingEngine* engine, double dpi);
// Single lines of plain Western text (printable ASCII, Latin-1, dashes, quotes, euro sign) are
// measured and drawn from per-font tables of glyphs and advances taken from the shaper's own
// results (same glyphs, same positions, several times faster); off, every text goes through the
// full layout. On by default. 1 or -13.
VK_API int32_t VkSetSimpleText(VkDrawingEngine* engine, int32_t on);
// Loads the machine's font configuration and font list, which the first text of the process
// needs. A caller may run it on another thread while it reads a document, so that the document's
// first text does not wait for it. Any thread, any number of times; later calls return at once.
VK_API void VkPrepareFonts(void);

// ---- fonts ------------------------------------------------------------------------------------
enum : uint32_t {
  VK_FONT_BOLD = 1,
  VK_FONT_ITALIC = 2,
  VK_FONT_UNDERLINE = 4,
  VK_FONT_STRIKEOUT = 8,
  VK_FONT_DOUBLE_UNDERLINE = 16,  // with VK_FONT_UNDERLINE: two lines
  VK_FONT_FIXED_PITCH = 32,       // the face is known to be fixed-pitch (its name may not say so)
};
// Makes a font of `face` (UTF-16, zero-terminated) at `sizePt` points (> 0, at most 4000) with
// VK_FONT_* flags. fontconfig picks the face; an unknown face falls back to another. A face the
// machine lacks that is fixed-pitch (VK_FONT_FIXED_PITCH, or a typewriter or console face by its
// name) falls back to a fixed-pitch family when fontconfig's own choice is proportional.
VK_API int32_t VkCreateFont(VkDrawingEngine* engine, const char16_t* face, double sizePt, uint32_t style, VkFont** font);
VK_API void VkDestroyFont(VkFont* font);
// The family really drawn for the font ("Carlito" for "Calibri"), UTF-16 into `family`
// (capacity in units, truncated). 1 or -13.
VK_API int32_t VkGetFontFamily(const VkFont* font, char16_t* family, size_t capacity);
// Ascent, descent and line height of the font in pixels (at the engine resolution).
VK_API int32_t VkGetFontMetrics(VkDrawingEngine* engine, const VkFont* font, double* ascent, double* descent,
                                double* lineHeight);

// Text layout flags: horizontal alignment (bits 0-1), vertical alignment (bits 2-3), options.
enum : uint32_t {
  VK_TEXT_LEFT = 0x00,
  VK_TEXT_CENTER = 0x01,
  VK_TEXT_RIGHT = 0x02,
  VK_TEXT_TOP = 0x00,
  VK_TEXT_VCENTER = 0x04,
  VK_TEXT_BOTTOM = 0x08,
  VK_TEXT_BASELINE = 0x0C,  // at a point only: the point is on the baseline
  VK_TEXT_WRAP = 0x10,      // break lines at the rectangle's width
  VK_TEXT_CLIP = 0x20,      // clip the text to the rectangle
  VK_TEXT_RTL = 0x40,       // base direction right to left (otherwise found from the text)
};
// Width and height in pixels of `length` UTF-16 units of `text` (-1: up to a zero unit). With
// maxWidth > 0 lines are broken at that width. 1, -13, -1.
VK_API int32_t VkMeasureText(VkDrawingEngine* engine, const VkFont* font, const char16_t* text, int32_t length,
                             double maxWidth, double* width, double* height);

// ---- surfaces ---------------------------------------------------------------------------------
// Makes a surface on `bitmap` (24-bit BGR or 32-bit BGRA with pixel memory). The surface draws
// on its own copy; VkEndSurface writes it back. When the calling thread has a vector page of the
// bitmap's size bound (see VkBindVectorPage below), the surface draws on that page instead and
// leaves the bitmap as it is. 1, -13 (no bitmap or pixels, other depths), -1.
VK_API int32_t VkCreateSurface(VkDrawingEngine* engine, _BITMAPHANDLE* bitmap, VkSurface** surface);
// Page bands: a page too large to hold is drawn band by band. The caller binds a band to its
// thread with VkBindPageBand: `band` (24-bit, with pixel memory, as wide as the page) holds the
// page's rows [top, top + band->uHeight). Every VkCreateSurface on that thread whose bitmap is
// pageWidth x pageHeight (that bitmap may have no pixels) then draws on the band instead, with
// the page's coordinates: what falls outside the band's rows is cut off at whole pixels, so the
// band's pixels are those rows of the page drawn whole. VkEndSurface writes into the band. The
// binding lasts until VkBindPageBand(null, 0, 0, 0). 1, or -13 when the band is unusable or
// narrower than the page.
VK_API int32_t VkBindPageBand(_BITMAPHANDLE* band, uint32_t pageWidth, uint32_t pageHeight, uint32_t top);
// Writes what was drawn so far into the bitmap; drawing may go on afterwards. 1 or -13.
VK_API int32_t VkEndSurface(VkSurface* surface);
// Frees the surface without writing back what was drawn since the last VkEndSurface.
VK_API void VkDestroySurface(VkSurface* surface);
// Anti-aliasing of lines, shapes, paths and images (smoothing), and of text. Both on at creation.
VK_API int32_t VkSetLineSmoothing(VkSurface* surface, int32_t on);
VK_API int32_t VkGetLineSmoothing(const VkSurface* surface);
VK_API int32_t VkSetTextSmoothing(VkSurface* surface, int32_t on);

// World transform, six doubles {a, b, c, d, e, f}: x' = a x + c y + e, y' = b x + d y + f.
// Multiply, scale, translate and rotate apply the new step before the current transform, so
// user coordinates pass through the new step first.
VK_API int32_t VkGetTransform(const VkSurface* surface, double matrix[6]);
VK_API int32_t VkSetTransform(VkSurface* surface, const double matrix[6]);  // -13 if not invertible
VK_API int32_t VkMultiplyTransform(VkSurface* surface, const double matrix[6]);
VK_API int32_t VkScaleTransform(VkSurface* surface, double sx, double sy);
VK_API int32_t VkTranslateTransform(VkSurface* surface, double dx, double dy);
VK_API int32_t VkRotateTransform(VkSurface* surface, double degrees);

// Clip. Each call intersects the clip with a rectangle (left, top, right, bottom, user space at
// the time of the call) or a path and writes into `saved` the state to restore; restoring drops
// every clip added after that state, whatever the transform is now.
VK_API int32_t VkClipRect(VkSurface* surface, double left, double top, double right, double bottom, int32_t* saved);
VK_API int32_t VkClipPath(VkSurface* surface, const VkPath* path, int32_t* saved);
VK_API int32_t VkRestoreClip(VkSurface* surface, int32_t saved);

// ---- pens and brushes -------------------------------------------------------------------------
// Pen styles; the built-in dashes are multiples of the width (dash 3-1, dot 1-1, dash-dot 3-1-1-1,
// dash-dot-dot 3-1-1-1-1-1). VK_PEN_CUSTOM takes `dashes` (on, off, ... in pixels, 1 to 16 values,
// none negative, not all 0). Width in pixels; 0 draws the thinnest line, one bitmap pixel.
enum : int32_t {
  VK_PEN_SOLID = 0,
  VK_PEN_DASH = 1,
  VK_PEN_DOT = 2,
  VK_PEN_DASHDOT = 3,
  VK_PEN_DASHDOTDOT = 4,
  VK_PEN_CUSTOM = 6,
};
enum : int32_t { VK_CAP_FLAT = 0, VK_CAP_ROUND = 1, VK_CAP_SQUARE = 2 };
enum : int32_t { VK_JOIN_MITER = 0, VK_JOIN_ROUND = 1, VK_JOIN_BEVEL = 2 };
VK_API int32_t VkCreatePen(VkColor color, double width, int32_t style, const double* dashes, int32_t dashCount,
                           VkPen** pen);
// Line ends and corners (flat ends and mitred corners by default).
VK_API int32_t VkSetPenShape(VkPen* pen, int32_t cap, int32_t join);
// The longest a mitred corner may reach, in line widths (10 by default, at least 1); a sharper
// corner is bevelled. 1, or -13 for a null pen or a limit below 1 or not finite.
VK_API int32_t VkSetPenMiterLimit(VkPen* pen, double limit);
VK_API void VkDestroyPen(VkPen* pen);

// Hatch styles: lines of the foreground over the background, repeated every 8 pixels at 96 dpi
// of the bitmap (thicker and wider apart at higher resolutions), aligned to the bitmap.
enum : int32_t {
  VK_HATCH_CROSS = 0,          // horizontal and vertical lines
  VK_HATCH_DIAGCROSS = 1,      // both diagonals
  VK_HATCH_RISING = 2,         // "/" from bottom left to top right
  VK_HATCH_FALLING = 3,        // "\" from top left to bottom right
  VK_HATCH_HORIZONTAL = 4,
  VK_HATCH_VERTICAL = 5,
};
VK_API int32_t VkCreateSolidBrush(VkColor color, VkBrush** brush);
VK_API int32_t VkCreateHatchBrush(int32_t style, VkColor foreground, VkColor background, VkBrush** brush);
VK_API void VkDestroyBrush(VkBrush* brush);

// Gradient brushes. Stops run from offset 0 to 1 in increasing order (2 to VK_MAX_GRADIENT_STOPS
// of them, colours with alpha); between stops colours blend linearly, beyond the ends the end
// colour continues. Geometry is in the user space of the drawing call that fills with the brush:
//   VK_GRADIENT_LINEAR  x0 y0 x1 y1            offset 0 at (x0, y0), 1 at (x1, y1)
//   VK_GRADIENT_RADIAL  cx cy rx ry            offset 0 at the centre, 1 on the ellipse
//   VK_GRADIENT_RECT    l t r b  L T R B       offset 0 on the inner rectangle (l t r b, may be
//                                              a point), 1 on the outer one (L T R B), which it
//                                              must lie within; inside the inner one, stop 0
// Result: 1, -13 for a bad kind, count, offset or geometry, -1 when memory runs out.
enum VkGradientKind { VK_GRADIENT_LINEAR = 0, VK_GRADIENT_RADIAL = 1, VK_GRADIENT_RECT = 2 };
#define VK_MAX_GRADIENT_STOPS 64
typedef struct VkGradientStop {
  double offset;
  VkColor color;
} VkGradientStop;
VK_API int32_t VkCreateGradientBrush(int32_t kind, const double* geometry, int32_t geometryCount,
                                     const VkGradientStop* stops, int32_t stopCount, VkBrush** brush);

// ---- font report -------------------------------------------------------------------------------
// While on, the engine notes, for the whole process, every face a font is made for and the
// families it really draws: the one matched for the face and any that text fell back to for
// characters the face lacks (other scripts, symbols).
VK_API void VkSetFontReport(int32_t on);
// The report as UTF-8 lines "face<TAB>family[, family...]" in face order, zero-terminated, in
// `buffer`; *needed (when given) is set to the bytes it takes with the terminator. 1; -13 when the
// buffer is null or too small; -1 when memory runs out.
VK_API int32_t VkGetFontReport(char* buffer, size_t capacity, size_t* needed);

// ---- shapes -----------------------------------------------------------------------------------
// A null pen draws no outline, a null brush no fill; the fill is painted first.
VK_API int32_t VkDrawLine(VkSurface* surface, const VkPen* pen, double x1, double y1, double x2, double y2);
VK_API int32_t VkDrawRectangle(VkSurface* surface, const VkPen* pen, const VkBrush* brush, double left, double top,
                               double width, double height);
// Corner ellipses of radii rx, ry (cut to half the width and height).
VK_API int32_t VkDrawRoundRect(VkSurface* surface, const VkPen* pen, const VkBrush* brush, double left, double top,
                               double width, double height, double rx, double ry);
VK_API int32_t VkDrawEllipse(VkSurface* surface, const VkPen* pen, const VkBrush* brush, double left, double top,
                             double width, double height);
// `points` holds count x,y pairs (count 2 to 1,000,000). A polygon is closed, a polyline open.
VK_API int32_t VkDrawPolygon(VkSurface* surface, const VkPen* pen, const VkBrush* brush, const double* points,
                             int32_t count);
VK_API int32_t VkDrawPolyline(VkSurface* surface, const VkPen* pen, const double* points, int32_t count);

// ---- paths ------------------------------------------------------------------------------------
// A path holds figures in user space; it is drawn under the transform in force when drawn.
VK_API int32_t VkCreatePath(VkPath** path);
VK_API void VkDestroyPath(VkPath* path);
VK_API int32_t VkPathMoveTo(VkPath* path, double x, double y);
// Segments from the current point; without one, the first point starts a figure.
VK_API int32_t VkPathLineTo(VkPath* path, double x, double y);
VK_API int32_t VkPathCurveTo(VkPath* path, double x1, double y1, double x2, double y2, double x3, double y3);
// Elliptical arc around (cx, cy) from startDeg sweeping sweepDeg (clockwise when positive),
// joined to the current point by a line.
VK_API int32_t VkPathArc(VkPath* path, double cx, double cy, double rx, double ry, double startDeg, double sweepDeg);
VK_API int32_t VkPathClose(VkPath* path);
// Adds the outlines of a text laid out as VkDrawText would lay it out.
VK_API int32_t VkPathAddText(VkDrawingEngine* engine, VkPath* path, const VkFont* font, const char16_t* text,
                             int32_t length, double x, double y, double width, double height, uint32_t flags);
// Fill rule: 0 even-odd (default), 1 non-zero winding.
VK_API int32_t VkSetPathFillRule(VkPath* path, int32_t winding);
// Bounds of the path's points (control points included); -13 for an empty path.
VK_API int32_t VkGetPathBounds(const VkPath* path, double* left, double* top, double* right, double* bottom);
// Bends a path: curves become straight pieces and every piece longer than `maxSegment` is cut
// shorter, then each point (x, y) goes through `map`, which moves it in place (a point it makes
// non-finite becomes 0). 1; -13 for a null path or map or a `maxSegment` not above 0; -1 when
// memory runs out or the path would pass its cap of points (the path is then unchanged).
typedef void (*VkPointMap)(void* context, double* x, double* y);
VK_API int32_t VkWarpPath(VkPath* path, double maxSegment, VkPointMap map, void* context);
VK_API int32_t VkFillPath(VkSurface* surface, const VkPath* path, const VkBrush* brush);
VK_API int32_t VkStrokePath(VkSurface* surface, const VkPath* path, const VkPen* pen);

// ---- text and images --------------------------------------------------------------------------
// Draws `length` units of `text` (-1: zero-terminated) in `color`. With width and height 0 the
// text is placed at (x, y) by the alignment flags (the point is its left, centre or right end and
// its top, middle, bottom or baseline); otherwise it is aligned inside the rectangle.
VK_API int32_t VkDrawText(VkSurface* surface, const VkFont* font, VkColor color, const char16_t* text, int32_t length,
                          double x, double y, double width, double height, uint32_t flags);

// Text in runs of their own fonts and colours (rich text): the runs cover UTF-16 units
// [start, start + length) of `text`; units no run covers take `font` and `color`. A run's shift
// raises (superscript) or lowers (subscript) it in two thirds of its font's size. Placement,
// wrapping and flags as VkDrawText. 1; -13 for a run outside the text, a null font or text;
// -1 when memory runs out; -9 when the engine cannot draw.
enum VkRunShift { VK_RUN_BASELINE = 0, VK_RUN_SUPERSCRIPT = 1, VK_RUN_SUBSCRIPT = 2 };
typedef struct VkTextRun {
  int32_t start, length;  // UTF-16 units of the text
  const VkFont* font;     // null: the text's font
  VkColor color;
  int32_t shift;          // VkRunShift
} VkTextRun;
#define VK_MAX_TEXT_RUNS 4096
VK_API int32_t VkDrawTextRuns(VkSurface* surface, const VkFont* font, VkColor color, const char16_t* text,
                              int32_t length, const VkTextRun* runs, int32_t runCount, double x, double y,
                              double width, double height, uint32_t flags);
// Width and height in px of text in runs, wrapped at maxWidth when above 0. 1 or as above.
VK_API int32_t VkMeasureTextRuns(VkDrawingEngine* engine, const VkFont* font, const char16_t* text, int32_t length,
                                 const VkTextRun* runs, int32_t runCount, double maxWidth, double* width,
                                 double* height);
// Draws a 24-bit BGR or 32-bit BGRA (straight alpha) bitmap scaled into the destination, with
// `opacity` 0..1. A source rectangle of width or height <= 0 means the whole bitmap; one beyond
// the bitmap is cut to it.
VK_API int32_t VkDrawImage(VkSurface* surface, const _BITMAPHANDLE* image, double left, double top, double width,
                           double height, double srcLeft, double srcTop, double srcWidth, double srcHeight,
                           double opacity);
// A picture made ready for drawing: the bitmap's pixels copied once into the engine's own
// format, then drawn any number of times, from any number of threads at once, until destroyed.
// 1, -1 (memory), -13 (no usable bitmap).
VK_API int32_t VkCreateImage(const _BITMAPHANDLE* bitmap, VkImage** image);
VK_API void VkDestroyImage(VkImage* image);
// Pixel size of a prepared picture (0 for null).
VK_API uint32_t VkImageWidth(const VkImage* image);
VK_API uint32_t VkImageHeight(const VkImage* image);
// As VkDrawImage, from a prepared picture.
VK_API int32_t VkDrawImageObject(VkSurface* surface, const VkImage* image, double left, double top, double width,
                                 double height, double srcLeft, double srcTop, double srcWidth, double srcHeight,
                                 double opacity);
// Fills the rectangle (left, top, width, height) with copies of the picture, each tileWidth x
// tileHeight, laid edge to edge from the origin (originX, originY) in every direction.
VK_API int32_t VkDrawImageTiled(VkSurface* surface, const VkImage* image, double left, double top, double width,
                                double height, double originX, double originY, double tileWidth, double tileHeight);

// ---- vector pages and documents ---------------------------------------------------------------
// A host can have pages drawn as vectors (PDF or SVG) instead of pixels, with no change to what a
// filter does or to the records it exchanges: the filter makes its page bitmap and its surface as
// always, and the choice of target stays on the host's side.
//
// - A VkVectorPage records the drawing operations of one page (paths, fills, text as glyphs of
//   its real fonts, images) at the page bitmap's size in pixels and its resolution in dpi.
// - Before it asks the filter for a page, the host binds a vector page to the calling thread with
//   VkBindVectorPage. Every VkCreateSurface on that thread afterwards whose bitmap has the page's
//   width and height draws on the page instead of the bitmap, one surface after another as a
//   filter draws a page in several passes (surfaces on bitmaps of other
//   sizes, such as scratch images, stay raster). VkEndSurface then leaves that bitmap untouched
//   (white). Binding also reserves the thread's next bitmap of the page's size as a blank one
//   (VkReserveBlankBitmap): the filter's page bitmap then holds no pixels and reads back white.
//   The binding lasts until VkBindVectorPage(null).
// - Drawing on a vector page runs exactly the operations a bitmap surface runs, with the same
//   text layout (metrics hinting included), so a vector page and a raster page of the same call
//   place everything at the same positions. Without a binding nothing changes for raster pages.
// - A VkVectorDocument writes recorded pages to a file: a PDF of any number of pages (page sizes
//   in points from pixels and dpi, fonts embedded as subsets, each distinct picture stored once
//   however many pages show it, title and author in the document information) or an SVG of one
//   page. Pages may be recorded on several threads at once and added in order from any one thread.
typedef struct VkVectorPage VkVectorPage;
typedef struct VkVectorDocument VkVectorDocument;
enum : int32_t { VK_VECTOR_PDF = 1, VK_VECTOR_SVG = 2 };
// Makes an empty page of width x height pixels (1 to 1,000,000 each) at `dpi` (1..10000).
// 1, -13, -1.
VK_API int32_t VkCreateVectorPage(uint32_t width, uint32_t height, double dpi, VkVectorPage** page);
// Makes a page that draws straight into `document` as its next page, with no recording: cheaper
// when pages are drawn one at a time in order. The page must be bound, drawn and added to that
// document (VkAddVectorPage) before another page is made for it, and destroyed before the
// document; an SVG document takes one page.
// 1, -13 (no document, one is open already, sizes as above), -1.
VK_API int32_t VkCreateDocumentPage(VkVectorDocument* document, uint32_t width, uint32_t height, double dpi,
                                    VkVectorPage** page);
VK_API void VkDestroyVectorPage(VkVectorPage* page);
// Binds `page` (null: unbinds) to the calling thread, replacing any earlier binding. 1.
VK_API int32_t VkBindVectorPage(VkVectorPage* page);
// 1 when a surface has drawn on the page, else 0.
VK_API int32_t VkVectorPageUsed(const VkVectorPage* page);
// Makes a document of VK_VECTOR_PDF or VK_VECTOR_SVG that writes to `path` (UTF-16, created or
// truncated). 1, -13 (kind or path), -14 (the file cannot be created), -1.
VK_API int32_t VkCreateVectorDocument(int32_t kind, const char16_t* path, VkVectorDocument** document);
// Title and author of a PDF (UTF-16, zero-terminated, null or empty: none); ignored for SVG. 1 or -13.
VK_API int32_t VkSetVectorDocumentInfo(VkVectorDocument* document, const char16_t* title, const char16_t* author);
// Appends the page as the document's next page. An SVG document takes one page. 1, -13 (no page,
// a page not drawn on yet, or a second SVG page), -9.
VK_API int32_t VkAddVectorPage(VkVectorDocument* document, const VkVectorPage* page);
// Finishes and closes the file: 1, -13 (no pages), -14 (the file could not be written), -9.
VK_API int32_t VkFinishVectorDocument(VkVectorDocument* document);
// Frees the document; an unfinished one leaves an incomplete file behind.
VK_API void VkDestroyVectorDocument(VkVectorDocument* document);
