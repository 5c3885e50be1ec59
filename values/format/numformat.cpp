// Entry points of number formatting: the choice of the section that formats a value, the
// General form fitted to the cell's width, '*' fill characters repeated to the cell's width, and
// '#' for a value the cell cannot show.
#include <cmath>

#include "values/format/internal.h"
#include "values/format/numformat.h"

namespace xlx {
namespace {

using fmt::RenderedText;
using fmt::TextSink;

const char16_t kGeneralCode[] = u"General";

bool CanMeasure(const CellTextFit* pFit) {
  return pFit && pFit->pfnMeasure && pFit->dCellWidthPx > 0.0;
}

double Measure(const CellTextFit* pFit, const char16_t* pText, size_t nLength) {
  double width = pFit->pfnMeasure(pFit->pContext, pText, nLength);
  return std::isfinite(width) && width > 0.0 ? width : 0.0;
}

double AvailableWidth(const CellTextFit* pFit) {
  return pFit->dCellWidthPx - kCellTextPaddingPx;
}

// '#' across the cell: as many as fit, or kOverflowHashCount when the width is unknown.
void PutOverflow(const CellTextFit* pFit, TextSink* pSink) {
  size_t count = kOverflowHashCount;
  if (CanMeasure(pFit)) {
    char16_t hash = u'#';
    double width = Measure(pFit, &hash, 1);
    double room = AvailableWidth(pFit);
    count = width > 0.0 && room > 0.0 ? static_cast<size_t>(room / width) : 0;
    if (count > fmt::kWorkUnits) count = fmt::kWorkUnits;
  }
  pSink->PutRepeated(u'#', count);
}

// General fitted to the cell: at most as many units as digits fit in the cell (and at most 11),
// fewer while the measured text is still too wide; '#' when not even one digit fits.
void PutFittedGeneral(double dValue, const CellTextFit* pFit, TextSink* pSink) {
  double magnitude = std::fabs(dValue);
  double room = AvailableWidth(pFit);
  char16_t zero = u'0';
  double digitWidth = Measure(pFit, &zero, 1);
  int fit = 11;
  if (digitWidth > 0.0) fit = room > 0.0 ? static_cast<int>(std::floor(room / digitWidth)) : 0;
  if (fit > 11) fit = 11;
  char16_t text[48];
  for (int maxChars = fit; maxChars >= 1; maxChars--) {
    char ascii[40];
    size_t length = fmt::GeneralText(magnitude, maxChars, ascii, sizeof(ascii));
    if (length == 0) continue;
    size_t units = 0;
    if (dValue < 0.0) text[units++] = u'-';
    for (size_t i = 0; i < length; i++) text[units++] = static_cast<char16_t>(ascii[i]);
    if (Measure(pFit, text, units) <= room) {
      pSink->PutUnits(text, units);
      return;
    }
  }
  PutOverflow(pFit, pSink);
}

// True when a section is the word General alone (colours and conditions aside).
bool IsPlainGeneral(const fmt::TokenList& tokens) {
  return tokens.nCount == 1 && tokens.tokens[0].kind == fmt::kTokGeneral;
}

// Writes a rendered text, widening its fill mark to the cell and replacing a text wider than the
// cell by '#'.
void PutFitted(const RenderedText& rendered, const CellTextFit* pFit, bool bOverflowToHash,
               TextSink* pSink) {
  if (!CanMeasure(pFit)) {
    pSink->PutUnits(rendered.szText, rendered.nLength);
    return;
  }
  double room = AvailableWidth(pFit);
  double width = Measure(pFit, rendered.szText, rendered.nLength);
  if (rendered.nFillAt != SIZE_MAX && rendered.nFillAt <= rendered.nLength) {
    size_t repeat = 0;
    double fillWidth = Measure(pFit, &rendered.fillUnit, 1);
    if (fillWidth > 0.0 && room > width) {
      double count = std::floor((room - width) / fillWidth);
      repeat = count > static_cast<double>(fmt::kWorkUnits) ? fmt::kWorkUnits
                                                           : static_cast<size_t>(count);
    }
    pSink->PutUnits(rendered.szText, rendered.nFillAt);
    pSink->PutRepeated(rendered.fillUnit, repeat);
    pSink->PutUnits(rendered.szText + rendered.nFillAt, rendered.nLength - rendered.nFillAt);
    if (width <= room || !bOverflowToHash) return;
    pSink->nLength = 0;
    PutOverflow(pFit, pSink);
    return;
  }
  if (width > room && bOverflowToHash) {
    PutOverflow(pFit, pSink);
    return;
  }
  pSink->PutUnits(rendered.szText, rendered.nLength);
}

// Formats a number through its code into the sink. bChartLabel: chart-label rules.
void FormatValue(double dValue, const char16_t* pCode, bool bChartLabel, const CellTextFit* pFit,
                 TextSink* pSink, uint32_t* pclText) {
  fmt::FormatCode code;
  fmt::ReadFormatCode(pCode, &code);
  if (code.nSections == 0) return;
  if (!std::isfinite(dValue)) {
    PutOverflow(pFit, pSink);
    return;
  }
  bool bMinus = false;
  int index = fmt::ChooseNumberSection(code, dValue, &bMinus);
  if (index == fmt::kSectionGeneral) {
    FormatValue(dValue, u"General", bChartLabel, pFit, pSink, pclText);
    return;
  }
  if (index < 0) {
    if (!bChartLabel) {
      if (index == fmt::kNoSectionMatches) PutOverflow(pFit, pSink);
      return;
    }
    index = 0;
    dValue = 0.0;
  }
  const fmt::FormatSection& section = code.sections[index];
  if (pclText) *pclText = section.clColor;
  fmt::TokenList tokens;
  RenderedText rendered;
  if (section.bDate) {
    fmt::FormatCode system;
    const char16_t* pattern = fmt::SystemPatternOf(section);
    if (pattern) fmt::ReadFormatCode(pattern, &system);
    const fmt::FormatCode& used = pattern ? system : code;
    fmt::TokenizeSection(used, pattern ? system.sections[0] : section, &tokens);
    if (!fmt::RenderDateSection(tokens, used, dValue, fmt::CalendarOf(section), &rendered)) {
      PutOverflow(pFit, pSink);
      return;
    }
  } else {
    fmt::TokenizeSection(code, section, &tokens);
    if (!bChartLabel && IsPlainGeneral(tokens) && CanMeasure(pFit)) {
      PutFittedGeneral(bMinus ? dValue : std::fabs(dValue), pFit, pSink);
      return;
    }
    fmt::RenderNumberSection(tokens, code, std::fabs(dValue), bMinus, &rendered);
  }
  fmt::ApplyDigitShape(section.nDigitShape, rendered.szText, rendered.nLength);
  PutFitted(rendered, pFit, !bChartLabel, pSink);
}

}  // namespace

double SerialForDisplay(double dValue, const char16_t* pCode, bool bDate1904) {
  if (!bDate1904 || !pCode || DetectCellFormatType(pCode) != kCellFormatDateTime) return dValue;
  bool quoted = false;
  for (size_t i = 0; pCode[i] && i < kMaxFormatCodeUnits; ++i) {
    char16_t c = pCode[i];
    if (c == u'"') quoted = !quoted;
    if (quoted) continue;
    if (c == u'\\' && pCode[i + 1]) {
      ++i;
      continue;
    }
    char16_t next = pCode[i + 1] | 0x20;
    if (c == u'[' && (next == u'h' || next == u'm' || next == u's')) return dValue;
  }
  return dValue + 1462;
}

CellFormatType ParseCellFormat(double dValue, const char16_t* pCode, bool bShowZeros,
                               const CellTextFit* pFit, char16_t* pOut, size_t nCapacity,
                               uint32_t* pclText) {
  if (pclText) *pclText = kFormatColorAuto;
  const char16_t* code = pCode ? pCode : kGeneralCode;
  CellFormatType type = DetectCellFormatType(code);
  if (!pOut || nCapacity == 0) return type;
  pOut[0] = 0;
  if (std::isnan(dValue)) dValue = 0.0;
  if (dValue == 0.0 && !bShowZeros) return type;
  TextSink sink(pOut, nCapacity);
  FormatValue(dValue, code, false, pFit, &sink, pclText);
  sink.Finish();
  return type;
}

void ParseNumberFormat(double dValue, const char16_t* pCode, bool bChartLabel, char16_t* pOut,
                       size_t nCapacity, uint32_t* pclText) {
  if (pclText) *pclText = kFormatColorAuto;
  if (!pOut || nCapacity == 0) return;
  pOut[0] = 0;
  if (!pCode) return;
  if (std::isnan(dValue)) dValue = 0.0;
  TextSink sink(pOut, nCapacity);
  FormatValue(dValue, pCode, bChartLabel, nullptr, &sink, pclText);
  sink.Finish();
}

void ParseDateTimeFormat(double dSerial, int32_t nDateSystem, const char16_t* pCode,
                         char16_t* pOut, size_t nCapacity) {
  if (!pOut || nCapacity == 0) return;
  pOut[0] = 0;
  if (!pCode) return;
  fmt::FormatCode code;
  fmt::ReadFormatCode(pCode, &code);
  if (code.nSections == 0) return;
  // Only the first section is read, and read as a date whatever it holds.
  fmt::FormatSection section = code.sections[0];
  section.bDate = true;
  fmt::FormatCode system;
  const char16_t* pattern = fmt::SystemPatternOf(section);
  if (pattern) fmt::ReadFormatCode(pattern, &system);
  const fmt::FormatCode& used = pattern ? system : code;
  fmt::TokenList tokens;
  fmt::TokenizeSection(used, pattern ? system.sections[0] : section, &tokens);
  TextSink sink(pOut, nCapacity);
  RenderedText rendered;
  if (nDateSystem == 0 && fmt::RenderDateSection(tokens, used, dSerial, fmt::CalendarOf(section), &rendered)) {
    fmt::ApplyDigitShape(section.nDigitShape, rendered.szText, rendered.nLength);
    sink.PutUnits(rendered.szText, rendered.nLength);
  } else {
    sink.PutRepeated(u'#', kOverflowHashCount);
  }
  sink.Finish();
}

namespace {

// Writes a text through section `index` of a code: '@' (and General) show the text, literals
// themselves, placeholders and fills nothing.
void PutTextSection(const fmt::FormatCode& code, int index, const char16_t* text, TextSink* pSink,
                    uint32_t* pclText) {
  const fmt::FormatSection& section = code.sections[index];
  if (pclText) *pclText = section.clColor;
  fmt::TokenList tokens;
  fmt::TokenizeSection(code, section, &tokens);
  for (int i = 0; i < tokens.nCount; i++) {
    const fmt::Token& token = tokens.tokens[i];
    switch (token.kind) {
      case fmt::kTokText:
      case fmt::kTokGeneral:  // General in a text section shows the text
        for (const char16_t* p = text; *p; p++) pSink->Put(*p);
        break;
      case fmt::kTokLiteral:
        pSink->Put(token.unit);
        break;
      case fmt::kTokSpace:
        pSink->Put(u' ');
        break;
      case fmt::kTokLiteralText:
        fmt::PutCodeUnits(code, token, pSink);
        break;
      default:
        break;  // placeholders and fills show nothing for text
    }
  }
}

}  // namespace

void ParseTextFormat(const char16_t* pText, const char16_t* pCode, char16_t* pOut,
                     size_t nCapacity, uint32_t* pclText) {
  if (pclText) *pclText = kFormatColorAuto;
  if (!pOut || nCapacity == 0) return;
  pOut[0] = 0;
  TextSink sink(pOut, nCapacity);
  const char16_t* text = pText ? pText : u"";
  fmt::FormatCode code;
  fmt::ReadFormatCode(pCode, &code);
  int index = fmt::ChooseTextSection(code);
  if (index < 0) {
    while (*text) sink.Put(*text++);
  } else {
    PutTextSection(code, index, text, &sink, pclText);
  }
  sink.Finish();
}

void FormatTextValue(const char16_t* pText, const char16_t* pCode, char16_t* pOut,
                     size_t nCapacity) {
  if (!pOut || nCapacity == 0) return;
  pOut[0] = 0;
  fmt::FormatCode code;
  fmt::ReadFormatCode(pCode, &code);
  const fmt::FormatSection* first = code.nSections > 0 ? &code.sections[0] : nullptr;
  bool bLiteralsOnly = first && fmt::ChooseTextSection(code) < 0 && !first->bDate &&
                       !first->bText && !first->bGeneral && !first->bPlaceholders;
  if (!bLiteralsOnly) {
    ParseTextFormat(pText, pCode, pOut, nCapacity, nullptr);
    return;
  }
  TextSink sink(pOut, nCapacity);
  PutTextSection(code, 0, u"", &sink, nullptr);
  sink.Finish();
}

CellFormatType FormatWorkbookNumber(double dValue, const char16_t* pCode, bool bDate1904,
                                    char16_t* pOut, size_t nCapacity) {
  return ParseCellFormat(SerialForDisplay(dValue, pCode, bDate1904), pCode, true, nullptr, pOut,
                         nCapacity, nullptr);
}

void ConvertDecimalToFraction(double dValue, char16_t* pOut, size_t nCapacity) {
  ParseNumberFormat(dValue, u"# ?/?", false, pOut, nCapacity, nullptr);
}

void FormatGeneralNumber(double dValue, char16_t* pOut, size_t nCapacity) {
  if (!pOut || nCapacity == 0) return;
  TextSink sink(pOut, nCapacity);
  if (std::isnan(dValue)) dValue = 0.0;
  if (!std::isfinite(dValue)) {
    sink.PutRepeated(u'#', kOverflowHashCount);
  } else {
    char ascii[40];
    fmt::GeneralText(std::fabs(dValue), 11, ascii, sizeof(ascii));
    if (dValue < 0.0) sink.Put(u'-');
    sink.PutAscii(ascii);
  }
  sink.Finish();
}

}  // namespace xlx
