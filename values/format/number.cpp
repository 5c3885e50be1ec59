// Rendering of a number section: fixed notation with '0' '#' '?' placeholders, grouping and
// scaling commas and percent; scientific notation (E+ / E-, with the exponent a multiple of the
// integer placeholders when they start with '#', "##0.0E+0"); fractions with a whole part, an
// improper numerator or a fixed denominator. Literals, spaces and the fill mark come out where
// the section has them.
#include <cmath>
#include <cstring>

#include "values/format/internal.h"

namespace xlx {
namespace fmt {
namespace {

bool IsDigitToken(TokenKind kind) {
  return kind == kTokDigit0 || kind == kTokDigitHash || kind == kTokDigitQ;
}

// Output of a rendering in progress.
struct Writer {
  RenderedText* pOut;
  const FormatCode* pCode;
  TextSink sink;
  Writer(RenderedText* out, const FormatCode* code)
      : pOut(out), pCode(code), sink(out->szText, kWorkUnits) {}
  // Tokens that render the same way in every number form.
  bool PutCommon(const Token& token) {
    switch (token.kind) {
      case kTokLiteral: sink.Put(token.unit); return true;
      case kTokSpace: sink.Put(u' '); return true;
      case kTokLiteralText: PutCodeUnits(*pCode, token, &sink); return true;
      case kTokPercent: sink.Put(u'%'); return true;
      case kTokSlash: sink.Put(u'/'); return true;
      case kTokFill:
        if (pOut->nFillAt == SIZE_MAX) {
          pOut->nFillAt = sink.nLength;
          pOut->fillUnit = token.unit;
        }
        return true;
      default: return false;
    }
  }
};

// Pad unit of a placeholder with no digit left (0 when it shows nothing).
char16_t PadUnit(TokenKind kind) {
  return kind == kTokDigit0 ? u'0' : kind == kTokDigitQ ? u' ' : 0;
}

// Renders tokens[first, end) as the integer part of a number with digits[0, nDigits): digits
// are taken from the right; the leftmost placeholder takes all that remain. With bGroup a ','
// goes between groups of three. A part without placeholders puts its digits at its end.
void PutIntegerPart(const TokenList& list, int first, int end, const char* digits, int nDigits,
                    bool bGroup, Writer* pWriter) {
  int leftmost = -1;
  for (int i = first; i < end; i++) {
    if (IsDigitToken(list.tokens[i].kind)) {
      leftmost = i;
      break;
    }
  }
  // Collected right to left, then reversed into the sink.
  char16_t reversed[kWorkUnits];
  size_t count = 0;
  auto put = [&](char16_t unit) {
    if (count < kWorkUnits) reversed[count++] = unit;
  };
  int next = nDigits - 1;  // next digit to place, from the right
  int placed = 0;          // digits and pads placed, for grouping
  auto putDigit = [&](char16_t unit) {
    if (bGroup && placed > 0 && placed % 3 == 0) put(unit == u' ' ? u' ' : u',');
    put(unit);
    placed++;
  };
  for (int i = end - 1; i >= first; i--) {
    const Token& token = list.tokens[i];
    if (IsDigitToken(token.kind)) {
      if (i == leftmost) {
        if (next < 0) {
          char16_t pad = PadUnit(token.kind);
          if (pad) putDigit(pad);
        }
        while (next >= 0) putDigit(static_cast<char16_t>(digits[next--]));
      } else if (next >= 0) {
        putDigit(static_cast<char16_t>(digits[next--]));
      } else {
        char16_t pad = PadUnit(token.kind);
        if (pad) putDigit(pad);
      }
      continue;
    }
    if (token.kind == kTokComma) {
      // A comma ahead of every placeholder (",0") is a literal comma.
      if (leftmost >= 0 && i < leftmost) put(u',');
      continue;
    }
    // Literals: rendered through a scratch writer so that multi-unit tokens keep their order.
    RenderedText scratch;
    scratch.nFillAt = SIZE_MAX;
    Writer literal(&scratch, pWriter->pCode);
    if (token.kind == kTokPoint) {
      literal.sink.Put(u'.');
    } else if (token.kind == kTokFill) {
      // The fill position is known only after reversal: mark it with a private unit.
      literal.sink.Put(0xFFFF);
      pWriter->pOut->fillUnit = token.unit;
    } else {
      literal.PutCommon(token);
    }
    for (size_t k = literal.sink.nLength; k > 0; k--) put(scratch.szText[k - 1]);
  }
  for (size_t k = count; k > 0; k--) {
    char16_t unit = reversed[k - 1];
    if (unit == 0xFFFF) {
      if (pWriter->pOut->nFillAt == SIZE_MAX) pWriter->pOut->nFillAt = pWriter->sink.nLength;
    } else {
      pWriter->sink.Put(unit);
    }
  }
  // No placeholder: digits (if any) go right after the part's literals.
  if (leftmost < 0)
    for (int i = 0; i < nDigits; i++) pWriter->sink.Put(static_cast<char16_t>(digits[i]));
}

// Renders tokens[first, end) as fraction digits. Trailing zeros are dropped from the right while
// they stand on '#' (nothing) or '?' (a space); a '0' placeholder keeps its digit and every digit
// left of it, so "0.#0" shows 1 as 1.00.
void PutFractionPart(const TokenList& list, int first, int end, const char* digits, int nDigits,
                     Writer* pWriter) {
  int lastSignificant = -1;
  int index = 0;
  for (int i = first; i < end; i++) {
    TokenKind kind = list.tokens[i].kind;
    if (!IsDigitToken(kind)) continue;
    bool bDigit = index < nDigits && digits[index] != '0';
    if (bDigit || kind == kTokDigit0) lastSignificant = index;
    index++;
  }
  index = 0;
  for (int i = first; i < end; i++) {
    const Token& token = list.tokens[i];
    if (IsDigitToken(token.kind)) {
      if (index <= lastSignificant) {
        pWriter->sink.Put(static_cast<char16_t>(digits[index]));
      } else {
        char16_t pad = PadUnit(token.kind);
        if (pad) pWriter->sink.Put(pad);
      }
      index++;
    } else if (token.kind == kTokPoint) {
      pWriter->sink.Put(u'.');
    } else {
      pWriter->PutCommon(token);
    }
  }
}

int CountDigitTokens(const TokenList& list, int first, int end) {
  int count = 0;
  for (int i = first; i < end; i++) count += IsDigitToken(list.tokens[i].kind) ? 1 : 0;
  return count;
}

int CountKind(const TokenList& list, int first, int end, TokenKind kind) {
  int count = 0;
  for (int i = first; i < end; i++) count += list.tokens[i].kind == kind ? 1 : 0;
  return count;
}

int FindKind(const TokenList& list, int first, int end, TokenKind kind) {
  for (int i = first; i < end; i++) {
    if (list.tokens[i].kind == kind) return i;
  }
  return -1;
}

// Commas are read by runs. A run between two integer placeholders ("#,##0") turns grouping on.
// A run that follows a placeholder (or the point) and is not followed by one divides by 1000 per
// comma: "0,," shows millions, "0,.0" thousands with a decimal, "0, \"K\"" thousands before a
// literal. Other commas (leading, after a literal, between decimals) show nothing.
void ReadCommas(const TokenList& list, int end, int pointAt, bool* pbGroup, int* pnScale) {
  *pbGroup = false;
  *pnScale = 0;
  int intEnd = pointAt >= 0 ? pointAt : end;
  int i = 0;
  while (i < end) {
    if (list.tokens[i].kind != kTokComma) {
      i++;
      continue;
    }
    int first = i;
    while (i < end && list.tokens[i].kind == kTokComma) i++;
    TokenKind before = first > 0 ? list.tokens[first - 1].kind : kTokLiteral;
    bool bAfterDigit = IsDigitToken(before);
    bool bBeforeDigit = i < end && IsDigitToken(list.tokens[i].kind);
    if (bAfterDigit && bBeforeDigit) {
      if (i < intEnd) *pbGroup = true;
    } else if ((bAfterDigit || before == kTokPoint) && !bBeforeDigit) {
      *pnScale += i - first;
    }
  }
}

void RenderFixed(const TokenList& list, int end, const DecimalValue& magnitude, Writer* pWriter) {
  int pointAt = FindKind(list, 0, end, kTokPoint);
  int intEnd = pointAt >= 0 ? pointAt : end;
  bool bGroup;
  int nScale;
  ReadCommas(list, end, pointAt, &bGroup, &nScale);
  DecimalValue value = magnitude;
  if (value.nDigits) value.nExp10 += 2 * CountKind(list, 0, end, kTokPercent) - 3 * nScale;
  int nDecimals = pointAt >= 0 ? CountDigitTokens(list, pointAt + 1, end) : 0;
  FixedDigits digits;
  RoundToFixed(value, nDecimals, &digits);
  PutIntegerPart(list, 0, intEnd, digits.intDigits, digits.nInt, bGroup, pWriter);
  if (pointAt >= 0) {
    PutFractionPart(list, pointAt, end, digits.fracDigits, digits.nFrac, pWriter);
  }
}

int FloorDiv(int value, int divisor) {
  int quotient = value / divisor;
  if ((value % divisor != 0) && ((value < 0) != (divisor < 0))) quotient--;
  return quotient;
}

// Mantissa of a scientific number. Its exponent is a multiple of the integer placeholders
// ("##0.0E+0" gives multiples of three, "0000.0000E+0" of four). Zero shows every integer
// placeholder as '0' ("#,###.#E+0" shows 0 as "0,000.").
void PutMantissa(const TokenList& list, int expAt, const DecimalValue& value, int* pnExponent,
                 Writer* pWriter) {
  int pointAt = FindKind(list, 0, expAt, kTokPoint);
  int intEnd = pointAt >= 0 ? pointAt : expAt;
  int nInt = CountDigitTokens(list, 0, intEnd);
  int nDecimals = pointAt >= 0 ? CountDigitTokens(list, pointAt + 1, expAt) : 0;
  bool bGroup;
  int nScale;
  ReadCommas(list, expAt, pointAt, &bGroup, &nScale);
  int width = nInt > 1 ? nInt : 1;  // the period of the exponent
  int exponent = 0;
  FixedDigits digits;
  if (value.nDigits == 0) {
    RoundToFixed(value, nDecimals, &digits);
    digits.nInt = nInt < kMaxIntDigits ? nInt : kMaxIntDigits;
    memset(digits.intDigits, '0', static_cast<size_t>(digits.nInt));
  } else {
    exponent = FloorDiv(value.nExp10 - 1, width) * width;
    for (int attempt = 0; attempt < 2; attempt++) {
      DecimalValue scaled = value;
      scaled.nExp10 -= exponent;
      RoundToFixed(scaled, nDecimals, &digits);
      if (digits.nInt <= width) break;
      exponent += width;  // 9.99 rounded up to 10.0
    }
  }
  PutIntegerPart(list, 0, intEnd, digits.intDigits, digits.nInt, bGroup, pWriter);
  if (pointAt >= 0) PutFractionPart(list, pointAt, expAt, digits.fracDigits, digits.nFrac, pWriter);
  *pnExponent = exponent;
}

// Scientific notation. The mark keeps the case it has in the code; its sign ('-' for negative
// exponents, '+' also for positive ones after "E+") stands where the exponent's digits start,
// after any literals written between the mark and them. The exponent shows at least as many
// digits as its '0' and '?' placeholders, '?' padding with spaces. Percent and trailing commas
// do not scale a scientific number.
void RenderScientific(const TokenList& list, int end, int expAt, const DecimalValue& magnitude,
                      Writer* pWriter) {
  int exponent = 0;
  PutMantissa(list, expAt, magnitude, &exponent, pWriter);
  const Token& mark = list.tokens[expAt];
  pWriter->sink.Put(mark.nLength == u'e' ? u'e' : u'E');
  int nZeros = CountKind(list, expAt + 1, end, kTokDigit0);
  int nSpaces = CountKind(list, expAt + 1, end, kTokDigitQ);
  int absExp = exponent < 0 ? -exponent : exponent;
  char text[8];
  int length = 0;
  do {
    text[length++] = static_cast<char>('0' + absExp % 10);
    absExp /= 10;
  } while (absExp > 0 && length < 7);
  auto putDigits = [&]() {
    if (exponent < 0) {
      pWriter->sink.Put(u'-');
    } else if (mark.unit == u'+') {
      pWriter->sink.Put(u'+');
    }
    int places = nZeros + nSpaces;
    for (int pad = places - 1; pad >= length; pad--) {
      // Places left of the digits: '0' placeholders (the rightmost ones) pad with zeros.
      pWriter->sink.Put(pad < nZeros ? u'0' : u' ');
    }
    for (int k = length; k > 0; k--) pWriter->sink.Put(static_cast<char16_t>(text[k - 1]));
  };
  bool bDigitsDone = false;
  for (int i = expAt + 1; i < end; i++) {
    const Token& token = list.tokens[i];
    if (IsDigitToken(token.kind)) {
      if (!bDigitsDone) putDigits();
      bDigitsDone = true;
      continue;
    }
    pWriter->PutCommon(token);
  }
  if (!bDigitsDone) putDigits();
}

// Nearest fraction to `value` (0 <= value) with a denominator of at most maxDen: the last
// convergent of its continued fraction within the limit, or the semiconvergent after it when
// that one is closer.
void NearestFraction(double value, double maxDen, double* pNum, double* pDen) {
  double whole = std::floor(value);
  double frac = value - whole;
  double hPrev2 = 0, kPrev2 = 1;  // convergents n-2 and n-1 of frac
  double hPrev1 = 1, kPrev1 = 0;
  double x = frac;
  for (int i = 0; i < 64; i++) {
    double a = std::floor(x);
    double h = a * hPrev1 + hPrev2;
    double k = a * kPrev1 + kPrev2;
    if (k > maxDen) {
      double n = kPrev1 > 0 ? std::floor((maxDen - kPrev2) / kPrev1) : 0;
      if (n >= 1) {
        double hSemi = n * hPrev1 + hPrev2;
        double kSemi = n * kPrev1 + kPrev2;
        if (std::fabs(hSemi / kSemi - frac) < std::fabs(hPrev1 / kPrev1 - frac)) {
          hPrev1 = hSemi;
          kPrev1 = kSemi;
        }
      }
      break;
    }
    hPrev2 = hPrev1;
    kPrev2 = kPrev1;
    hPrev1 = h;
    kPrev1 = k;
    double rest = x - a;
    if (rest < 1e-12) break;
    x = 1.0 / rest;
  }
  if (kPrev1 <= 0) {
    hPrev1 = 0;
    kPrev1 = 1;
  }
  *pNum = whole * kPrev1 + hPrev1;
  *pDen = kPrev1;
}

// Digits of a non-negative whole number (at most kMaxIntDigits).
int WholeDigits(double value, char* pOut) {
  DecimalValue decimal;
  ToDecimal(value, &decimal);
  FixedDigits digits;
  RoundToFixed(decimal, 0, &digits);
  memcpy(pOut, digits.intDigits, static_cast<size_t>(digits.nInt));
  return digits.nInt;
}

bool IsLiteralDigit(const Token& token) {
  return token.kind == kTokLiteral && token.unit >= u'0' && token.unit <= u'9';
}

// Where the parts of a fraction section are: [whole part] separator numerator literals '/'
// literals denominator trailer. Literals may stand between every two of them ("#\:#=/=#").
struct FractionLayout {
  int wholeEnd;     // tokens [0, wholeEnd) are the whole part, up to its last placeholder
  int numFirst;     // tokens [numFirst, numEnd) are the numerator placeholders
  int numEnd;
  int slashAt;
  int denFirst;     // tokens [denFirst, denEnd) are the denominator
  int denEnd;
  bool bMixed;      // a whole part exists
  bool bFixedDen;   // the denominator is written out ("?/16")
  double dFixedDen;
};

bool ReadFractionLayout(const TokenList& list, int end, int slashAt, FractionLayout* pLayout) {
  FractionLayout layout = {};
  layout.slashAt = slashAt;
  layout.numEnd = slashAt;
  while (layout.numEnd > 0 && !IsDigitToken(list.tokens[layout.numEnd - 1].kind)) layout.numEnd--;
  layout.numFirst = layout.numEnd;
  while (layout.numFirst > 0 && IsDigitToken(list.tokens[layout.numFirst - 1].kind)) layout.numFirst--;
  layout.denFirst = slashAt + 1;
  while (layout.denFirst < end && !IsDigitToken(list.tokens[layout.denFirst].kind) &&
         !IsLiteralDigit(list.tokens[layout.denFirst])) {
    layout.denFirst++;
  }
  layout.denEnd = layout.denFirst;
  while (layout.denEnd < end) {
    const Token& token = list.tokens[layout.denEnd];
    if (!IsDigitToken(token.kind) && !IsLiteralDigit(token)) break;
    if (IsLiteralDigit(token)) layout.bFixedDen = true;
    layout.denEnd++;
  }
  if (layout.numFirst == layout.numEnd || layout.denFirst == layout.denEnd) return false;
  if (layout.bFixedDen) {
    for (int i = layout.denFirst; i < layout.denEnd; i++) {
      const Token& token = list.tokens[i];
      int digit = token.kind == kTokLiteral ? token.unit - u'0' : 0;
      if (layout.dFixedDen < 1e9) layout.dFixedDen = layout.dFixedDen * 10 + digit;
    }
    if (layout.dFixedDen < 1) layout.bFixedDen = false;
  }
  layout.wholeEnd = layout.numFirst;
  while (layout.wholeEnd > 0 && !IsDigitToken(list.tokens[layout.wholeEnd - 1].kind)) layout.wholeEnd--;
  layout.bMixed = layout.wholeEnd > 0;
  *pLayout = layout;
  return true;
}

// Kind of the rightmost placeholder of tokens [first, end) (kTokLiteral when none).
TokenKind LastDigitKind(const TokenList& list, int first, int end) {
  for (int i = end - 1; i >= first; i--) {
    if (IsDigitToken(list.tokens[i].kind)) return list.tokens[i].kind;
  }
  return kTokLiteral;
}

void PutTokens(const TokenList& list, int first, int end, Writer* pWriter) {
  for (int i = first; i < end; i++) pWriter->PutCommon(list.tokens[i]);
}

// The denominator: its '0' placeholders give it at least as many digits (zeros in front), then
// places left over after its digits show their pad ('?' a space).
void PutDenominator(const TokenList& list, const FractionLayout& layout, double den, Writer* pWriter) {
  if (layout.bFixedDen) {
    for (int i = layout.denFirst; i < layout.denEnd; i++) {
      const Token& token = list.tokens[i];
      pWriter->sink.Put(token.kind == kTokLiteral ? token.unit : u'0');
    }
    return;
  }
  char denDigits[16];
  int nDen = WholeDigits(den, denDigits);
  int places = layout.denEnd - layout.denFirst;
  int nZeros = CountKind(list, layout.denFirst, layout.denEnd, kTokDigit0);
  for (int i = nDen; i < nZeros; i++) pWriter->sink.Put(u'0');
  for (int i = 0; i < nDen; i++) pWriter->sink.Put(static_cast<char16_t>(denDigits[i]));
  int used = nDen > nZeros ? nDen : nZeros;
  for (int i = layout.denFirst + used; i < layout.denFirst + places; i++) {
    char16_t pad = PadUnit(list.tokens[i].kind);
    if (pad) pWriter->sink.Put(pad == u'0' ? u' ' : pad);
  }
}

// A whole number through a mixed fraction whose numerator has no '0': the whole part shows at
// least one digit and the fraction is blank, as wide as its code when the code has a '?' (so
// fractions stay aligned on '/'), else left out.
void PutWholeOnly(const TokenList& list, int end, const FractionLayout& layout, double whole,
                  Writer* pWriter) {
  char wholeDigits[kMaxIntDigits];
  int nWhole = whole >= 1 ? WholeDigits(whole, wholeDigits) : 0;
  if (nWhole == 0) {
    wholeDigits[0] = '0';
    nWhole = 1;
  }
  PutIntegerPart(list, 0, layout.wholeEnd, wholeDigits, nWhole, false, pWriter);
  if (CountKind(list, 0, end, kTokDigitQ) > 0) {
    for (int i = layout.wholeEnd; i < layout.denEnd; i++) {
      if (list.tokens[i].kind != kTokFill) pWriter->sink.Put(u' ');
    }
  }
  PutTokens(list, layout.denEnd, end, pWriter);
}

// The whole part of a mixed fraction and the literals between it and the numerator. A whole part
// of 0 shows its placeholders' pads; those literals then follow a '0' as written, become spaces
// after a '?' and are left out after a '#' (spaces excepted, which keep the alignment).
void PutWholePart(const TokenList& list, const FractionLayout& layout, double whole, bool bZeroDigit,
                  Writer* pWriter) {
  char wholeDigits[kMaxIntDigits];
  int nWhole = whole >= 1 ? WholeDigits(whole, wholeDigits) : 0;
  TokenKind last = LastDigitKind(list, 0, layout.wholeEnd);
  if (nWhole == 0 && bZeroDigit && last != kTokDigitHash) {
    wholeDigits[0] = '0';
    nWhole = 1;
  }
  PutIntegerPart(list, 0, layout.wholeEnd, wholeDigits, nWhole, false, pWriter);
  for (int i = layout.wholeEnd; i < layout.numFirst; i++) {
    const Token& token = list.tokens[i];
    if (nWhole > 0 || last == kTokDigit0) {
      pWriter->PutCommon(token);
    } else if (last == kTokDigitQ || token.kind == kTokSpace ||
               (token.kind == kTokLiteral && token.unit == u' ')) {
      if (token.kind != kTokFill) pWriter->sink.Put(u' ');
    }
  }
}

void RenderFraction(const TokenList& list, int end, const FractionLayout& layout, double dMagnitude,
                    Writer* pWriter) {
  double whole = layout.bMixed ? std::floor(dMagnitude) : 0.0;
  double part = dMagnitude - whole;
  double num, den;
  if (layout.bFixedDen) {
    den = layout.dFixedDen;
    num = std::floor(part * den + 0.5);
  } else {
    int places = layout.denEnd - layout.denFirst;
    places = places < 1 ? 1 : places > 7 ? 7 : places;
    NearestFraction(part, std::pow(10.0, places) - 1, &num, &den);
  }
  if (layout.bMixed && num >= den) {
    whole += 1;
    num = 0;
  }
  if (!layout.bFixedDen && num == 0) den = 1;
  bool bZeroNumerator = CountKind(list, layout.numFirst, layout.numEnd, kTokDigit0) > 0;
  if (layout.bMixed && num == 0 && !bZeroNumerator) {
    PutWholeOnly(list, end, layout, whole, pWriter);
    return;
  }
  if (layout.bMixed) {
    PutWholePart(list, layout, whole, num == 0, pWriter);
  } else {
    PutTokens(list, 0, layout.numFirst, pWriter);
  }
  char numDigits[kMaxIntDigits];
  int nNum = num >= 1 ? WholeDigits(num, numDigits) : 0;
  if (nNum == 0 && (!layout.bMixed || bZeroNumerator)) {
    numDigits[0] = '0';
    nNum = 1;
  }
  PutIntegerPart(list, layout.numFirst, layout.numEnd, numDigits, nNum, false, pWriter);
  PutTokens(list, layout.numEnd, layout.slashAt, pWriter);
  pWriter->sink.Put(u'/');
  PutTokens(list, layout.slashAt + 1, layout.denFirst, pWriter);
  PutDenominator(list, layout, den, pWriter);
  PutTokens(list, layout.denEnd, end, pWriter);
}

// A section with the word General (or '@' for a number): literals around the General text.
void RenderGeneralSection(const TokenList& list, double dMagnitude, Writer* pWriter) {
  char text[40];
  bool bDone = false;
  for (int i = 0; i < list.nCount; i++) {
    const Token& token = list.tokens[i];
    if (token.kind == kTokGeneral || token.kind == kTokText) {
      if (!bDone) {
        GeneralText(dMagnitude, 11, text, sizeof(text));
        pWriter->sink.PutAscii(text);
        bDone = true;
      }
      continue;
    }
    if (!pWriter->PutCommon(token) && token.kind != kTokComma) {
      if (token.kind == kTokPoint) pWriter->sink.Put(u'.');
      else if (IsDigitToken(token.kind)) pWriter->sink.Put(token.unit);
    }
  }
}

}  // namespace

void RenderNumberSection(const TokenList& tokens, const FormatCode& code, double dMagnitude,
                         bool bMinus, RenderedText* pOut) {
  pOut->nFillAt = SIZE_MAX;
  pOut->fillUnit = u' ';
  Writer writer(pOut, &code);
  if (bMinus) writer.sink.Put(u'-');
  int end = tokens.nCount;
  bool bGeneral = FindKind(tokens, 0, end, kTokGeneral) >= 0;
  bool bPlaceholders = CountDigitTokens(tokens, 0, end) > 0;
  if (bGeneral || (!bPlaceholders && FindKind(tokens, 0, end, kTokText) >= 0)) {
    RenderGeneralSection(tokens, dMagnitude, &writer);
  } else if (!bPlaceholders) {
    // Literal-only section ("-", "zero"): the literals alone.
    for (int i = 0; i < end; i++) {
      if (!writer.PutCommon(tokens.tokens[i]) && tokens.tokens[i].kind == kTokPoint) {
        writer.sink.Put(u'.');
      }
    }
  } else {
    DecimalValue magnitude;
    ToDecimal(dMagnitude, &magnitude);
    int expAt = FindKind(tokens, 0, end, kTokExponent);
    int slashAt = FindKind(tokens, 0, end, kTokSlash);
    FractionLayout layout;
    bool bFraction = slashAt > 0 && ReadFractionLayout(tokens, end, slashAt, &layout);
    if (expAt > 0 && CountDigitTokens(tokens, 0, expAt) > 0) {
      RenderScientific(tokens, end, expAt, magnitude, &writer);
    } else if (bFraction && std::isfinite(dMagnitude) && dMagnitude < 1e15) {
      RenderFraction(tokens, end, layout, dMagnitude, &writer);
    } else {
      RenderFixed(tokens, end, magnitude, &writer);
    }
  }
  pOut->nLength = writer.sink.nLength;
  writer.sink.Finish();
}

}  // namespace fmt
}  // namespace xlx
