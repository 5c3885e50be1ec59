// Differential formats of binary parts: a list of typed properties, each with its own size.
#include <memory>
#include <vector>

#include "common/apiutils.h"
#include "common/resultcodes.h"
#include "model/modellimits.h"
#include "parser/xlsb/xlsbstyles.h"
#include "parser/styles/color.h"
#include "common/guarded.h"

namespace xlx {

namespace {

// Property types of a differential format.
enum DxfProperty : uint16_t {
  kPropPattern = 0, kPropForeColor = 1, kPropBackColor = 2, kPropTextColor = 5, kPropTopBorder = 6,
  kPropBottomBorder = 7, kPropLeftBorder = 8, kPropRightBorder = 9, kPropDiagonalBorder = 10,
  kPropVerticalBorder = 11, kPropHorizontalBorder = 12, kPropHorizontalAlign = 15, kPropVerticalAlign = 16,
  kPropRotation = 17, kPropIndent = 18, kPropReadingOrder = 19, kPropWrap = 20, kPropShrink = 22,
  kPropFontName = 24, kPropBold = 25, kPropUnderline = 26, kPropItalic = 28, kPropStrike = 29,
  kPropCharset = 34, kPropFamily = 35, kPropFontSize = 36, kPropNumberFormat = 38,
};

void ReadBorderProperty(const Workbook& workbook, RecordCursor* cursor, BorderSide* side) {
  BinaryColor color = ReadBinaryColor(cursor);
  uint16_t style = cursor->U16();
  static const int32_t kPatterns[] = {kLineNone, kLineSolid, kLineSolid, kLineDashed, kLineDotted, kLineSolid,
                                      kLineSolid, kLineDashDotDot, kLineDashed, kLineDashDot, kLineDashDot,
                                      kLineDashDotDot, kLineDashDotDot, kLineDashDot};
  if (style < sizeof kPatterns / sizeof kPatterns[0]) side->pattern = kPatterns[style];
  if (side->pattern != kLineNone && color.kind != 0) side->color = ResolveBinaryColor(workbook, color);
}

void ReadProperty(const Workbook& workbook, uint16_t type, RecordCursor* p, Dxf* dxf, int32_t* pattern,
                  BinaryColor* fore, BinaryColor* back) {
  MyLogFont& font = dxf->font.font;
  switch (type) {
    case kPropPattern: *pattern = p->U8(); dxf->mask |= kDxfFill; break;
    case kPropForeColor: *fore = ReadBinaryColor(p); dxf->mask |= kDxfFill; break;
    case kPropBackColor: *back = ReadBinaryColor(p); dxf->mask |= kDxfFill; break;
    case kPropTextColor:
      font.color = ResolveBinaryColor(workbook, ReadBinaryColor(p));
      dxf->font.flags |= kDxfFontColor;
      break;
    case kPropTopBorder: ReadBorderProperty(workbook, p, &dxf->border.top); dxf->mask |= kDxfBorder; break;
    case kPropBottomBorder: ReadBorderProperty(workbook, p, &dxf->border.bottom); dxf->mask |= kDxfBorder; break;
    case kPropLeftBorder: ReadBorderProperty(workbook, p, &dxf->border.left); dxf->mask |= kDxfBorder; break;
    case kPropRightBorder: ReadBorderProperty(workbook, p, &dxf->border.right); dxf->mask |= kDxfBorder; break;
    case kPropDiagonalBorder: ReadBorderProperty(workbook, p, &dxf->border.diagonal); dxf->mask |= kDxfBorder; break;
    case kPropVerticalBorder: ReadBorderProperty(workbook, p, &dxf->border.vertical); dxf->mask |= kDxfBorder; break;
    case kPropHorizontalBorder: ReadBorderProperty(workbook, p, &dxf->border.horizontal); dxf->mask |= kDxfBorder; break;
    case kPropHorizontalAlign: dxf->alignment.horizontal = p->U8() & 7; dxf->mask |= kDxfAlignment; break;
    case kPropVerticalAlign: dxf->alignment.vertical = p->U8() & 7; dxf->mask |= kDxfAlignment; break;
    case kPropRotation: dxf->alignment.textRotation = p->U8(); dxf->mask |= kDxfAlignment; break;
    case kPropIndent: dxf->alignment.indent = p->U8(); dxf->mask |= kDxfAlignment; break;
    case kPropReadingOrder: dxf->alignment.readingOrder = p->U8() & 3; dxf->mask |= kDxfAlignment; break;
    case kPropWrap: dxf->alignment.wrapText = p->U8() != 0; dxf->mask |= kDxfAlignment; break;
    case kPropShrink: dxf->alignment.shrinkToFit = p->U8() != 0; dxf->mask |= kDxfAlignment; break;
    case kPropFontName:
      CopyTruncated(font.lfFaceName, kMaxFaceNameUnits + 1, p->ShortWideString());
      dxf->font.flags |= kDxfFontName;
      break;
    case kPropBold: font.lfWeight = p->U16() >= 600 ? 700 : 400; dxf->font.flags |= kDxfFontBold; break;
    case kPropUnderline: font.lfUnderline = p->U16() != 0 ? 1 : 0; dxf->font.flags |= kDxfFontUnderline; break;
    case kPropItalic: font.lfItalic = p->U8() != 0 ? 1 : 0; dxf->font.flags |= kDxfFontItalic; break;
    case kPropStrike: font.lfStrikeOut = p->U8() != 0 ? 1 : 0; dxf->font.flags |= kDxfFontStrike; break;
    case kPropCharset: font.lfCharSet = p->U8(); dxf->font.flags |= kDxfFontCharset; break;
    case kPropFamily: font.lfPitchAndFamily = p->U8(); dxf->font.flags |= kDxfFontFamily; break;
    case kPropFontSize: {
      double points = p->U32() / 20.0;
      if (points > kMaxFontPoints) points = kMaxFontPoints;
      font.lfUnconvertedFontSize = points * workbook.dpi / 72.0;
      font.lfHeight = -static_cast<int32_t>(font.lfUnconvertedFontSize + 0.5);
      dxf->font.flags |= kDxfFontSize;
      break;
    }
    case kPropNumberFormat:
      p->U16();  // format id
      dxf->numberFormat = p->ShortWideString();
      dxf->mask |= kDxfNumberFormat;
      break;
    default:
      break;
  }
}

}  // namespace

int32_t ReadBinaryDxf(const Workbook& workbook, const RecordEntry& record, Dxf* dxf) {
  RecordCursor cursor(record);
  cursor.U16();  // reserved
  uint16_t count = cursor.U16();
  if (!cursor.Ok()) return XLX_CORRUPT(XLX_ERR_FORMAT, "differential format cut off");
  int32_t pattern = -1;
  BinaryColor fore, back;
  bool hasFore = false, hasBack = false;
  for (uint16_t i = 0; i < count; ++i) {
    uint16_t type = cursor.U16();
    uint16_t size = cursor.U16();
    if (!cursor.Ok() || size < 4 || size - 4u > cursor.Remaining())
      return XLX_CORRUPT(XLX_ERR_FORMAT, "differential format property past the record");
    RecordCursor property(cursor.Here(), size - 4u);
    cursor.Skip(size - 4u);
    ReadProperty(workbook, type, &property, dxf, &pattern, &fore, &back);
    if (type == kPropForeColor) hasFore = true;
    if (type == kPropBackColor) hasBack = true;
  }
  if (dxf->font.flags) dxf->mask |= kDxfFont;
  if (dxf->mask & kDxfBorder) UpdateNoBorder(&dxf->border);
  if (dxf->mask & kDxfFill) {
    // As in the XML differential fills: the colour of a solid fill is its background colour
    // unless only a foreground is given; no background colour means none under a pattern.
    FillSpec& fill = dxf->fill;
    fill.kind = pattern == 0 ? kFillNone : pattern > 1 ? kFillPattern : kFillSolid;
    if (fill.kind == kFillPattern) fill.hatch = BinaryHatch(uint32_t(pattern)) < 0 ? 0 : BinaryHatch(uint32_t(pattern));
    CellColor foreColor = hasFore ? ResolveBinaryColor(workbook, fore) : 0;
    CellColor backColor = hasBack ? ResolveBinaryColor(workbook, back) : 0;
    fill.foreColor = fill.kind == kFillSolid && hasBack ? backColor : foreColor;
    fill.backColor = hasBack && back.kind != 0 ? backColor : kColorAutomatic;
    if (fill.kind == kFillSolid && !hasBack) fill.foreColor = foreColor;
  }
  return XLX_OK;
}

int32_t ReadBinaryExtensionDxf(Workbook* workbook, const RecordEntry& record) {
  std::vector<std::shared_ptr<const Dxf>>& list = workbook->binaryTables.extensionDxfs;
  if (list.size() >= size_t(kMaxStyleListCount)) return XLX_OK;
  return Guarded([&]() -> int32_t {
    auto dxf = std::make_shared<Dxf>();
    RecordEntry fields = record;
    fields.size = record.size >= 4 ? record.size - 4 : 0;
    fields.data = record.size >= 4 ? record.data + 4 : record.data;
    if (record.size < 4 || ReadBinaryDxf(*workbook, fields, dxf.get()) != XLX_OK) *dxf = Dxf();
    list.push_back(std::move(dxf));
    return XLX_OK;
  });
}

}  // namespace xlx
