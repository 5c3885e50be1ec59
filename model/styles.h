// Style records of the workbook model: colours, cell formats, fonts, fills, borders, differential
// formats and the number-format table. The readers in parser/ fill them; layout and rendering read
// them through the clamped lookups at the end of this file, which treat an index that is negative
// or past the declared count of its list as index 0.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "common/larray.h"

namespace xlx {

// A colour as red in bits 0-7, green 8-15, blue 16-23 and a marker byte in 24-31: 0xFF for
// every resolved spreadsheet colour, alpha x 255 for DrawingML colours that carry one.
typedef uint32_t CellColor;
constexpr CellColor kColorAutomatic = 0xFFFFFFFFu;  // automatic background: no colour
constexpr CellColor kColorBlack = 0xFF000000u;      // initial font and border colour

inline CellColor MakeCellColor(uint8_t red, uint8_t green, uint8_t blue, uint8_t marker = 0xFF) {
  return CellColor(red) | (CellColor(green) << 8) | (CellColor(blue) << 16) | (CellColor(marker) << 24);
}
inline uint8_t ColorRed(CellColor c) { return uint8_t(c); }
inline uint8_t ColorGreen(CellColor c) { return uint8_t(c >> 8); }
inline uint8_t ColorBlue(CellColor c) { return uint8_t(c >> 16); }
// The colour without its marker byte: resolved and fully opaque.
inline CellColor Opaque(CellColor c) { return MakeCellColor(ColorRed(c), ColorGreen(c), ColorBlue(c)); }
inline uint8_t ColorMarker(CellColor c) { return uint8_t(c >> 24); }

enum HorizontalAlignment : int32_t {
  kHAlignNotGiven = -1, kHAlignGeneral = 0, kHAlignLeft = 1, kHAlignCenter = 2, kHAlignRight = 3,
  kHAlignFill = 4, kHAlignJustify = 5, kHAlignCenterContinuous = 6, kHAlignDistributed = 7,
};
enum VerticalAlignment : int32_t {
  kVAlignNotGiven = -1, kVAlignTop = 0, kVAlignCenter = 1, kVAlignBottom = 2, kVAlignJustify = 3,
  kVAlignDistributed = 4,
};

struct CellAlignment {
  int32_t horizontal = kHAlignNotGiven;  // HorizontalAlignment
  int32_t vertical = kVAlignNotGiven;    // VerticalAlignment
  int32_t readingOrder = 0;
  bool justifyLastLine = false;
  bool shrinkToFit = false;
  bool wrapText = false;
  int32_t relativeIndent = 0;
  int32_t indent = 0;                    // indent steps
  int32_t textRotation = 0;              // as written: 0-90 up, 91-180 down, 255 stacked
};

// One `xf` of cellXfs or cellStyleXfs. An id of -1 means the attribute was not given.
struct CellXf {
  bool applyAlignment = true;
  bool applyBorder = true;
  bool applyFill = true;
  bool applyFont = false;
  bool applyNumberFormat = true;
  bool applyProtection = false;
  bool pivotButton = false;
  bool quotePrefix = false;
  int32_t borderId = -1;
  int32_t fillId = -1;
  int32_t fontId = -1;
  int32_t numFmtId = -1;
  int32_t xfId = -1;
  CellAlignment alignment;
};

// A font in the shape of a LOGFONT, sized in device pixels of the workbook's dpi.
struct MyLogFont {
  double lfUnconvertedFontSize = 0;  // px: points x dpi / 72
  int32_t lfHeight = 0;              // -(int)(px + 0.5)
  int32_t lfWidth = 0;
  int32_t lfEscapement = 0;
  int32_t lfOrientation = 0;
  int32_t lfWeight = 0;              // 700 bold, 400 regular
  uint8_t lfItalic = 0;
  uint8_t lfUnderline = 0;           // 0 none, 1 single, 2 double (accounting kinds alike)
  uint8_t lfStrikeOut = 0;
  uint8_t lfCharSet = 0;             // `charset`, 1 when absent
  uint8_t lfOutPrecision = 0;
  uint8_t lfClipPrecision = 0;
  uint8_t lfQuality = 0;
  uint8_t lfPitchAndFamily = 0;      // `family`, 0 when absent
  char16_t lfFaceName[32] = {};      // at most 31 units and a terminator
  CellColor color = kColorBlack;
  uint8_t vertAlign = 0;             // FontVertAlign: raised or lowered and smaller
};

// `vertAlign` of a font or text run.
enum FontVertAlign : uint8_t { kVertAlignBaseline = 0, kVertAlignSuperscript = 1, kVertAlignSubscript = 2 };

enum FillKind : int32_t { kFillSolid = 0, kFillNone = 1, kFillPattern = 2 };
enum HatchStyle : int32_t {
  kHatchHorizontal = 0, kHatchVertical = 1, kHatchForwardDiagonal = 2, kHatchBackwardDiagonal = 3,
  kHatchCross = 4, kHatchDiagonalCross = 5,
};

// A `gradientFill`: linear across the cell at `degree` (0 runs left to right, 90 top to bottom),
// or with `path` from the inner rectangle (edges as fractions of the cell from its left and top)
// out to the cell's edges. Stops are ascending positions 0..1; longer lists keep their first
// stops and their last one.
constexpr int32_t kMaxFillGradientStops = 4;
struct FillGradient {
  int32_t stopCount = 0;  // 0: no gradient
  bool path = false;
  float degree = 0;
  float left = 0, right = 0, top = 0, bottom = 0;
  float positions[kMaxFillGradientStops] = {};
  CellColor colors[kMaxFillGradientStops] = {};
};

// A cell or dxf fill. A fresh record is all zero: kind solid, colours 0 without the marker byte.
struct FillSpec {
  CellColor backColor = 0;  // painted under a pattern; kColorAutomatic = none
  int32_t kind = kFillSolid;
  CellColor foreColor = 0;  // solid colour, or the hatch colour of a pattern; a gradient's first stop
  int32_t hatch = 0;        // HatchStyle, for kFillPattern
  FillGradient gradient;    // drawn instead of the solid colour when it has two stops or more
};

enum LinePattern : int32_t {
  kLineSolid = 0, kLineDashed = 1, kLineDotted = 2, kLineDashDot = 3, kLineDashDotDot = 4, kLineNone = 5,
};

// Line weight of a border side as the spreadsheet draws it.
enum BorderWeight : int32_t { kBorderHair = 0, kBorderThin = 1, kBorderMedium = 2, kBorderThick = 3, kBorderDouble = 4 };

struct BorderSide {
  int32_t pattern = kLineNone;  // LinePattern
  int32_t weight = kBorderThin; // BorderWeight: medium 2 px, thick 3 px, double two 1 px lines
  CellColor color = kColorBlack;
};

struct MyBorder {
  bool diagonalDown = false;
  bool diagonalUp = false;
  bool outline = false;
  bool noBorder = true;  // all seven sides kLineNone
  BorderSide left, right, top, bottom, diagonal, horizontal, vertical;
};

// Which font properties a differential format sets.
enum DxfFontFlag : uint32_t {
  kDxfFontColor = 1, kDxfFontName = 2, kDxfFontSize = 4, kDxfFontBold = 8, kDxfFontItalic = 16,
  kDxfFontStrike = 32, kDxfFontUnderline = 64, kDxfFontCharset = 128, kDxfFontFamily = 256,
};

struct DxfFont {
  MyLogFont font;
  uint32_t flags = 0;  // DxfFontFlag bits
};

// Which parts a differential format carries.
enum DxfMask : uint32_t {
  kDxfAlignment = 1, kDxfBorder = 2, kDxfFill = 4, kDxfFont = 8, kDxfNumberFormat = 16,
};

struct Dxf {
  uint32_t mask = 0;  // DxfMask bits
  CellAlignment alignment;
  MyBorder border;
  FillSpec fill;
  DxfFont font;
  std::u16string numberFormat;  // format code when kDxfNumberFormat is set
};

// numFmtId -> format code: the built-in codes, replaced or extended by the styles part.
typedef std::map<int32_t, std::u16string> NumberFormatTable;

// One `tableStyleElement`: its kind (TableStyleElementType of model/tables.h), band size and dxf.
struct TableStyleEntryElement {
  int32_t type = 0;
  int32_t size = 1;    // 1..9
  int32_t dxfId = -1;  // index into dxfs, -1 when absent or out of range
};

// One entry of the table-style list with its elements.
struct TableStyleEntry {
  bool pivot = true;   // `pivot` attribute (true when absent)
  bool table = true;   // `table` attribute (true when absent)
  int32_t elementCount = 0;
  std::vector<TableStyleEntryElement> elements;  // known kinds only, in document order
};

// A list read from the styles part. `declaredCount` is the count the file claims (its `count`
// attribute, else the number of children), capped; only the children actually present are stored
// in `items`. Indices from items.Count() up to declaredCount read as a fresh record; any other
// out-of-range index reads as index 0.
template <typename T>
struct StyleList {
  LArray<T> items;
  int32_t declaredCount = 0;
};

struct Stylesheet {
  StyleList<CellXf> cellXfs;
  StyleList<CellXf> cellStyleXfs;
  StyleList<MyLogFont> fonts;    // never empty once read: Calibri 11 pt is made when absent
  StyleList<FillSpec> fills;     // never empty once read: one "none" fill is made when absent
  StyleList<MyBorder> borders;
  StyleList<Dxf> dxfs;
  NumberFormatTable numberFormats;
  std::u16string defaultTableStyle;
  std::u16string defaultPivotStyle;
  std::map<std::u16string, TableStyleEntry> tableStyles;
  // The sheet's normal font: the first `font` of the part read with the normal-font rules.
  MyLogFont normalFont;
  double normalFontSizePt = 11.0;
  bool hasNormalFont = false;    // the part has `fonts` with a count of at least 1
  bool parsed = false;           // set once the part has been read
};

// Clamped lookups: never null; an index out of range reads as index 0 (see StyleList).
const CellXf& GetCellXf(const Stylesheet& styles, int32_t index);
const CellXf& GetCellStyleXf(const Stylesheet& styles, int32_t index);
const MyLogFont& GetFont(const Stylesheet& styles, int32_t index);
const FillSpec& GetFill(const Stylesheet& styles, int32_t index);
const MyBorder& GetBorder(const Stylesheet& styles, int32_t index);
const Dxf& GetDxf(const Stylesheet& styles, int32_t index);
// Format code for a numFmtId, or null when the table has none.
const char16_t* GetNumberFormatCode(const Stylesheet& styles, int32_t numFmtId);

// Whether a cell of format `xfIndex` (clamped) paints anything on its own: a border that is not
// "none" under applyBorder, or a fill other than "none" under applyFill, except a solid fill in the
// sheet's background colour unless keepBackground. Decides whether an empty cell is kept.
bool StyleDrawsSomething(const Stylesheet& styles, int32_t xfIndex, bool keepBackground, CellColor sheetBackColor);

// Sets noBorder from the seven side patterns.
void UpdateNoBorder(MyBorder* border);

}  // namespace xlx
