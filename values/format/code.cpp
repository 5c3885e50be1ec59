// Reading a format code: the copy cut to its limit, sections split at unquoted ';', the bracket
// prefixes of each section (colour, condition, elapsed time, currency and locale), the tokens of
// the section that formats a value, the choice of that section, and the classification of a code
// for cell alignment.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "values/format/internal.h"

namespace xlx {
namespace fmt {
namespace {

// Colours of the default 56-entry palette, [Color1] to [Color56], as 0xRRGGBB.
const uint32_t kPaletteRgb[56] = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
    0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
    0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
    0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
    0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
    0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333,
};

struct NamedColor {
  const char* pszName;
  uint32_t rgb;
};
const NamedColor kNamedColors[] = {
    {"black", 0x000000}, {"blue", 0x0000FF},    {"cyan", 0x00FFFF},  {"green", 0x00FF00},
    {"magenta", 0xFF00FF}, {"red", 0xFF0000}, {"white", 0xFFFFFF}, {"yellow", 0xFFFF00},
};

uint32_t RgbToCellColor(uint32_t rgb) {
  return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16) | 0xFF000000u;
}

char16_t LowerAscii(char16_t unit) {
  return (unit >= u'A' && unit <= u'Z') ? static_cast<char16_t>(unit + 32) : unit;
}

// True when the units at `pos` spell `word` (lower-case ASCII) ignoring case.
bool MatchesWord(const char16_t* text, size_t pos, size_t end, const char* word) {
  size_t length = strlen(word);
  if (end - pos < length) return false;
  for (size_t i = 0; i < length; i++) {
    if (LowerAscii(text[pos + i]) != static_cast<char16_t>(word[i])) return false;
  }
  return true;
}

bool IsDateLetter(char16_t unit) {
  switch (LowerAscii(unit)) {
    case u'y': case u'm': case u'd': case u'h': case u's':
      return true;
    default:
      return false;
  }
}

bool IsPlaceholder(char16_t unit) { return unit == u'0' || unit == u'#' || unit == u'?'; }

// Length of an AM/PM ("AM/PM" 5, "A/P" 3) marker at pos, 0 when none.
size_t AmPmLength(const char16_t* text, size_t pos, size_t end) {
  if (MatchesWord(text, pos, end, "am/pm")) return 5;
  if (MatchesWord(text, pos, end, "a/p")) return 3;
  return 0;
}

// Index one past the end of a bracket opened at `open` (the unit after ']', or `end`).
size_t BracketEnd(const char16_t* text, size_t open, size_t end) {
  size_t pos = open + 1;
  while (pos < end && text[pos] != u']') pos++;
  return pos < end ? pos + 1 : end;
}

// Index past a literal at `pos` (quoted text, or a character escaped by '\', '_' or '*'); `pos`
// itself when no literal starts there. Literals never decide anything about a section.
size_t SkipLiteral(const char16_t* text, size_t pos, size_t end) {
  if (text[pos] == u'"') {
    pos++;
    while (pos < end && text[pos] != u'"') pos++;
    return pos + 1;
  }
  if (text[pos] == u'\\' || text[pos] == u'_' || text[pos] == u'*') return pos + 2;
  return pos;
}

// Kinds of bracket content.
enum BracketKind { kBracketOther, kBracketColor, kBracketCondition, kBracketElapsed, kBracketLocale };

struct BracketInfo {
  BracketKind kind;
  uint32_t clColor;
  ConditionOp op;
  double dValue;
  TokenKind elapsedKind;
  uint16_t nLetters;
  LocaleTag locale;
};

// Reads the condition "<=100" of a bracket from text[pos, end).
void ReadCondition(const char16_t* text, size_t pos, size_t end, BracketInfo* pInfo) {
  char16_t first = text[pos];
  char16_t second = pos + 1 < end ? text[pos + 1] : 0;
  size_t opLength = 1;
  if (first == u'<' && second == u'=') { pInfo->op = kCondLessEq; opLength = 2; }
  else if (first == u'<' && second == u'>') { pInfo->op = kCondNotEqual; opLength = 2; }
  else if (first == u'>' && second == u'=') { pInfo->op = kCondGreaterEq; opLength = 2; }
  else if (first == u'<') pInfo->op = kCondLess;
  else if (first == u'>') pInfo->op = kCondGreater;
  else pInfo->op = kCondEqual;
  char number[64];
  size_t length = 0;
  for (size_t i = pos + opLength; i < end && length + 1 < sizeof(number); i++) {
    char16_t unit = text[i];
    if (unit == u' ') continue;
    if (unit > 0x7F) break;
    number[length++] = static_cast<char>(unit);
  }
  number[length] = 0;
  pInfo->dValue = strtod(number, nullptr);
  if (!std::isfinite(pInfo->dValue)) pInfo->dValue = 0.0;
  pInfo->kind = kBracketCondition;
}

// Classifies the content text[open + 1, close) of a bracket.
BracketInfo ReadBracket(const char16_t* text, size_t open, size_t close) {
  BracketInfo info = {kBracketOther, kFormatColorAuto, kCondNone, 0.0, kTokLiteral, 0, {0, 0, 0, 0}};
  size_t pos = open + 1;
  if (pos >= close) return info;
  char16_t first = text[pos];
  if (first == u'<' || first == u'>' || first == u'=') {
    ReadCondition(text, pos, close, &info);
    return info;
  }
  if (first == u'$') {
    info.kind = kBracketLocale;
    size_t dash = pos;
    while (dash < close && text[dash] != u'-') dash++;
    if (dash < close) info.locale = ReadLocaleTag(text, dash + 1, close);
    return info;
  }
  char16_t letter = LowerAscii(first);
  if (letter == u'h' || letter == u'm' || letter == u's') {
    size_t i = pos;
    while (i < close && LowerAscii(text[i]) == letter) i++;
    if (i == close) {
      info.kind = kBracketElapsed;
      info.elapsedKind = letter == u'h' ? kTokElapsedHour
                         : letter == u'm' ? kTokElapsedMinute : kTokElapsedSecond;
      info.nLetters = static_cast<uint16_t>(close - pos);
      return info;
    }
  }
  for (const NamedColor& named : kNamedColors) {
    if (close - pos == strlen(named.pszName) && MatchesWord(text, pos, close, named.pszName)) {
      info.kind = kBracketColor;
      info.clColor = RgbToCellColor(named.rgb);
      return info;
    }
  }
  if (MatchesWord(text, pos, close, "color")) {
    int index = 0;
    size_t i = pos + 5;
    while (i < close && text[i] >= u'0' && text[i] <= u'9' && index < 1000) {
      index = index * 10 + (text[i] - u'0');
      i++;
    }
    if (i == close && index >= 1 && index <= 56) {
      info.kind = kBracketColor;
      info.clColor = RgbToCellColor(kPaletteRgb[index - 1]);
    }
  }
  return info;
}

// Fills the bracket prefixes and the kind flags of a section.
void ClassifySection(const char16_t* text, FormatSection* pSection) {
  size_t pos = pSection->nStart;
  size_t end = pSection->nEnd;
  while (pos < end) {
    char16_t unit = text[pos];
    if (size_t past = SkipLiteral(text, pos, end); past != pos) {
      pos = past;
      continue;
    }
    if (unit == u'[') {
      size_t next = BracketEnd(text, pos, end);
      BracketInfo info = ReadBracket(text, pos, next > pos + 1 && text[next - 1] == u']' ? next - 1 : next);
      if (info.kind == kBracketColor) pSection->clColor = info.clColor;
      if (info.kind == kBracketCondition) {
        pSection->condOp = info.op;
        pSection->dCondValue = info.dValue;
      }
      if (info.kind == kBracketElapsed) pSection->bDate = true;
      if (info.kind == kBracketLocale) {
        if (info.locale.nSystemPattern) {
          pSection->nSystemPattern = info.locale.nSystemPattern;
          pSection->bDate = true;
        }
        pSection->nCalendar = info.locale.nCalendar;
        pSection->nDigitShape = info.locale.nDigitShape;
        pSection->bJapaneseEra = UsesJapaneseEras(info.locale);
      }
      pos = next;
      continue;
    }
    if ((unit == u'G' || unit == u'g') && MatchesWord(text, pos, end, "general")) {
      pSection->bGeneral = true;
      pos += 7;
      continue;
    }
    if (unit == u'E' || unit == u'e') {
      if (pos + 1 < end && (text[pos + 1] == u'+' || text[pos + 1] == u'-')) {
        pos += 2;
        continue;
      }
      pSection->bDate = true;  // a lone 'e' is the year of the era
    } else if (unit == u'A' || unit == u'a') {
      size_t marker = AmPmLength(text, pos, end);
      if (marker) {
        pSection->bDate = true;
        pos += marker;
        continue;
      }
    } else if (IsDateLetter(unit)) {
      pSection->bDate = true;
    } else if (unit == u'@') {
      pSection->bText = true;
    } else if (IsPlaceholder(unit)) {
      pSection->bPlaceholders = true;
    }
    pos++;
  }
}

bool ConditionHolds(ConditionOp op, double value, double limit) {
  switch (op) {
    case kCondLess: return value < limit;
    case kCondLessEq: return value <= limit;
    case kCondGreater: return value > limit;
    case kCondGreaterEq: return value >= limit;
    case kCondEqual: return value == limit;
    case kCondNotEqual: return value != limit;
    default: return true;
  }
}

void AddToken(TokenList* pList, TokenKind kind, char16_t unit, uint16_t length = 1) {
  if (pList->nCount >= static_cast<int>(kMaxFormatCodeUnits + 1)) return;
  Token& token = pList->tokens[pList->nCount++];
  token.kind = kind;
  token.unit = unit;
  token.nLength = length;
  token.nCount = 0;
}

// Number of units in a run of one letter (exact case ignored) starting at pos.
size_t RunLength(const char16_t* text, size_t pos, size_t end) {
  char16_t letter = LowerAscii(text[pos]);
  size_t i = pos;
  while (i < end && LowerAscii(text[i]) == letter) i++;
  return i - pos;
}

// Date tokens of one unit of a date section; returns the units consumed (0: not a date token).
size_t AddDateToken(const char16_t* text, size_t pos, size_t end, TokenList* pList,
                    bool* pbAfterSeconds) {
  char16_t unit = text[pos];
  char16_t letter = LowerAscii(unit);
  if (letter == u'a') {
    size_t marker = AmPmLength(text, pos, end);
    if (!marker) return 0;
    AddToken(pList, kTokAmPm, unit, static_cast<uint16_t>(marker));
    return marker;
  }
  if (letter == u'e' && !(pos + 1 < end && (text[pos + 1] == u'+' || text[pos + 1] == u'-'))) {
    size_t run = RunLength(text, pos, end);
    AddToken(pList, kTokYear, unit, static_cast<uint16_t>(run >= 2 ? 2 : 4));
    return run;
  }
  if (letter == u'g') {
    size_t run = RunLength(text, pos, end);
    AddToken(pList, kTokEra, unit, static_cast<uint16_t>(run > 3 ? 3 : run));
    return run;
  }
  if (unit == u'.' && *pbAfterSeconds && pos + 1 < end && text[pos + 1] == u'0') {
    size_t zeros = 0;
    while (pos + 1 + zeros < end && text[pos + 1 + zeros] == u'0') zeros++;
    AddToken(pList, kTokSubSecond, u'0', static_cast<uint16_t>(zeros > 3 ? 3 : zeros));
    return 1 + zeros;
  }
  if (!IsDateLetter(unit)) return 0;
  size_t run = RunLength(text, pos, end);
  TokenKind kind = letter == u'y' ? kTokYear
                   : letter == u'm' ? kTokMonth
                   : letter == u'd' ? kTokDay
                   : letter == u'h' ? kTokHour : kTokSecond;
  AddToken(pList, kind, unit, static_cast<uint16_t>(run > 31 ? 31 : run));
  *pbAfterSeconds = kind == kTokSecond;
  return run;
}

// Number tokens of one unit of a number section; returns the units consumed.
size_t AddNumberToken(const char16_t* text, size_t pos, size_t end, TokenList* pList,
                      bool* pbPointSeen) {
  char16_t unit = text[pos];
  switch (unit) {
    case u'0': AddToken(pList, kTokDigit0, unit); return 1;
    case u'#': AddToken(pList, kTokDigitHash, unit); return 1;
    case u'?': AddToken(pList, kTokDigitQ, unit); return 1;
    case u',': AddToken(pList, kTokComma, unit); return 1;
    case u'%': AddToken(pList, kTokPercent, unit); return 1;
    case u'/': AddToken(pList, kTokSlash, unit); return 1;
    case u'@': AddToken(pList, kTokText, unit); return 1;
    case u'.':
      AddToken(pList, *pbPointSeen ? kTokLiteral : kTokPoint, unit);
      *pbPointSeen = true;
      return 1;
    case u'E': case u'e':
      if (pos + 1 < end && (text[pos + 1] == u'+' || text[pos + 1] == u'-')) {
        AddToken(pList, kTokExponent, text[pos + 1], unit);
        return 2;
      }
      break;
    case u'G': case u'g':
      if (MatchesWord(text, pos, end, "general")) {
        AddToken(pList, kTokGeneral, unit);
        return 7;
      }
      break;
    default:
      break;
  }
  AddToken(pList, kTokLiteral, unit);
  return 1;
}

}  // namespace

