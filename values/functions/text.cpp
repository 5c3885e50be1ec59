// Text functions. Lengths and positions count UTF-16 units, as the application does; TEXT, FIXED
// and DOLLAR format through the number formatter the cells use.
#include <algorithm>
#include <cmath>

#include "values/formula/engine.h"
#include "values/functions/support.h"
#include "values/format/numformat.h"

namespace xlx {
namespace {

ExcelValue Text(std::u16string s) {
  if (s.size() > kMaxTextUnits) return MakeError(kErrorValue);
  return MakeString(std::move(s));
}

bool Count(FunctionCall& c, size_t i, int64_t fallback, int64_t* out) {
  if (!c.IntegerOr(i, fallback, out)) return false;
  if (*out < 0) return c.SetError(kErrorValue);
  return true;
}

ExcelValue FnLen(FunctionCall& c) {
  TEXT_ARG(c, 0, s);
  return MakeNumber(double(s.size()));
}

ExcelValue FnLeft(FunctionCall& c) {
  TEXT_ARG(c, 0, s);
  int64_t n = 1;
  if (!Count(c, 1, 1, &n)) return c.Fail();
  return MakeString(s.substr(0, size_t(std::min<int64_t>(n, int64_t(s.size())))));
}

ExcelValue FnRight(FunctionCall& c) {
  TEXT_ARG(c, 0, s);
  int64_t n = 1;
  if (!Count(c, 1, 1, &n)) return c.Fail();
  size_t k = size_t(std::min<int64_t>(n, int64_t(s.size())));
  return MakeString(s.substr(s.size() - k));
}

ExcelValue FnMid(FunctionCall& c) {
  TEXT_ARG(c, 0, s);
  int64_t start = 0, n = 0;
  if (!c.Integer(1, &start) || !Count(c, 2, 0, &n)) return c.Fail();
  if (start < 1) return MakeError(kErrorValue);
  if (size_t(start) > s.size()) return MakeString(u"");
  return MakeString(s.substr(size_t(start - 1), size_t(std::min<int64_t>(n, int64_t(s.size())))));
}

ExcelValue FnUpper(FunctionCall& c) {
  TEXT_ARG(c, 0, s);
  return MakeString(FoldText(s));
}

char16_t Lower(char16_t ch) {
  if (ch >= u'A' && ch <= u'Z') return char16_t(ch + 32);
  if (ch < 0x80) return ch;
  if (ch >= 0xC0 && ch <= 0xDE && ch != 0xD7) return char16_t(ch + 32);
  if (ch >= 0x391 && ch <= 0x3A9) return char16_t(ch + 32);
  if (ch >= 0x410 && ch <= 0x42F) return char16_t(ch + 32);
  if (ch >= 0x400 && ch <= 0x40F) return char16_t(ch + 80);
  if (ch >= 0x100 && ch <= 0x17F && !(ch & 1)) return char16_t(ch + 1);
  return ch;
}
bool IsLetter(char16_t ch) { return FoldCase(ch) != Lower(ch) || (ch >= 0xDF && ch <= 0xFF && ch != 0xF7); }

ExcelValue FnLower(FunctionCall& c) {
  TEXT_ARG(c, 0, s);
  for (char16_t& ch : s) ch = Lower(ch);
  return MakeString(s);
}

ExcelValue FnProper(FunctionCall& c) {
  TEXT_ARG(c, 0, s);
  bool after = false;
  for (char16_t& ch : s) {
    ch = after ? Lower(ch) : FoldCase(ch);
    after = IsLetter(ch);
  }
  return MakeString(s);
}

ExcelValue FnTrim(FunctionCall& c) {
  TEXT_ARG(c, 0, s);
  std::u16string out;
  for (char16_t ch : s) {
    if (ch == u' ' && (out.empty() || out.back() == u' ')) continue;
    out.push_back(ch);
  }
  if (!out.empty() && out.back() == u' ') out.pop_back();
  return MakeString(out);
}

ExcelValue FnClean(FunctionCall& c) {
  TEXT_ARG(c, 0, s);
  std::u16string out;
  for (char16_t ch : s)
    if (ch >= 32) out.push_back(ch);
  return MakeString(out);
}

ExcelValue FnSubstitute(FunctionCall& c) {
  TEXT_ARG(c, 0, s);
  TEXT_ARG(c, 1, from);
  TEXT_ARG(c, 2, to);
  int64_t which = 0;
  if (!c.Missing(3)) {
    if (!c.Integer(3, &which)) return c.Fail();
    if (which < 1) return MakeError(kErrorValue);
  }
  if (from.empty()) return MakeString(s);
  std::u16string out;
  size_t pos = 0;
  int64_t seen = 0;
  for (;;) {
    size_t hit = s.find(from, pos);
    if (hit == std::u16string::npos) break;
    ++seen;
    const std::u16string& put = which == 0 || seen == which ? to : from;
    if (out.size() + (hit - pos) + put.size() > kMaxTextUnits) return MakeError(kErrorValue);
    out.append(s, pos, hit - pos);
    out += put;
    pos = hit + from.size();
  }
  if (out.size() + (s.size() - pos) > kMaxTextUnits) return MakeError(kErrorValue);
  out.append(s, pos, std::u16string::npos);
  return Text(out);
}

ExcelValue FnReplace(FunctionCall& c) {
  TEXT_ARG(c, 0, s);
  int64_t start = 0, n = 0;
  if (!c.Integer(1, &start) || !Count(c, 2, 0, &n)) return c.Fail();
  TEXT_ARG(c, 3, with);
  if (start < 1) return MakeError(kErrorValue);
  size_t from = size_t(std::min<int64_t>(start - 1, int64_t(s.size())));
  size_t len = size_t(std::min<int64_t>(n, int64_t(s.size() - from)));
  return Text(s.substr(0, from) + with + s.substr(from + len));
}

ExcelValue FnRept(FunctionCall& c) {
  TEXT_ARG(c, 0, s);
  int64_t n = 0;
  if (!Count(c, 1, 0, &n)) return c.Fail();
  if (n > int64_t(kMaxTextUnits) || s.size() * size_t(n) > kMaxTextUnits) return MakeError(kErrorValue);
  if (s.empty()) return MakeString(u"");
  std::u16string out;
  for (int64_t i = 0; i < n; ++i) out += s;
  return MakeString(out);
}

ExcelValue Find(FunctionCall& c, bool search) {
  TEXT_ARG(c, 0, what);
  TEXT_ARG(c, 1, within);
  int64_t start = 1;
  if (!c.IntegerOr(2, 1, &start)) return c.Fail();
  if (start < 1 || size_t(start) > within.size() + 1) return MakeError(kErrorValue);
  if (!search) {
    size_t hit = within.find(what, size_t(start - 1));
    return hit == std::u16string::npos ? MakeError(kErrorValue) : MakeNumber(double(hit + 1));
  }
  std::u16string pattern = FoldText(what) + u"*", text = FoldText(within);
  if (!HasWildcard(FoldText(what))) {
    size_t hit = text.find(FoldText(what), size_t(start - 1));
    return hit == std::u16string::npos ? MakeError(kErrorValue) : MakeNumber(double(hit + 1));
  }
  for (size_t pos = size_t(start - 1); pos <= text.size() && pos < 4096; ++pos)
    if (WildcardMatch(pattern, text.substr(pos))) return MakeNumber(double(pos + 1));
  return MakeError(kErrorValue);
}
ExcelValue FnFind(FunctionCall& c) { return Find(c, false); }
ExcelValue FnSearch(FunctionCall& c) { return Find(c, true); }

ExcelValue FnExact(FunctionCall& c) {
  TEXT_ARG(c, 0, a);
  TEXT_ARG(c, 1, b);
  return MakeBoolean(a == b);
}

ExcelValue FnConcatenate(FunctionCall& c) {
  std::u16string out;
  for (size_t i = 0; i < c.Count(); ++i) {
    TEXT_ARG(c, i, s);
    if (out.size() + s.size() > kMaxTextUnits) return MakeError(kErrorValue);
    out += s;
  }
  return MakeString(out);
}

// CONCAT and TEXTJOIN read every cell of a reference.
ExcelValue Join(FunctionCall& c, size_t first, const std::u16string& separator, bool skipEmpty) {
  std::u16string out;
  bool any = false;
  ExcelValue failure;
  for (size_t i = first; i < c.Count() && failure.type != kValueError; ++i) {
    auto add = [&](const ExcelValue& v) {
      std::u16string s;
      ErrorID e = kErrorValue;
      if (!CoerceToText(v, &s, &e)) {
        failure = MakeError(e);
        return false;
      }
      if (skipEmpty && s.empty()) return true;
      if (out.size() + (any ? separator.size() : 0) + s.size() > kMaxTextUnits) {
        failure = MakeError(kErrorValue);
        return false;
      }
      if (any) out += separator;
      out += s;
      any = true;
      return true;
    };
    if (c.IsRef(i)) {
      // Every cell, empty ones included (TEXTJOIN without skipping keeps their separators).
      auto a = c.Array(i);
      if (!a) return c.Fail();
      for (const ExcelValue& v : a->items)
        if (!add(v)) break;
    } else if (c.Raw(i).type == kValueArray) {
      for (const ExcelValue& v : c.Raw(i).array->items)
        if (!add(v)) break;
    } else if (!c.Missing(i) || !skipEmpty) {
      add(c.Arg(i));
    }
  }
  if (failure.type == kValueError) return failure;
  return Text(out);
}
ExcelValue FnConcat(FunctionCall& c) { return Join(c, 0, u"", false); }
ExcelValue FnTextJoin(FunctionCall& c) {
  TEXT_ARG(c, 0, separator);
  bool skip = true;
  if (!c.Boolean(1, &skip)) return c.Fail();
  return Join(c, 2, separator, skip);
}

std::u16string Format(FormulaEngine* engine, double value, const std::u16string& code) {
  char16_t buffer[512];
  FormatWorkbookNumber(value, code.c_str(), engine->date1904(), buffer, 512);
  return buffer;
}

// TEXT goes through the cell formatter: a number shows what a cell of the workbook with that code
// shows; a text that reads as no number, and a logical value as TRUE / FALSE, go through the
// code's text section.
ExcelValue FnText(FunctionCall& c) {
  ExcelValue v = c.Arg(0);
  TEXT_ARG(c, 1, code);
  if (v.type == kValueError) return v;
  char16_t buffer[512];
  double d = 0;
  ErrorID e = kErrorValue;
  if (v.type == kValueBoolean || (v.type == kValueString && !TextToValue(v.strVal, c.engine->date1904(), &d))) {
    FormatTextValue(v.type == kValueBoolean ? (v.bVal ? u"TRUE" : u"FALSE") : v.strVal.c_str(), code.c_str(), buffer,
                    512);
    return MakeString(buffer);
  }
  if (!CoerceToNumber(v, c.engine->date1904(), &d, &e)) return MakeError(e);
  FormatWorkbookNumber(d, code.c_str(), c.engine->date1904(), buffer, 512);
  return MakeString(buffer);
}

ExcelValue FnValue(FunctionCall& c) {
  ExcelValue v = c.Arg(0);
  if (v.type == kValueError || v.type == kValueNumber) return v;
  if (v.type == kValueEmpty) return MakeNumber(0);
  if (v.type == kValueBoolean) return MakeError(kErrorValue);
  double d = 0;
  if (!TextToValue(v.strVal, c.engine->date1904(), &d)) return MakeError(kErrorValue);
  return MakeNumber(d);
}

ExcelValue FnNumberValue(FunctionCall& c) {
  TEXT_ARG(c, 0, s);
  std::u16string decimal = u".", group = u",";
  if (!c.Missing(1) && !c.Text(1, &decimal)) return c.Fail();
  if (!c.Missing(2) && !c.Text(2, &group)) return c.Fail();
  std::u16string plain;
  for (char16_t ch : s) {
    if (!group.empty() && ch == group[0]) continue;
    if (ch == u' ') continue;
    plain.push_back(!decimal.empty() && ch == decimal[0] ? u'.' : ch);
  }
  double d = 0;
  if (plain.empty()) return MakeNumber(0);
  if (!TextToValue(plain, false, &d)) return MakeError(kErrorValue);
  return MakeNumber(d);
}

std::u16string DecimalsCode(int64_t decimals, bool grouping) {
  std::u16string code = grouping ? u"#,##0" : u"0";
  if (decimals > 0) code += u"." + std::u16string(size_t(std::min<int64_t>(decimals, 127)), u'0');
  return code;
}

double RoundDecimals(double x, int64_t decimals) {
  double scale = std::pow(10.0, double(std::clamp<int64_t>(decimals, -300, 300)));
  return std::round(RoundTo15Digits(x * scale)) / scale;
}

ExcelValue FnFixed(FunctionCall& c) {
  NUMBER_ARG(c, 0, x);
  int64_t decimals = 2;
  bool noCommas = false;
  if (!c.IntegerOr(1, 2, &decimals) || !c.BooleanOr(2, false, &noCommas)) return c.Fail();
  if (decimals > 127) return MakeError(kErrorValue);
  x = RoundDecimals(x, decimals);
  return MakeString(Format(c.engine, x, DecimalsCode(decimals, !noCommas)));
}

ExcelValue FnDollar(FunctionCall& c) {
  NUMBER_ARG(c, 0, x);
  int64_t decimals = 2;
  if (!c.IntegerOr(1, 2, &decimals)) return c.Fail();
  if (decimals > 127) return MakeError(kErrorValue);
  x = RoundDecimals(x, decimals);
  std::u16string body = u"$" + DecimalsCode(decimals, true);
  return MakeString(Format(c.engine, x, body + u";(" + body + u")"));
}

// Code page 1252 for CHAR and CODE: 0x80..0x9F map to these characters (0 where unassigned).
const char16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

ExcelValue FnChar(FunctionCall& c) {
  NUMBER_ARG(c, 0, x);
  int64_t n = int64_t(x);
  if (n < 1 || n > 255) return MakeError(kErrorValue);
  char16_t ch = n >= 0x80 && n < 0xA0 ? kCp1252High[n - 0x80] : char16_t(n);
  if (!ch) ch = char16_t(n);
  return MakeString(std::u16string(1, ch));
}

ExcelValue FnCode(FunctionCall& c) {
  TEXT_ARG(c, 0, s);
  if (s.empty()) return MakeError(kErrorValue);
  char16_t ch = s[0];
  if (ch < 0x100) return MakeNumber(ch);
  for (int32_t i = 0; i < 32; ++i)
    if (kCp1252High[i] == ch) return MakeNumber(0x80 + i);
  return MakeNumber(63);  // '?', as a character outside the code page reads
}

ExcelValue FnUnichar(FunctionCall& c) {
  NUMBER_ARG(c, 0, x);
  int64_t n = int64_t(x);
  if (n < 1 || n > 0x10FFFF || (n >= 0xD800 && n <= 0xDFFF)) return MakeError(kErrorValue);
  std::u16string s;
  if (n < 0x10000) {
    s.push_back(char16_t(n));
  } else {
    n -= 0x10000;
    s.push_back(char16_t(0xD800 + (n >> 10)));
    s.push_back(char16_t(0xDC00 + (n & 0x3FF)));
  }
  return MakeString(s);
}

ExcelValue FnUnicode(FunctionCall& c) {
  TEXT_ARG(c, 0, s);
  if (s.empty()) return MakeError(kErrorValue);
  if (s[0] >= 0xD800 && s[0] <= 0xDBFF && s.size() > 1 && s[1] >= 0xDC00 && s[1] <= 0xDFFF)
    return MakeNumber(0x10000 + ((s[0] - 0xD800) << 10) + (s[1] - 0xDC00));
  return MakeNumber(s[0]);
}

const FunctionSpec kSpecs[] = {
    {"LEN", 1, 1, FnLen, 0},
    {"LEFT", 1, 2, FnLeft, 0},
    {"RIGHT", 1, 2, FnRight, 0},
    {"MID", 3, 3, FnMid, 0},
    {"UPPER", 1, 1, FnUpper, 0},
    {"LOWER", 1, 1, FnLower, 0},
    {"PROPER", 1, 1, FnProper, 0},
    {"TRIM", 1, 1, FnTrim, 0},
    {"CLEAN", 1, 1, FnClean, 0},
    {"SUBSTITUTE", 3, 4, FnSubstitute, 0},
    {"REPLACE", 4, 4, FnReplace, 0},
    {"REPT", 2, 2, FnRept, 0},
    {"FIND", 2, 3, FnFind, 0},
    {"SEARCH", 2, 3, FnSearch, 0},
    {"EXACT", 2, 2, FnExact, 0},
    {"CONCATENATE", 1, 255, FnConcatenate, 0},
    {"CONCAT", 1, 254, FnConcat, 0},
    {"TEXTJOIN", 3, 252, FnTextJoin, 0},
    {"TEXT", 2, 2, FnText, 0},
    {"VALUE", 1, 1, FnValue, 0},
    {"NUMBERVALUE", 1, 3, FnNumberValue, 0},
    {"FIXED", 1, 3, FnFixed, 0},
    {"DOLLAR", 1, 2, FnDollar, 0},
    {"CHAR", 1, 1, FnChar, 0},
    {"CODE", 1, 1, FnCode, 0},
    {"UNICHAR", 1, 1, FnUnichar, 0},
    {"UNICODE", 1, 1, FnUnicode, 0},
};

}  // namespace

FunctionFamily TextFunctions() { return {kSpecs, sizeof kSpecs / sizeof kSpecs[0]}; }

}  // namespace xlx
