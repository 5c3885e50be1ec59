#include "view/cells/text.h"

#include <cmath>

#include "common/apiutils.h"
#include "values/format/cellformatcode.h"
#include "values/format/numformat.h"

namespace xlx {
namespace {

struct MeasureContext {
  FontCache* fonts;
  const CachedDrawFont* font;
};

double MeasureInFont(void* context, const char16_t* text, size_t length) {
  auto* m = static_cast<MeasureContext*>(context);
  double w = 0, h = 0;
  m->fonts->Measure(*m->font, text, static_cast<int32_t>(length), 0, &w, &h);
  return w;
}

constexpr int32_t kReadingOrderLeftToRight = 1;  // `readingOrder` 1; 0 follows the context, 2 reads right to left

bool HasRightToLeftLetter(const std::u16string& s) {
  for (char16_t c : s)
    if ((c >= 0x0627 && c <= 0x0649) || (c >= 0x05D0 && c <= 0x05EA)) return true;  // Arabic, Hebrew letters
  return false;
}

// Most units of text a cell shows: a cell holds up to 32,767 characters, and a text section may
// repeat them ('@' more than once).
constexpr size_t kMaxShownTextUnits = 1 << 17;

// A text through the text section of `code`, as long as the section makes it (up to
// kMaxShownTextUnits units).
std::u16string FormatText(const char16_t* text, const char16_t* code, uint32_t* color) {
  size_t length = 0;
  while (text[length] && length < kMaxShownTextUnits) ++length;
  size_t repeats = 0;
  for (size_t i = 0; code && code[i] && i < kMaxFormatCodeUnits; ++i) repeats += code[i] == u'@';
  size_t capacity = length * (repeats > 1 ? repeats : 1) + kMaxFormatCodeUnits + 1;
  if (capacity > kMaxShownTextUnits + 1) capacity = kMaxShownTextUnits + 1;
  std::u16string out(capacity, u'\0');
  ParseTextFormat(text, code, &out[0], capacity, color);
  out.resize(std::char_traits<char16_t>::length(out.c_str()));
  return out;
}

}  // namespace

bool BuildCellText(const Workbook& wb, const MyWorksheet& sheet, const CellRecord& cell, double cellWidth,
                   FontCache& fonts, const CachedDrawFont& font, CellText* out, const char16_t* formatCode) {
  *out = CellText{};
  const Stylesheet& styles = wb.styles;
  const char16_t* code = formatCode ? formatCode : GetCellFormatString(styles, nullptr, cell.styleIndex, nullptr, nullptr);
  char16_t buffer[512];
  switch (cell.type) {
    case kCellNumber:
    case kCellDate: {
      if (!(cell.flags & kCellHasValue)) return false;
      MeasureContext m{&fonts, &font};
      CellTextFit fit{cellWidth, MeasureInFont, &m};
      uint32_t color = kFormatColorAuto;
      out->formatType = ParseCellFormat(SerialForDisplay(cell.number, code, wb.bDate1904), code, sheet.bShowZeros, &fit, buffer, 512, &color);
      out->text = buffer;
      out->formatColor = color;
      out->kind = kTextNumber;
      break;
    }
    case kCellSharedString:
    case kCellInlineString: {
      RichString plain;
      const RichString* rich = cell.type == kCellSharedString ? &GetSharedString(wb.sharedStrings, cell.sharedStringIndex)
                                                              : cell.inlineString.Read(&plain);
      if (!rich || !rich->text) return false;
      bool styledRuns = false;
      for (int32_t i = 0; i < rich->runCount; ++i) styledRuns |= rich->runs[i].font != nullptr;
      if (styledRuns) {
        out->text.assign(rich->text, static_cast<size_t>(rich->textLength));
        out->rich = rich;
      } else {
        uint32_t color = kFormatColorAuto;
        out->text = FormatText(rich->text, code, &color);
        out->formatColor = color;
      }
      break;
    }
    case kCellBoolean:
    case kCellError:
      if (!cell.text) return false;
      out->text = cell.text;
      out->kind = kTextBoolOrError;
      break;
    case kCellFormulaString: {
      if (!cell.text) return false;
      // Through the text section like any string, which also bounds the text a cell measures.
      uint32_t color = kFormatColorAuto;
      out->text = FormatText(cell.text, code, &color);
      out->formatColor = color;
      break;
    }
    default:
      return false;
  }
  out->rightToLeft = HasRightToLeftLetter(out->text);
  return !out->text.empty();
}

TextBox InnerBox(double left, double width, const CachedDrawFont& font, int32_t indentSteps) {
  TextBox b;
  const double inset = font.width00 / 8.0;
  b.innerLeft = left + inset;
  b.innerWidth = width - 2 * inset;
  b.indent = font.indentUnit * (indentSteps > 0 ? indentSteps : 0);
  return b;
}

int32_t EffectiveHorizontal(const CellXf& xf, const CellText& text, uint8_t charSet, bool binaryWorkbook,
                            bool sheetRightToLeft) {
  int32_t h = xf.alignment.horizontal;
  if (h == kHAlignNotGiven || (binaryWorkbook && h == kHAlignGeneral)) {
    if (text.kind == kTextBoolOrError) return kHAlignCenter;
    if (text.kind == kTextNumber) return kHAlignRight;
    h = kHAlignGeneral;
  }
  if (h == kHAlignGeneral || h == kHAlignFill || h == kHAlignJustify || h == kHAlignDistributed) {
    if (text.kind == kTextNumber) return kHAlignRight;
    if (sheetRightToLeft) {
      // The sheet's own direction, unless the cell says it reads left to right.
      return xf.alignment.readingOrder == kReadingOrderLeftToRight ? kHAlignRight : kHAlignLeft;
    }
    const bool rightToLeftFont = charSet == 177 || charSet == 178;
    return rightToLeftFont ? kHAlignRight : kHAlignLeft;
  }
  return h;
}

double LineStart(const TextBox& b, int32_t horizontal, double lineWidth) {
  switch (horizontal) {
    case kHAlignCenter:
    case kHAlignCenterContinuous:
      return b.innerLeft - (lineWidth - b.innerWidth) / 2 - b.indent;
    case kHAlignRight:
      return b.innerLeft + b.innerWidth - lineWidth - b.indent;
    default:
      return b.innerLeft + b.indent;
  }
}

double BlockTop(double top, double height, double textHeight, int32_t vertical, bool multiLine, bool binaryWorkbook) {
  switch (vertical) {
    case kVAlignTop:
    case kVAlignJustify:
    case kVAlignDistributed:
      return top;
    case kVAlignCenter:
      return top + (height - textHeight) / 2;
    default: {
      const bool implicit = vertical == kVAlignNotGiven || (binaryWorkbook && vertical == kVAlignBottom);
      if (multiLine && implicit && height < 0.515 * textHeight) return top;
      return top + height - textHeight;
    }
  }
}

}  // namespace xlx