void ReadFormatCode(const char16_t* pCode, FormatCode* pOut) {
  pOut->nLength = 0;
  pOut->nSections = 0;
  if (!pCode) return;
  size_t length = 0;
  while (length < kMaxFormatCodeUnits && pCode[length]) {
    pOut->szCode[length] = pCode[length];
    length++;
  }
  pOut->szCode[length] = 0;
  pOut->nLength = length;
  const char16_t* text = pOut->szCode;

  size_t start = 0;
  size_t pos = 0;
  while (pOut->nSections < kMaxSections) {
    bool bLast = false;
    while (pos < length) {
      char16_t unit = text[pos];
      if (size_t past = SkipLiteral(text, pos, length); past != pos) {
        pos = past;
      } else if (unit == u'[') {
        pos = BracketEnd(text, pos, length);
      } else if (unit == u';') {
        break;
      } else {
        pos++;
      }
    }
    if (pos >= length) {
      pos = length;
      bLast = true;
    }
    FormatSection& section = pOut->sections[pOut->nSections++];
    section.nStart = start;
    section.nEnd = pos;
    section.clColor = kFormatColorAuto;
    section.condOp = kCondNone;
    section.dCondValue = 0.0;
    section.bDate = section.bText = section.bGeneral = section.bPlaceholders = false;
    section.nSystemPattern = section.nCalendar = section.nDigitShape = 0;
    section.bJapaneseEra = false;
    ClassifySection(text, &section);
    if (bLast) break;
    pos++;  // the ';'
    start = pos;
  }
}

