// The styles part of a binary workbook into the Stylesheet the XML reader fills: number formats,
// fonts, fills, borders, cell and cell-style formats, differential formats, the indexed palette
// and the names of the table styles.
#include <cmath>
#include <vector>

#include "common/apiutils.h"
#include "common/resultcodes.h"
#include "model/modellimits.h"
#include "parser/xlsb/xlsbreader.h"
#include "parser/xlsb/xlsbstyles.h"
#include "parser/xlsxprsr.h"
#include "parser/styles/color.h"
#include "common/guarded.h"

namespace xlx {

namespace {

constexpr double kDefaultFontPoints = 11.0;

enum ColorKind : uint8_t { kColorKindAuto = 0, kColorKindIndexed = 1, kColorKindRgb = 2, kColorKindTheme = 3 };

void SetFontPoints(MyLogFont* font, double points, int32_t dpi) {
  if (!(points > 0)) points = 0;
  if (points > kMaxFontPoints) points = kMaxFontPoints;
  font->lfUnconvertedFontSize = points * dpi / 72.0;
  font->lfHeight = -static_cast<int32_t>(font->lfUnconvertedFontSize + 0.5);
}

}  // namespace

int32_t BinaryHatch(uint32_t pattern) {
  switch (pattern) {
    case 5: case 10: case 11: return kHatchHorizontal;
    case 3: case 4: case 6: case 12: case 18: return kHatchVertical;
    case 8: case 14: case 17: return kHatchForwardDiagonal;
    case 7: case 13: return kHatchBackwardDiagonal;
    case 2: case 9: case 15: return kHatchCross;
    case 16: return kHatchDiagonalCross;
    default: return XLX_ERR_MEMORY;
  }
}

namespace {

// Border line styles of the format as a pattern and a weight.
void BorderStyleOf(uint8_t style, BorderSide* side) {
  struct Style {
    int32_t pattern, weight;
  };
  static const Style kStyles[] = {
      {kLineNone, kBorderThin},        {kLineSolid, kBorderThin},       {kLineSolid, kBorderMedium},
      {kLineDashed, kBorderThin},      {kLineDotted, kBorderThin},      {kLineSolid, kBorderThick},
      {kLineSolid, kBorderDouble},     {kLineDashDotDot, kBorderHair},  {kLineDashed, kBorderMedium},
      {kLineDashDot, kBorderThin},     {kLineDashDot, kBorderMedium},   {kLineDashDotDot, kBorderThin},
      {kLineDashDotDot, kBorderMedium}, {kLineDashDot, kBorderMedium},
  };
  if (style >= sizeof kStyles / sizeof kStyles[0]) return;  // unknown styles leave the side as it is
  side->pattern = kStyles[style].pattern;
  side->weight = kStyles[style].weight;
}

struct StyleState {
  Stylesheet* styles = nullptr;
  Workbook* workbook = nullptr;
  bool inCellXfs = false;
  bool inCellStyleXfs = false;
  bool hasFonts = false;
  bool hasFills = false;
  int32_t paletteIndex = 0;
  std::vector<Dxf> dxfs;  // moved into the stylesheet at the end (a Dxf owns a string)
};

int32_t ReadFontRecord(StyleState* state, const RecordEntry& record) {
  StyleList<MyLogFont>& list = state->styles->fonts;
  RecordCursor cursor(record);
  MyLogFont font;
  double points = cursor.U16() / 20.0;
  uint16_t flags = cursor.U16();
  uint16_t weight = cursor.U16();
  const uint16_t script = cursor.U16();  // 1 superscript, 2 subscript
  uint8_t underline = cursor.U8();
  font.lfPitchAndFamily = cursor.U8();
  font.lfCharSet = cursor.U8();
  cursor.U8();
  BinaryColor color = ReadBinaryColor(&cursor);
  cursor.U8();  // font scheme
  std::u16string name = cursor.WideString();
  if (!cursor.Ok()) return XLX_CORRUPT(XLX_ERR_FORMAT, "font record cut off");
  SetFontPoints(&font, points, state->workbook->dpi);
  font.lfWeight = weight >= 600 ? 700 : 400;
  font.lfItalic = (flags & 0x02) ? 1 : 0;
  font.lfStrikeOut = (flags & 0x08) ? 1 : 0;
  // 0x01 single, 0x02 double, 0x21 and 0x22 their accounting kinds.
  font.lfUnderline = underline == 0 ? 0 : (underline & 0x0F) == 2 ? 2 : 1;
  font.vertAlign = script == 1 ? kVertAlignSuperscript : script == 2 ? kVertAlignSubscript : kVertAlignBaseline;
  font.color = color.kind == kColorKindAuto ? kColorBlack : ResolveBinaryColor(*state->workbook, color);
  CopyTruncated(font.lfFaceName, kMaxFaceNameUnits + 1, name.empty() ? std::u16string(u"Calibri") : name);
  if (list.items.Count() == 0) {
    // The first font is also the normal font the sheets measure their columns with.
    state->styles->normalFont = font;
    state->styles->normalFontSizePt = points > kMaxFontPoints ? kMaxFontPoints : points;
    state->styles->hasNormalFont = true;
  }
  if (list.items.Count() >= kMaxStyleListCount) return XLX_OK;
  return list.items.Push(font);
}

// Pattern fills as the XML reader keeps them: the hatch or solid colour in foreColor, the colour
// under a pattern in backColor (automatic when the file gives an automatic or window colour).
int32_t ReadFillRecord(StyleState* state, const RecordEntry& record) {
  const Workbook& workbook = *state->workbook;
  RecordCursor cursor(record);
  uint32_t pattern = cursor.U32();
  BinaryColor fore = ReadBinaryColor(&cursor);
  BinaryColor back = ReadBinaryColor(&cursor);
  if (!cursor.Ok()) return XLX_CORRUPT(XLX_ERR_FORMAT, "fill record cut off");
  FillSpec fill;
  bool backAutomatic = back.kind == kColorKindAuto || (back.kind == kColorKindIndexed && back.index == 65);
  fill.backColor = backAutomatic ? kColorAutomatic : ResolveBinaryColor(workbook, back);
  if (pattern == 0) {
    fill.kind = kFillNone;
  } else if (pattern == 1) {
    fill.kind = kFillSolid;
    fill.foreColor = fore.kind == kColorKindAuto ? ResolveBinaryColor(workbook, back) : ResolveBinaryColor(workbook, fore);
  } else if (pattern == 0x28) {
    // A gradient is drawn in the colour of its first stop.
    cursor.U32();
    cursor.Skip(5 * 8);
    uint32_t stops = cursor.U32();
    BinaryColor first = ReadBinaryColor(&cursor);
    fill.kind = kFillSolid;
    fill.foreColor = cursor.Ok() && stops > 0 ? ResolveBinaryColor(workbook, first) : ResolveBinaryColor(workbook, fore);
  } else if (BinaryHatch(pattern) >= 0) {
    fill.kind = kFillPattern;
    fill.hatch = BinaryHatch(pattern);
    fill.foreColor = ResolveBinaryColor(workbook, fore);
  }
  if (state->styles->fills.items.Count() >= kMaxStyleListCount) return XLX_OK;
  return state->styles->fills.items.Push(fill);
}

void ReadSide(RecordCursor* cursor, const Workbook& workbook, BorderSide* side) {
  uint8_t style = cursor->U8();
  cursor->U8();
  BinaryColor color = ReadBinaryColor(cursor);
  BorderStyleOf(style, side);
  if (side->pattern != kLineNone && color.kind != kColorKindAuto) side->color = ResolveBinaryColor(workbook, color);
}

int32_t ReadBorderRecord(StyleState* state, const RecordEntry& record) {
  RecordCursor cursor(record);
  MyBorder border;
  uint8_t flags = cursor.U8();
  border.diagonalDown = (flags & 1) != 0;
  border.diagonalUp = (flags & 2) != 0;
  ReadSide(&cursor, *state->workbook, &border.top);
  ReadSide(&cursor, *state->workbook, &border.bottom);
  ReadSide(&cursor, *state->workbook, &border.left);
  ReadSide(&cursor, *state->workbook, &border.right);
  ReadSide(&cursor, *state->workbook, &border.diagonal);
  if (!cursor.Ok()) return XLX_CORRUPT(XLX_ERR_FORMAT, "border record cut off");
  UpdateNoBorder(&border);
  if (state->styles->borders.items.Count() >= kMaxStyleListCount) return XLX_OK;
  return state->styles->borders.items.Push(border);
}

int32_t ReadXfRecord(StyleState* state, const RecordEntry& record) {
  RecordCursor cursor(record);
  CellXf xf;
  uint16_t parent = cursor.U16();
  xf.numFmtId = cursor.U16();
  xf.fontId = cursor.U16();
  xf.fillId = cursor.U16();
  xf.borderId = cursor.U16();
  uint8_t rotation = cursor.U8();
  uint8_t indent = cursor.U8();
  uint16_t flags = cursor.U16();
  uint8_t applied = cursor.U8();
  if (!cursor.Ok()) return XLX_CORRUPT(XLX_ERR_FORMAT, "cell format record cut off");
  xf.xfId = parent == 0xFFFF ? -1 : parent;
  CellAlignment& a = xf.alignment;
  a.horizontal = flags & 7;
  a.vertical = (flags >> 3) & 7;
  if (a.vertical > kVAlignDistributed) a.vertical = kVAlignBottom;
  a.wrapText = (flags & 0x40) != 0;
  a.justifyLastLine = (flags & 0x80) != 0;
  a.shrinkToFit = (flags & 0x100) != 0;
  a.readingOrder = (flags >> 10) & 3;
  a.textRotation = rotation;
  a.indent = indent;
  xf.quotePrefix = (flags & 0x8000) != 0;
  xf.pivotButton = (flags & 0x4000) != 0;
  // The format, border, fill and alignment of a cell format always apply; fonts and protection
  // apply as the format marks them.
  xf.applyFont = (applied & 0x02) != 0;
  xf.applyProtection = (applied & 0x20) != 0;
  StyleList<CellXf>& list = state->inCellStyleXfs ? state->styles->cellStyleXfs : state->styles->cellXfs;
  if (list.items.Count() >= kMaxStyleListCount) return XLX_OK;
  return list.items.Push(xf);
}

int32_t ReadFormatRecord(StyleState* state, const RecordEntry& record) {
  RecordCursor cursor(record);
  uint16_t id = cursor.U16();
  std::u16string code = cursor.WideString();
  if (!cursor.Ok()) return XLX_CORRUPT(XLX_ERR_FORMAT, "number format record cut off");
  WorkbookLockGuard guard(state->workbook->lock);
  state->styles->numberFormats[id] = std::move(code);
  return XLX_OK;
}

int32_t ReadPaletteRecord(StyleState* state, const RecordEntry& record) {
  RecordCursor cursor(record);
  uint8_t red = cursor.U8(), green = cursor.U8(), blue = cursor.U8();
  if (!cursor.Ok()) return XLX_CORRUPT(XLX_ERR_FORMAT, "palette record cut off");
  Workbook* workbook = state->workbook;
  if (!workbook->hasCustomPalette) {
    // A palette in the file replaces the whole default one; entries it does not give are black.
    workbook->hasCustomPalette = true;
    for (CellColor& c : workbook->palette) c = kColorBlack;
  }
  if (state->paletteIndex < 64) workbook->palette[state->paletteIndex++] = MakeCellColor(red, green, blue);
  return XLX_OK;
}

int32_t ReadTableStyleRecord(StyleState* state, const RecordEntry& record) {
  RecordCursor cursor(record);
  cursor.U32();  // count of styles
  state->styles->defaultTableStyle = cursor.WideString();
  state->styles->defaultPivotStyle = cursor.WideString();
  return XLX_OK;  // a short record keeps what was read
}

int32_t ReadRecord(StyleState* state, const RecordEntry& record) {
  switch (record.type) {
    case brt::kFont: return ReadFontRecord(state, record);
    case brt::kFill: return ReadFillRecord(state, record);
    case brt::kBorder: return ReadBorderRecord(state, record);
    case brt::kXf: return ReadXfRecord(state, record);
    case brt::kFmt: return ReadFormatRecord(state, record);
    case brt::kDxf: {
      if (state->dxfs.size() >= size_t(kMaxStyleListCount)) return XLX_OK;
      Dxf dxf;
      int32_t rc = ReadBinaryDxf(*state->workbook, record, &dxf);
      if (rc == XLX_OK) state->dxfs.push_back(std::move(dxf));
      return rc;
    }
    case brt::kDxf14: return ReadBinaryExtensionDxf(state->workbook, record);
    case brt::kIndexedColor: return ReadPaletteRecord(state, record);
    case brt::kBeginTableStyles: return ReadTableStyleRecord(state, record);
    case brt::kBeginCellXfs: state->inCellXfs = true; return XLX_OK;
    case brt::kEndCellXfs: state->inCellXfs = false; return XLX_OK;
    case brt::kBeginCellStyleXfs: state->inCellStyleXfs = true; return XLX_OK;
    case brt::kEndCellStyleXfs: state->inCellStyleXfs = false; return XLX_OK;
    case brt::kBeginFonts: state->hasFonts = true; return XLX_OK;
    case brt::kBeginFills: state->hasFills = true; return XLX_OK;
    default: return XLX_OK;
  }
}

// The lists' declared counts are what was read; the defaults of a part without fonts or fills.
int32_t FinishLists(Stylesheet* styles, const Workbook& workbook, std::vector<Dxf>* dxfs) {
  if (styles->dxfs.items.Allocate(dxfs->size()) != XLX_OK) return XLX_ERR_MEMORY;
  for (size_t i = 0; i < dxfs->size(); ++i) styles->dxfs.items[i] = std::move((*dxfs)[i]);
  styles->cellXfs.declaredCount = int32_t(styles->cellXfs.items.Count());
  styles->cellStyleXfs.declaredCount = int32_t(styles->cellStyleXfs.items.Count());
  styles->borders.declaredCount = int32_t(styles->borders.items.Count());
  styles->dxfs.declaredCount = int32_t(styles->dxfs.items.Count());
  if (styles->fonts.items.Empty()) {
    MyLogFont font;
    SetFontPoints(&font, kDefaultFontPoints, workbook.dpi);
    font.lfWeight = 400;
    font.lfCharSet = 1;
    CopyTruncated(font.lfFaceName, kMaxFaceNameUnits + 1, u"Calibri");
    if (styles->fonts.items.Push(font) != XLX_OK) return XLX_ERR_MEMORY;
    styles->normalFont = font;
    styles->normalFontSizePt = kDefaultFontPoints;
  }
  styles->fonts.declaredCount = int32_t(styles->fonts.items.Count());
  if (styles->fills.items.Empty()) {
    FillSpec none;
    none.kind = kFillNone;
    if (styles->fills.items.Push(none) != XLX_OK) return XLX_ERR_MEMORY;
  }
  styles->fills.declaredCount = int32_t(styles->fills.items.Count());
  return XLX_OK;
}

}  // namespace

BinaryColor ReadBinaryColor(RecordCursor* cursor) {
  BinaryColor color;
  color.kind = uint8_t(cursor->U8() >> 1);
  color.index = cursor->U8();
  color.tint = static_cast<int16_t>(cursor->U16()) / 32767.0;
  color.red = cursor->U8();
  color.green = cursor->U8();
  color.blue = cursor->U8();
  cursor->U8();  // alpha
  return color;
}

CellColor ResolveBinaryColor(const Workbook& workbook, const BinaryColor& color) {
  CellColor result;
  switch (color.kind) {
    case kColorKindIndexed: result = IndexedColor(workbook, color.index); break;
    case kColorKindRgb: result = MakeCellColor(color.red, color.green, color.blue); break;
    case kColorKindTheme: result = ThemeColorByIndex(workbook, color.index); break;
    default: return SystemColor(kSystemWindowText);
  }
  return color.tint != 0 ? ApplyTint(result, color.tint) : result;
}

int32_t ReadBinaryStylesheet(Stylesheet* styles, Workbook* workbook, const RecordList& records) {
  if (!styles || !workbook) return XLX_ERR_ARGUMENT;
  if (styles->parsed) return XLX_OK;
  int32_t rc = Guarded([&]() -> int32_t {
    int32_t status = InstallBuiltinNumberFormats(styles, workbook);
    if (status != XLX_OK) return status;
    StyleState state;
    state.styles = styles;
    state.workbook = workbook;
    for (const RecordEntry& record : records)
      if ((status = ReadRecord(&state, record)) != XLX_OK) return status;
    if ((status = FinishLists(styles, *workbook, &state.dxfs)) == XLX_OK) ReadBinaryTableStyles(styles, records);
    return status;
  });
  if (rc == XLX_OK) styles->parsed = true;
  return rc;
}

int32_t LoadBinaryStylesheet(Workbook* workbook) {
  if (!workbook) return XLX_ERR_ARGUMENT;
  RecordList records;
  const std::u16string& path = workbook->stylesPath;
  if (!path.empty() && HasPart(&workbook->parts, path.c_str()) == XLX_OK) {
    int32_t rc = LoadRecordList(workbook->hPackage, &workbook->parts, path.c_str(), &records);
    if (rc == XLX_ERR_MEMORY) return rc;
    // A styles part that cannot be read leaves the defaults, as a broken XML styles part does.
  }
  return ReadBinaryStylesheet(&workbook->styles, workbook, records);
}

}  // namespace xlx
