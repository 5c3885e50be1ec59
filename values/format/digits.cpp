// Decimal digits of a value: the 15 significant digits a cell keeps, rounding half up at a
// number of decimals on those digits (so 1.005 shows as 1.01 with two decimals), and the
// 11-character General text. Conversions use std::to_chars, which ignores the process locale.
#include <charconv>
#include <cmath>
#include <cstring>

#include "values/format/internal.h"

namespace xlx {
namespace fmt {

void ToDecimal(double dMagnitude, DecimalValue* pOut) {
  pOut->nDigits = 0;
  pOut->nExp10 = 0;
  if (!(dMagnitude > 0.0) || !std::isfinite(dMagnitude)) return;
  char text[40];
  std::to_chars_result result =
      std::to_chars(text, text + sizeof(text) - 1, dMagnitude, std::chars_format::scientific, 14);
  *result.ptr = 0;
  // "d.dddddddddddddde+XX"
  int count = 0;
  const char* p = text;
  for (; *p && *p != 'e'; p++) {
    if (*p >= '0' && *p <= '9' && count < 15) pOut->digits[count++] = *p;
  }
  int exponent = 0;
  if (*p == 'e') {
    p++;
    bool bNegative = *p == '-';
    if (*p == '-' || *p == '+') p++;
    for (; *p >= '0' && *p <= '9'; p++) exponent = exponent * 10 + (*p - '0');
    if (bNegative) exponent = -exponent;
  }
  while (count > 0 && pOut->digits[count - 1] == '0') count--;
  pOut->nDigits = count;
  pOut->nExp10 = count ? exponent + 1 : 0;
}

void RoundToFixed(const DecimalValue& value, int nDecimals, FixedDigits* pOut) {
  if (nDecimals < 0) nDecimals = 0;
  if (nDecimals > kMaxFracDigits) nDecimals = kMaxFracDigits;
  pOut->nInt = 0;
  pOut->nFrac = nDecimals;
  memset(pOut->fracDigits, '0', static_cast<size_t>(nDecimals));

  // Digits kept: those whose place is at least 10^-nDecimals.
  char kept[17];
  int nKept = 0;
  int exp10 = value.nExp10;
  int keep = exp10 + nDecimals;
  if (value.nDigits == 0 || keep < 0) return;
  if (keep >= value.nDigits) {
    nKept = value.nDigits;
    memcpy(kept, value.digits, static_cast<size_t>(nKept));
  } else {
    nKept = keep;
    memcpy(kept, value.digits, static_cast<size_t>(nKept));
    if (value.digits[keep] >= '5') {
      int i = nKept - 1;
      while (i >= 0 && kept[i] == '9') kept[i--] = '0';
      if (i >= 0) {
        kept[i]++;
      } else {
        // Carry out of the leading digit: 0.999 -> 1.00.
        memmove(kept + 1, kept, static_cast<size_t>(nKept));
        kept[0] = '1';
        nKept++;
        exp10++;
      }
    }
  }
  while (nKept > 0 && kept[nKept - 1] == '0') nKept--;
  if (nKept == 0) return;

  // kept[i] has the place 10^(exp10 - 1 - i).
  if (exp10 > 0) {
    int nInt = exp10 < kMaxIntDigits ? exp10 : kMaxIntDigits;
    for (int i = 0; i < nInt; i++) pOut->intDigits[i] = i < nKept ? kept[i] : '0';
    pOut->nInt = nInt;
  }
  for (int j = 0; j < nDecimals; j++) {
    int i = exp10 + j;  // index of the digit with place 10^-(j+1)
    if (i >= 0 && i < nKept) pOut->fracDigits[j] = kept[i];
  }
}

namespace {

// Appends digits to a small ASCII buffer.
struct AsciiOut {
  char* pText;
  size_t nCapacity;
  size_t nLength;
  void Put(char c) {
    if (nLength + 1 < nCapacity) pText[nLength++] = c;
  }
};

// Writes fixed digits without trailing fraction zeros ("0" when no integer digits).
void PutFixed(const FixedDigits& digits, AsciiOut* pOut) {
  if (digits.nInt == 0) pOut->Put('0');
  for (int i = 0; i < digits.nInt; i++) pOut->Put(digits.intDigits[i]);
  int nFrac = digits.nFrac;
  while (nFrac > 0 && digits.fracDigits[nFrac - 1] == '0') nFrac--;
  if (nFrac > 0) {
    pOut->Put('.');
    for (int i = 0; i < nFrac; i++) pOut->Put(digits.fracDigits[i]);
  }
}

}  // namespace

size_t GeneralText(double dMagnitude, int nMaxChars, char* pOut, size_t nCapacity) {
  AsciiOut out = {pOut, nCapacity, 0};
  if (nCapacity == 0) return 0;
  pOut[0] = 0;
  if (nMaxChars < 1) return 0;
  DecimalValue value;
  ToDecimal(dMagnitude, &value);
  if (value.nDigits == 0) {
    out.Put('0');
    pOut[out.nLength] = 0;
    return out.nLength;
  }
  int lead = value.nExp10 - 1;  // power of ten of the leading digit

  // Fixed notation: as many decimals as the room allows.
  FixedDigits fixed;
  bool bFixed = false;
  int fixedPlaces = 0;
  int decimals = lead >= 0 ? nMaxChars - (lead + 1) - 1 : nMaxChars - 2;
  if (decimals < 0) decimals = 0;
  if (lead + 1 <= nMaxChars) {
    RoundToFixed(value, decimals, &fixed);
    bool bAnyDigit = fixed.nInt > 0;
    for (int i = 0; i < fixed.nFrac && !bAnyDigit; i++) bAnyDigit = fixed.fracDigits[i] != '0';
    bFixed = bAnyDigit && fixed.nInt <= nMaxChars;
    fixedPlaces = lead + 1 + decimals;
  }

  // Scientific notation: one digit, the decimals that fit, E+XX.
  int exponent = lead;
  FixedDigits mantissa;
  bool bScientific = false;
  int mantDecimals = 0;
  int expUnits = (exponent >= 100 || exponent <= -100) ? 5 : 4;
  int mantUnits = nMaxChars - expUnits;
  if (mantUnits >= 1) {
    mantDecimals = mantUnits >= 3 ? mantUnits - 2 : 0;
    DecimalValue scaled = value;
    scaled.nExp10 = 1;
    RoundToFixed(scaled, mantDecimals, &mantissa);
    if (mantissa.nInt > 1) {  // 9.99 rounded to 10.0: one more power of ten
      exponent = lead + 1;
      scaled.nExp10 = 0;
      RoundToFixed(scaled, mantDecimals, &mantissa);
    }
    bScientific = true;
  }

  if (bFixed && (!bScientific || fixedPlaces >= mantDecimals + 1)) {
    PutFixed(fixed, &out);
  } else if (bScientific) {
    PutFixed(mantissa, &out);
    out.Put('E');
    out.Put(exponent < 0 ? '-' : '+');
    int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude >= 100) out.Put(static_cast<char>('0' + magnitude / 100));
    out.Put(static_cast<char>('0' + (magnitude / 10) % 10));
    out.Put(static_cast<char>('0' + magnitude % 10));
  }
  pOut[out.nLength] = 0;
  return out.nLength;
}

}  // namespace fmt
}  // namespace xlx