void TokenizeSection(const FormatCode& code, const FormatSection& section, TokenList* pOut) {
  pOut->nCount = 0;
  const char16_t* text = code.szCode;
  size_t pos = section.nStart;
  size_t end = section.nEnd;
  bool bPointSeen = false;
  bool bAfterSeconds = false;
  while (pos < end) {
    char16_t unit = text[pos];
    if (unit == u'"') {
      pos++;
      while (pos < end && text[pos] != u'"') AddToken(pOut, kTokLiteral, text[pos++]);
      pos++;
      continue;
    }
    if (unit == u'\\' || unit == u'_' || unit == u'*') {
      if (pos + 1 < end) {
        TokenKind kind = unit == u'\\' ? kTokLiteral : unit == u'_' ? kTokSpace : kTokFill;
        AddToken(pOut, kind, text[pos + 1]);
      }
      pos += 2;
      continue;
    }
    if (unit == u'[') {
      size_t next = BracketEnd(text, pos, end);
      size_t close = text[next - 1] == u']' ? next - 1 : next;
      BracketInfo info = ReadBracket(text, pos, close);
      if (info.kind == kBracketElapsed) {
        AddToken(pOut, info.elapsedKind, u'[', info.nLetters);
        bAfterSeconds = info.elapsedKind == kTokElapsedSecond;
      } else if (info.kind == kBracketLocale) {
        // [$USD-409]: the text between '$' and '-' is shown; the locale id is not used.
        size_t first = pos + 2;
        size_t last = first;
        while (last < close && text[last] != u'-') last++;
        if (last > first && pOut->nCount < static_cast<int>(kMaxFormatCodeUnits + 1)) {
          Token& token = pOut->tokens[pOut->nCount++];
          token.kind = kTokLiteralText;
          token.unit = 0;
          token.nLength = static_cast<uint16_t>(first);
          token.nCount = static_cast<uint16_t>(last - first);
        }
      }
      pos = next;
      continue;
    }
    if (section.bDate) {
      size_t used = AddDateToken(text, pos, end, pOut, &bAfterSeconds);
      if (used) {
        pos += used;
        continue;
      }
      AddToken(pOut, kTokLiteral, unit);
      pos++;
      continue;
    }
    pos += AddNumberToken(text, pos, end, pOut, &bPointSeen);
  }
}

