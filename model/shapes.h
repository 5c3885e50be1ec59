// Shapes of a drawing part: the geometry (a preset named from the built-in definitions, or a
// custom geometry written in the shape), the fill, the outline with its dashes and line ends,
// the outer shadow and the text body. The drawing reader fills one ShapeSpec for each shape and
// connector; the page renderer evaluates the geometry and draws it.
// Lengths are EMU (914400 per inch) unless a name says otherwise; angles are 60000ths of a
// degree; shares are thousandths of a percent (100000 = 100%).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "model/styles.h"

namespace xlx {

// Limits that keep hostile geometry bounded: guides and adjust values of one geometry, and path
// commands over all its paths. Entries past them are dropped when read.
constexpr size_t kMaxGeometryGuides = 1024;
constexpr size_t kMaxGeometryCommands = 20000;
constexpr size_t kMaxGeometryPaths = 256;

// A named formula of the geometry language: an operator and up to three operands, as written.
struct GeomFormula {
  std::string name;
  std::string op;
  std::string args[3];
};

enum GeomCommandKind : uint8_t { kGeomMove = 0, kGeomLine = 1, kGeomArc = 2, kGeomQuad = 3, kGeomCubic = 4, kGeomClose = 5 };

// One path command; its operands are guide names or literals: (x, y) pairs for move, line and
// the Beziers; wR, hR, stAng, swAng for an arc.
struct GeomCommand {
  uint8_t kind = kGeomMove;  // GeomCommandKind
  std::string args[6];
};

// How a path is filled, relative to the shape's fill.
enum GeomPathFill : uint8_t {
  kPathFillNone = 0,
  kPathFillNorm = 1,
  kPathFillDarken = 2,
  kPathFillDarkenLess = 3,
  kPathFillLighten = 4,
  kPathFillLightenLess = 5,
};

struct GeomPath {
  int64_t w = 0, h = 0;           // the path's own coordinate space; 0 is the shape's
  uint8_t fill = kPathFillNorm;   // GeomPathFill
  bool stroke = true;
  std::vector<GeomCommand> commands;
};

// A geometry ready to evaluate: adjust values with their defaults, guides in order, the text
// rectangle and the paths.
struct ShapeGeometry {
  std::vector<GeomFormula> adjusts;
  std::vector<GeomFormula> guides;
  std::string textRect[4] = {"l", "t", "r", "b"};
  std::vector<GeomPath> paths;
};

// One built-in preset: its name and its definition in the compact text form that
// model/make_preset_shapes.py writes.
struct PresetShapeText {
  const char* name;
  const char* text;
};
extern const PresetShapeText kPresetShapes[];  // sorted by name (byte order)
extern const int32_t kPresetShapeCount;

// The definition of the preset `name` (case-sensitive); false when there is none.
bool FindPresetGeometry(const char* name, ShapeGeometry* geometry);
// The built-in text warps (`prstTxWarp`), in the same form; their paths are the guide lines text
// is bent along, not outlines.
extern const PresetShapeText kPresetTextWarps[];  // sorted by name (byte order)
extern const int32_t kPresetTextWarpCount;
bool FindTextWarpGeometry(const char* name, ShapeGeometry* geometry);
// Decodes a compact definition text (lines of blank-separated tokens: see the generator); lines
// it does not understand are skipped and the limits above apply.
void DecodeGeometry(const char* text, ShapeGeometry* geometry);

enum ShapeFillKind : int32_t {
  kShapeFillUnset = 0,   // nothing written: the style reference decides
  kShapeFillNone = 1,
  kShapeFillSolid = 2,
  kShapeFillGradient = 3,
  kShapeFillPattern = 4,
  kShapeFillPicture = 5,
};

enum ShapeGradientKind : int32_t { kGradientLinear = 0, kGradientCircle = 1, kGradientRect = 2, kGradientShape = 3 };

struct GradientStopSpec {
  double position = 0;  // 0 .. 1
  CellColor color = 0;  // with its alpha in bits 24-31
};

struct ShapeFill {
  int32_t kind = kShapeFillUnset;    // ShapeFillKind
  CellColor color = 0;               // solid colour; pattern foreground (alpha in bits 24-31)
  CellColor background = 0;          // pattern background
  int32_t hatchGroup = 0;            // HatchGroup of a pattern; -1 for a percentage pattern
  int32_t percent = 0;               // share of foreground of a percentage pattern, 0 .. 100
  int32_t gradientKind = kGradientLinear;
  double angle = 90;                 // degrees, clockwise from the x axis, linear gradients
  bool scaled = false;               // the angle is taken in a square stretched to the shape
  double focusX = 0.5, focusY = 0.5; // centre of a path gradient, share of the shape
  std::vector<GradientStopSpec> stops;
  std::u16string picturePath;        // picture fills: the embedded picture part
  bool tile = false;                 // picture fills: tiled rather than stretched
};

enum LineEndKind : int32_t { kLineEndNone = 0, kLineEndTriangle, kLineEndStealth, kLineEndDiamond, kLineEndOval, kLineEndArrow };

struct LineEnd {
  int32_t kind = kLineEndNone;  // LineEndKind
  int32_t width = 1;            // 0 small, 1 medium, 2 large
  int32_t length = 1;
};

enum LineCapKind : int32_t { kCapFlat = 0, kCapRound = 1, kCapSquare = 2 };
enum LineJoinKind : int32_t { kJoinRound = 0, kJoinBevel = 1, kJoinMiter = 2 };

struct ShapeLine {
  int32_t kind = kShapeFillUnset;  // ShapeFillKind of the line's fill (gradient lines use their first stop)
  CellColor color = 0;
  bool widthSet = false;
  int64_t widthEmu = 9525;
  int32_t lineStyle = 0;           // LineStyle of a preset dash
  std::vector<double> dashes;      // custom or preset dash: on, off, ... in line widths
  int32_t cap = kCapFlat;
  int32_t join = kJoinRound;
  int32_t miterLimit = 800000;     // longest miter, share of the line width (800000 = 8 widths)
  int32_t compound = 0;            // 0 single, 1 double, 2 thick-thin, 3 thin-thick, 4 triple
  LineEnd head, tail;
};

struct ShapeShadow {
  bool present = false;
  CellColor color = 0;   // with its alpha
  int64_t blurEmu = 0, distEmu = 0;
  double directionDeg = 0;  // clockwise from the x axis
};

enum TextAlignKind : int32_t { kAlignLeft = 0, kAlignCenter = 1, kAlignRight = 2, kAlignJustify = 3 };
enum TextAnchorKind : int32_t { kAnchorTop = 0, kAnchorMiddle = 1, kAnchorBottom = 2 };
// Vertical text: turned a quarter either way (kVertMongolian turns like kVertDown but its lines
// follow from left to right), or upright letters stacked in columns that follow from left to
// right (kVertStacked) or from right to left (kVertStackedRtl; kVertEastAsian keeps East Asian
// letters upright and turns the others a quarter clockwise in their column).
enum TextVertKind : int32_t {
  kVertHorizontal = 0,
  kVertDown = 1,
  kVertUp = 2,
  kVertStacked = 3,
  kVertStackedRtl = 4,
  kVertEastAsian = 5,
  kVertMongolian = 6,
};

struct TextRunSpec {
  std::u16string text;
  std::u16string face;        // empty: the theme's minor font
  double sizePt = 11;
  bool bold = false, italic = false, underline = false, strike = false;
  bool colorSet = false;
  CellColor color = 0;
  bool lineBreak = false;     // an `a:br`: text is empty
};

struct TextParagraphSpec {
  int32_t align = kAlignLeft;     // TextAlignKind
  int32_t level = 0;
  int64_t indentEmu = 0, marginEmu = 0;
  int32_t lineSpacing = 100000;   // share of single spacing; negative: exact, hundredths of a point
  int32_t spaceBefore = 0, spaceAfter = 0;  // hundredths of a point
  std::u16string bullet;          // bullet character; empty for none
  std::u16string bulletFace;      // `buFont` of the bullet; empty: the first run's face
  int32_t autoNumber = 0;         // 0 none; else the number of this paragraph in its run of numbered ones
  std::string autoNumberScheme;
  double endSizePt = 11;          // size of an empty paragraph
  std::vector<TextRunSpec> runs;
};

struct ShapeTextBody {
  bool present = false;
  int32_t vert = kVertHorizontal;   // TextVertKind
  int32_t anchor = kAnchorTop;      // TextAnchorKind
  bool anchorCenter = false;
  int64_t leftInset = 91440, topInset = 45720, rightInset = 91440, bottomInset = 45720;
  bool wrap = true;
  double fontScale = 1;             // normAutofit
  double spacingReduction = 0;      // normAutofit lnSpcReduction, 0 .. 1
  std::u16string linkRef;           // txLink: a cell reference whose text is shown
  std::string warp;                 // `prstTxWarp` preset ("textArchUp", ...); empty for none
  std::vector<GeomFormula> warpAdjusts;  // its own adjust values
  std::vector<TextParagraphSpec> paragraphs;
};

// Everything about one shape or connector besides its place.
struct ShapeSpec {
  std::string preset;               // prstGeom `prst`; empty with a custom geometry
  std::vector<GeomFormula> adjusts; // the shape's own adjust values (prstGeom avLst)
  bool custom = false;
  ShapeGeometry geometry;           // custGeom
  ShapeFill fill;
  ShapeLine line;
  ShapeShadow shadow;
  CellColor fontColor = 0;          // style fontRef colour
  bool fontColorSet = false;
  ShapeTextBody text;
};

}  // namespace xlx