int ChooseNumberSection(const FormatCode& code, double dValue, bool* pbMinus) {
  *pbMinus = false;
  int count = code.nSections < 3 ? code.nSections : 3;
  if (count <= 0) return -1;
  // A fourth section formats text only.
  const FormatSection* s = code.sections;
  bool bConditional = s[0].condOp != kCondNone || (count > 1 && s[1].condOp != kCondNone);
  if (bConditional) {
    int chosen = -1;
    if (ConditionHolds(s[0].condOp, dValue, s[0].dCondValue) && s[0].condOp != kCondNone) {
      chosen = 0;
    } else if (count >= 2 && s[1].condOp == kCondNone) {
      chosen = 1;
    } else if (count >= 2 && ConditionHolds(s[1].condOp, dValue, s[1].dCondValue)) {
      chosen = 1;
    } else if (count >= 3) {
      chosen = 2;
    } else if (count == 1) {
      return kSectionGeneral;  // a lone section whose condition fails: the General form
    }
    if (chosen < 0) return kNoSectionMatches;
    // A section written for negatives ([<0], [<=-1]) shows its own sign; every other section
    // chosen by a condition shows the value with its sign.
    const FormatSection& used = s[chosen];
    bool bOwnSign = (used.condOp == kCondLess || used.condOp == kCondLessEq) && used.dCondValue <= 0.0;
    *pbMinus = dValue < 0.0 && !bOwnSign;
    return chosen;
  }
  if (count == 1 || dValue > 0.0 || (dValue == 0.0 && count == 2)) {
    *pbMinus = dValue < 0.0;
    return 0;
  }
  if (dValue < 0.0) return 1;
  return 2;
}

int ChooseTextSection(const FormatCode& code) {
  if (code.nSections >= 4) return 3;
  if (code.nSections >= 1 && code.sections[code.nSections - 1].bText) return code.nSections - 1;
  return -1;
}

const char16_t* SystemPatternOf(const FormatSection& section) {
  if (section.nSystemPattern == 1) return u"dddd, mmmm d, yyyy";
  if (section.nSystemPattern == 2) return u"h:mm:ss AM/PM";
  return nullptr;
}

void PutCodeUnits(const FormatCode& code, const Token& token, TextSink* pSink) {
  size_t first = token.nLength;
  size_t count = token.nCount;
  if (first >= code.nLength) return;
  if (count > code.nLength - first) count = code.nLength - first;
  pSink->PutUnits(code.szCode + first, count);
}

}  // namespace fmt

CellFormatType DetectCellFormatType(const char16_t* pCode) {
  if (!pCode) return kCellFormatGeneral;
  size_t length = 0;
  while (length < kMaxFormatCodeUnits && pCode[length]) length++;
  if (length == 7 && fmt::MatchesWord(pCode, 0, length, "general")) return kCellFormatGeneral;
  size_t pos = 0;
  while (pos < length) {
    char16_t unit = pCode[pos];
    if (size_t past = fmt::SkipLiteral(pCode, pos, length); past != pos) {
      pos = past;
      continue;
    }
    if (unit == u'[') {
      size_t next = fmt::BracketEnd(pCode, pos, length);
      size_t close = pCode[next - 1] == u']' ? next - 1 : next;
      if (fmt::ReadBracket(pCode, pos, close).kind == fmt::kBracketElapsed) {
        return kCellFormatDateTime;
      }
      pos = next;
      continue;
    }
    if ((unit == u'G' || unit == u'g') && fmt::MatchesWord(pCode, pos, length, "general")) {
      return kCellFormatGeneral;
    }
    if (unit == u'E' || unit == u'e') {
      if (pos + 1 < length && (pCode[pos + 1] == u'+' || pCode[pos + 1] == u'-')) {
        return kCellFormatScientific;
      }
      return kCellFormatDateTime;
    }
    if (unit == u'%') return kCellFormatPercent;
    if (unit == u'/' && pos >= 1 && pos + 1 < length) {
      char16_t before = pCode[pos - 1];
      char16_t after = pCode[pos + 1];
      bool bBefore = before == u'#' || before == u'?' || (before >= u'0' && before <= u'9');
      bool bAfter = after == u'#' || after == u'?' || (after >= u'0' && after <= u'9');
      if (bBefore && bAfter) return kCellFormatFraction;
    }
    if (fmt::IsDateLetter(unit) || fmt::AmPmLength(pCode, pos, length)) {
      return kCellFormatDateTime;
    }
    pos++;
  }
  return kCellFormatNumber;
}

}  // namespace xlx
