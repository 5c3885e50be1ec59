// Scanner and precedence parser of formula text.
#include "common/limits.h"
#include "values/formula/parse.h"

#include "common/cellref.h"
#include "common/resultcodes.h"

#include <cmath>
#include <cstdlib>
#include <new>

namespace xlx {
namespace {

constexpr int32_t kMaxColumn = int32_t(kMaxColumns);
constexpr int32_t kMaxRow = int32_t(kMaxRows);

enum TokenKind : uint8_t {
  kTokEnd, kTokNumber, kTokString, kTokBool, kTokError, kTokRef, kTokName, kTokFunction,
  kTokOp, kTokOpen, kTokClose, kTokComma, kTokBraceOpen, kTokBraceClose, kTokSemicolon,
};

struct Token {
  uint8_t kind = kTokEnd;
  bool spaceBefore = false;
  FormulaOp op = kOpNone;
  double number = 0;
  bool boolean = false;
  ErrorID error = kErrorNone;
  std::u16string text;
  FormulaRef ref;
  int32_t rowAt[2] = {-1, -1};  // text offsets of the relative rows of ref.first and ref.last
};

bool IsWordUnit(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_' ||
         c == u'.' || c == u'\\' || c == u'$' || c == u'?' || c >= 0x80;
}
bool IsSpace(char16_t c) { return c == u' ' || c == u'\n' || c == u'\r' || c == u'\t' || c == 0xA0; }
char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; }
std::u16string UpperText(std::u16string s) {
  for (char16_t& c : s) c = Upper(c);
  return s;
}

// Column letters with an optional '$' ("$AB"); false when there are none or the column is too big.
bool ParseColumnPart(const char16_t* s, size_t n, RefEnd* end) {
  size_t i = 0;
  end->colAbs = i < n && s[i] == u'$';
  if (end->colAbs) ++i;
  int32_t col = 0, letters = 0;
  for (; i < n; ++i, ++letters) {
    char16_t c = Upper(s[i]);
    if (c < u'A' || c > u'Z' || letters >= 3) return false;
    col = col * 26 + (c - u'A' + 1);
  }
  if (letters == 0 || col > kMaxColumn) return false;
  end->col = col;
  return true;
}
bool ParseColumnPart(const std::u16string& s, RefEnd* end) { return ParseColumnPart(s.data(), s.size(), end); }

bool ParseRowPart(const char16_t* s, size_t n, RefEnd* end) {
  size_t i = 0;
  end->rowAbs = i < n && s[i] == u'$';
  if (end->rowAbs) ++i;
  int64_t row = 0;
  int32_t digits = 0;
  for (; i < n; ++i, ++digits) {
    if (s[i] < u'0' || s[i] > u'9' || digits >= 7) return false;
    row = row * 10 + (s[i] - u'0');
  }
  if (digits == 0 || row < 1 || row > kMaxRow) return false;
  end->row = int32_t(row);
  return true;
}
bool ParseRowPart(const std::u16string& s, RefEnd* end) { return ParseRowPart(s.data(), s.size(), end); }

class Scanner {
 public:
  explicit Scanner(const std::u16string& text) : s_(text) {}

  // The next token; false for text that cannot be a formula.
  bool Next(Token* t) {
    *t = Token();
    while (i_ < s_.size() && IsSpace(s_[i_])) ++i_, t->spaceBefore = true;
    while (i_ < s_.size() && s_[i_] == u'@') ++i_;  // implicit intersection marker: a cell gives one value anyway
    if (i_ >= s_.size()) return true;
    char16_t c = s_[i_];
    switch (c) {
      case u'"': return ReadString(t);
      case u'#': return ReadError(t);
      case u'(': ++i_; t->kind = kTokOpen; return true;
      case u')': ++i_; t->kind = kTokClose; return true;
      case u',': ++i_; t->kind = kTokComma; return true;
      case u'{': ++i_; t->kind = kTokBraceOpen; return true;
      case u'}': ++i_; t->kind = kTokBraceClose; return true;
      case u';': ++i_; t->kind = kTokSemicolon; return true;
      case u'\'': return ReadQuotedSheet(t);
      case u'[': return ReadExternal(t);
      default: break;
    }
    if (ReadOperator(t)) return true;
    if (c >= u'0' && c <= u'9') {
      // A sheet name may start with a digit ("1月!A1" in the text INDIRECT reads).
      size_t j = i_;
      while (j < s_.size() && IsWordUnit(s_[j])) ++j;
      if (j < s_.size() && s_[j] == u'!') return ReadWord(t);
    }
    if ((c >= u'0' && c <= u'9') || (c == u'.' && i_ + 1 < s_.size() && s_[i_ + 1] >= u'0' && s_[i_ + 1] <= u'9'))
      return ReadNumberOrRows(t);
    if (IsWordUnit(c)) return ReadWord(t);
    return false;
  }

 private:
  bool ReadOperator(Token* t) {
    char16_t c = s_[i_], d = i_ + 1 < s_.size() ? s_[i_ + 1] : 0;
    FormulaOp op = kOpNone;
    size_t len = 1;
    switch (c) {
      case u'+': op = kOpAdd; break;
      case u'-': op = kOpSubtract; break;
      case u'*': op = kOpMultiply; break;
      case u'/': op = kOpDivide; break;
      case u'^': op = kOpPower; break;
      case u'&': op = kOpConcat; break;
      case u'%': op = kOpPercent; break;
      case u':': op = kOpRange; break;
      case u'=': op = kOpEqual; break;
      case u'<': op = d == u'=' ? kOpLessEqual : d == u'>' ? kOpNotEqual : kOpLess; len = d == u'=' || d == u'>' ? 2 : 1; break;
      case u'>': op = d == u'=' ? kOpGreaterEqual : kOpGreater; len = d == u'=' ? 2 : 1; break;
      default: return false;
    }
    i_ += len;
    t->kind = kTokOp;
    t->op = op;
    return true;
  }

  bool ReadString(Token* t) {
    std::u16string out;
    for (++i_; i_ < s_.size(); ++i_) {
      if (s_[i_] == u'"') {
        if (i_ + 1 < s_.size() && s_[i_ + 1] == u'"') {
          out.push_back(u'"');
          ++i_;
          continue;
        }
        ++i_;
        t->kind = kTokString;
        t->text = std::move(out);
        return true;
      }
      out.push_back(s_[i_]);
    }
    return false;  // no closing quote
  }

  bool ReadError(Token* t) {
    static const char16_t* const kTexts[] = {u"#N/A", u"#VALUE!", u"#REF!", u"#DIV/0!", u"#NUM!", u"#NAME?", u"#NULL!"};
    for (int32_t e = 0; e < 7; ++e) {
      std::u16string want = kTexts[e];
      if (s_.size() - i_ >= want.size() && UpperText(s_.substr(i_, want.size())) == want) {
        i_ += want.size();
        t->kind = kTokError;
        t->error = ErrorID(e + 1);
        return true;
      }
    }
    return false;
  }

  bool ReadNumberOrRows(Token* t) {
    size_t start = i_;
    while (i_ < s_.size() && s_[i_] >= u'0' && s_[i_] <= u'9') ++i_;
    // "3:5" is a range of whole rows.
    if (i_ < s_.size() && s_[i_] == u':') {
      size_t mark = i_;
      std::u16string first = s_.substr(start, i_ - start), second;
      size_t j = i_ + 1;
      if (j < s_.size() && s_[j] == u'$') second.push_back(s_[j++]);
      while (j < s_.size() && s_[j] >= u'0' && s_[j] <= u'9') second.push_back(s_[j++]);
      FormulaRef ref;
      if (ParseRowPart(first, &ref.first) && ParseRowPart(second, &ref.last)) {
        i_ = j;
        return MakeRows(t, ref);
      }
      i_ = mark;
    }
    if (i_ < s_.size() && s_[i_] == u'.') {
      ++i_;
      while (i_ < s_.size() && s_[i_] >= u'0' && s_[i_] <= u'9') ++i_;
    }
    if (i_ < s_.size() && (s_[i_] == u'e' || s_[i_] == u'E')) {
      size_t j = i_ + 1;
      if (j < s_.size() && (s_[j] == u'+' || s_[j] == u'-')) ++j;
      if (j < s_.size() && s_[j] >= u'0' && s_[j] <= u'9') {
        i_ = j;
        while (i_ < s_.size() && s_[i_] >= u'0' && s_[i_] <= u'9') ++i_;
      }
    }
    std::string ascii;
    for (size_t k = start; k < i_; ++k) ascii.push_back(char(s_[k]));
    t->kind = kTokNumber;
    t->number = std::strtod(ascii.c_str(), nullptr);
    if (!std::isfinite(t->number)) return false;
    if (i_ < s_.size() && IsWordUnit(s_[i_]) && s_[i_] != u'.') return false;  // "1A"
    return true;
  }

  bool MakeRows(Token* t, FormulaRef ref) {
    ref.wholeRows = true;
    ref.first.col = 1, ref.last.col = kMaxColumn;
    ref.first.colAbs = ref.last.colAbs = true;
    t->kind = kTokRef;
    t->ref = std::move(ref);
    return true;
  }

  std::u16string Word() {
    size_t start = i_;
    while (i_ < s_.size() && IsWordUnit(s_[i_])) ++i_;
    return s_.substr(start, i_ - start);
  }

  bool ReadQuotedSheet(Token* t) {
    std::u16string name;
    for (++i_;; ++i_) {
      if (i_ >= s_.size()) return false;
      if (s_[i_] == u'\'') {
        if (i_ + 1 < s_.size() && s_[i_ + 1] == u'\'') {
          name.push_back(u'\'');
          ++i_;
          continue;
        }
        ++i_;
        break;
      }
      name.push_back(s_[i_]);
    }
    if (i_ >= s_.size() || s_[i_] != u'!' || name.empty()) return false;
    ++i_;
    bool external = !name.empty() && name[0] == u'[';
    return ReadAfterSheet(t, name, external);
  }

  bool ReadExternal(Token* t) {
    size_t close = s_.find(u']', i_);
    if (close == std::u16string::npos) return false;
    std::u16string book = s_.substr(i_, close + 1 - i_);
    i_ = close + 1;
    std::u16string sheet = Word();
    if (i_ < s_.size() && s_[i_] == u'!') {
      ++i_;
      return ReadAfterSheet(t, book + sheet, true);
    }
    // "[1]!Name": a name of another workbook.
    t->kind = kTokRef;
    t->ref.external = true;
    return !sheet.empty() || (i_ < s_.size() && s_[i_] == u'!' && (++i_, Word(), true));
  }

  // The reference (or name) after "Sheet!".
  bool ReadAfterSheet(Token* t, const std::u16string& sheet, bool external) {
    if (i_ < s_.size() && s_[i_] == u'#') {
      Token e;
      if (!ReadError(&e)) return false;
      *t = e;
      return true;
    }
    if (!ReadPlainRef(t)) {
      std::u16string word = Word();
      if (word.empty()) return false;
      t->kind = kTokName;  // a name of the sheet's scope
      t->text = word;
    }
    t->ref.sheetName = sheet;
    t->ref.hasSheet = true;
    t->ref.external = external;
    return true;
  }

  // "A1", "A1:B2", "A:C", "1:3" at the cursor; false (cursor kept) when there is none.
  bool ReadPlainRef(Token* t) {
    size_t mark = i_;
    if (i_ < s_.size() && (s_[i_] == u'$' || (s_[i_] >= u'0' && s_[i_] <= u'9'))) {
      // rows "1:3" or "$1:$3" after a sheet name
      std::u16string a, b;
      size_t j = i_;
      if (s_[j] == u'$') a.push_back(s_[j++]);
      while (j < s_.size() && s_[j] >= u'0' && s_[j] <= u'9') a.push_back(s_[j++]);
      if (j < s_.size() && s_[j] == u':' && a.size() > (a[0] == u'$' ? 1u : 0u)) {
        ++j;
        if (j < s_.size() && s_[j] == u'$') b.push_back(s_[j++]);
        while (j < s_.size() && s_[j] >= u'0' && s_[j] <= u'9') b.push_back(s_[j++]);
        FormulaRef ref;
        if (ParseRowPart(a, &ref.first) && ParseRowPart(b, &ref.last)) {
          i_ = j;
          return MakeRows(t, ref);
        }
      }
    }
    const size_t firstAt = i_;
    std::u16string word = Word();
    if (word.empty()) {
      i_ = mark;
      return false;
    }
    RefEnd first, last;
    bool cell = ParseCellReference(word, &first);
    bool column = !cell && ParseColumnPart(word, &first);
    if (!cell && !column) {
      i_ = mark;
      return false;
    }
    if (i_ < s_.size() && s_[i_] == u':') {
      size_t colon = i_++;
      const size_t secondAt = i_;
      std::u16string second = Word();
      if (cell && ParseCellReference(second, &last)) {
        t->kind = kTokRef;
        t->ref.first = first;
        t->ref.last = last;
        t->rowAt[0] = RowDigitsAt(firstAt, word, first);
        t->rowAt[1] = RowDigitsAt(secondAt, second, last);
        return true;
      }
      if (column && ParseColumnPart(second, &last)) {
        t->kind = kTokRef;
        t->ref.wholeColumns = true;
        first.row = 1, last.row = kMaxRow;
        first.rowAbs = last.rowAbs = true;
        t->ref.first = first;
        t->ref.last = last;
        return true;
      }
      i_ = colon;
    }
    if (!cell || (i_ < s_.size() && (s_[i_] == u'(' || s_[i_] == u'['))) {
      i_ = mark;
      return false;
    }
    t->kind = kTokRef;
    t->ref.first = t->ref.last = first;
    t->rowAt[0] = t->rowAt[1] = RowDigitsAt(firstAt, word, first);
    return true;
  }

  // Offset of the row digits of the cell reference `word` read at `at`; -1 for an absolute row.
  static int32_t RowDigitsAt(size_t at, const std::u16string& word, const RefEnd& end) {
    if (end.rowAbs) return -1;
    size_t n = word.size();
    while (n > 0 && word[n - 1] >= u'0' && word[n - 1] <= u'9') --n;
    return int32_t(at + n);
  }

  bool ReadWord(Token* t) {
    size_t mark = i_;
    std::u16string word = Word();
    if (i_ < s_.size() && s_[i_] == u'!') {
      ++i_;
      return ReadAfterSheet(t, word, false);
    }
    if (i_ < s_.size() && s_[i_] == u'(') {
      ++i_;
      t->kind = kTokFunction;
      t->text = FunctionName(word);
      return true;
    }
    if (i_ < s_.size() && s_[i_] == u'[') return false;  // structured table reference
    if (i_ < s_.size() && s_[i_] == u':') {
      // "Sheet1:Sheet3!A1" is a 3-D reference, which is not computed.
      size_t j = i_ + 1;
      while (j < s_.size() && IsWordUnit(s_[j])) ++j;
      if (j < s_.size() && s_[j] == u'!') return false;
    }
    i_ = mark;
    if (ReadPlainRef(t)) return true;
    i_ = mark;
    word = Word();
    std::u16string upper = UpperText(word);
    if (upper == u"TRUE" || upper == u"FALSE") {
      t->kind = kTokBool;
      t->boolean = upper == u"TRUE";
      return true;
    }
    // A name starts with a letter, an underscore or a backslash.
    const char16_t first = word.empty() ? 0 : word[0];
    if (!((first >= u'A' && first <= u'Z') || (first >= u'a' && first <= u'z') || first == u'_' || first == u'\\' ||
          first >= 0x80))
      return false;
    t->kind = kTokName;
    t->text = word;
    return true;
  }

  static std::u16string FunctionName(const std::u16string& word) {
    std::u16string name = UpperText(word);
    for (const char16_t* prefix : {u"_XLFN.", u"_XLWS.", u"_XLUDF."}) {
      std::u16string p = prefix;
      while (name.compare(0, p.size(), p) == 0) name.erase(0, p.size());
    }
    return name;
  }

  const std::u16string& s_;
  size_t i_ = 0;
};

class Parser {
 public:
  Parser(const std::u16string& text, FunctionLookupFn lookup, CompiledFormula* out)
      : scan_(text), lookup_(lookup), out_(out) {}

  int32_t Run() {
    out_->nodes.reserve(16);
    if (!Advance()) return XLX_ERR_ARGUMENT;
    int32_t root = -1;
    if (!ParseComparison(&root)) return XLX_ERR_ARGUMENT;
    if (tok_.kind != kTokEnd) return XLX_ERR_ARGUMENT;
    out_->root = root;
    return XLX_OK;
  }

 private:
  bool Advance() { return scan_.Next(&tok_); }

  int32_t Add(FormulaNode node) {
    out_->nodes.push_back(std::move(node));
    return int32_t(out_->nodes.size() - 1);
  }
  int32_t AddBinary(FormulaOp op, int32_t left, int32_t right) {
    FormulaNode n;
    n.kind = kNodeBinary;
    n.op = op;
    n.kids = {left, right};
    return Add(std::move(n));
  }

  bool IsOp(FormulaOp op) const { return tok_.kind == kTokOp && tok_.op == op; }

  bool ParseComparison(int32_t* node) {
    if (!ParseConcat(node)) return false;
    while (tok_.kind == kTokOp && tok_.op >= kOpEqual && tok_.op <= kOpNotEqual) {
      FormulaOp op = tok_.op;
      int32_t right;
      if (!Advance() || !ParseConcat(&right)) return false;
      *node = AddBinary(op, *node, right);
    }
    return true;
  }
  bool ParseConcat(int32_t* node) {
    if (!ParseAdditive(node)) return false;
    while (IsOp(kOpConcat)) {
      int32_t right;
      if (!Advance() || !ParseAdditive(&right)) return false;
      *node = AddBinary(kOpConcat, *node, right);
    }
    return true;
  }
  bool ParseAdditive(int32_t* node) {
    if (!ParseMultiplicative(node)) return false;
    while (IsOp(kOpAdd) || IsOp(kOpSubtract)) {
      FormulaOp op = tok_.op;
      int32_t right;
      if (!Advance() || !ParseMultiplicative(&right)) return false;
      *node = AddBinary(op, *node, right);
    }
    return true;
  }
  bool ParseMultiplicative(int32_t* node) {
    if (!ParsePower(node)) return false;
    while (IsOp(kOpMultiply) || IsOp(kOpDivide)) {
      FormulaOp op = tok_.op;
      int32_t right;
      if (!Advance() || !ParsePower(&right)) return false;
      *node = AddBinary(op, *node, right);
    }
    return true;
  }
  // '^' associates to the left, as the application computes 2^3^2 as 64.
  bool ParsePower(int32_t* node) {
    if (!ParsePercent(node)) return false;
    while (IsOp(kOpPower)) {
      int32_t right;
      if (!Advance() || !ParsePercent(&right)) return false;
      *node = AddBinary(kOpPower, *node, right);
    }
    return true;
  }
  bool ParsePercent(int32_t* node) {
    if (!ParseUnary(node)) return false;
    while (IsOp(kOpPercent)) {
      FormulaNode n;
      n.kind = kNodeUnary;
      n.op = kOpPercent;
      n.kids = {*node};
      *node = Add(std::move(n));
      if (!Advance()) return false;
    }
    return true;
  }
  bool ParseUnary(int32_t* node) {
    if (IsOp(kOpSubtract) || IsOp(kOpAdd)) {
      FormulaOp op = tok_.op == kOpSubtract ? kOpNegate : kOpPlus;
      if (++depth_ > kMaxFormulaNesting * 4) return false;
      int32_t operand;
      if (!Advance() || !ParseUnary(&operand)) return false;
      --depth_;
      FormulaNode n;
      n.kind = kNodeUnary;
      n.op = op;
      n.kids = {operand};
      *node = Add(std::move(n));
      return true;
    }
    return ParseIntersection(node);
  }
  bool StartsOperand() const {
    return tok_.kind == kTokRef || tok_.kind == kTokName || tok_.kind == kTokFunction || tok_.kind == kTokOpen;
  }
  bool ParseIntersection(int32_t* node) {
    if (!ParseRange(node)) return false;
    while (tok_.spaceBefore && StartsOperand()) {
      int32_t right;
      if (!ParseRange(&right)) return false;
      *node = AddBinary(kOpIntersect, *node, right);
    }
    return true;
  }
  bool ParseRange(int32_t* node) {
    if (!ParsePrimary(node)) return false;
    while (IsOp(kOpRange)) {
      int32_t right;
      if (!Advance() || !ParsePrimary(&right)) return false;
      *node = AddBinary(kOpRange, *node, right);
    }
    return true;
  }

  bool ParsePrimary(int32_t* node) {
    FormulaNode n;
    switch (tok_.kind) {
      case kTokNumber: n.value = MakeNumber(tok_.number); break;
      case kTokString: n.value = MakeString(tok_.text); break;
      case kTokBool: n.value = MakeBoolean(tok_.boolean); break;
      case kTokError: n.value = MakeError(tok_.error); break;
      case kTokRef:
        n.kind = kNodeRef;
        n.ref = tok_.ref;
        for (int32_t e = 0; e < 2; ++e)
          if (tok_.rowAt[e] >= 0)
            out_->rowSites.push_back(RelativeRowSite{uint32_t(tok_.rowAt[e]), int32_t(out_->nodes.size()), e == 1});
        break;
      case kTokName:
        n.kind = kNodeName;
        n.text = tok_.text;
        n.ref = tok_.ref;
        break;
      case kTokOpen: return ParseGroup(node);
      case kTokFunction: return ParseCall(node);
      case kTokBraceOpen: return ParseArray(node);
      default: return false;
    }
    *node = Add(std::move(n));
    return Advance();
  }

  bool ParseGroup(int32_t* node) {
    if (++depth_ > kMaxFormulaNesting) return false;
    if (!Advance() || !ParseComparison(node)) return false;
    if (tok_.kind != kTokClose) return false;  // a union "(A1,B1)" is not computed
    --depth_;
    return Advance();
  }

  bool ParseCall(int32_t* node) {
    if (++depth_ > kMaxFormulaNesting) return false;
    FormulaNode n;
    n.kind = kNodeFunction;
    n.text = tok_.text;
    n.functionId = lookup_ ? lookup_(n.text) : -1;
    if (!Advance()) return false;
    if (tok_.kind == kTokClose) {
      --depth_;
      *node = Add(std::move(n));
      return Advance();
    }
    for (;;) {
      int32_t arg;
      if (tok_.kind == kTokComma || tok_.kind == kTokClose) {
        FormulaNode missing;
        missing.kind = kNodeMissing;
        arg = Add(std::move(missing));
      } else if (!ParseComparison(&arg)) {
        return false;
      }
      n.kids.push_back(arg);
      if (int32_t(n.kids.size()) > kMaxFunctionArgs) return false;
      if (tok_.kind == kTokClose) break;
      if (tok_.kind != kTokComma || !Advance()) return false;
    }
    --depth_;
    *node = Add(std::move(n));
    return Advance();
  }

  bool ParseArrayItem(ExcelValue* v) {
    bool negative = false;
    while (IsOp(kOpSubtract) || IsOp(kOpAdd)) {
      negative ^= tok_.op == kOpSubtract;
      if (!Advance()) return false;
    }
    switch (tok_.kind) {
      case kTokNumber: *v = MakeNumber(negative ? -tok_.number : tok_.number); break;
      case kTokString: *v = MakeString(tok_.text); break;
      case kTokBool: *v = MakeBoolean(tok_.boolean); break;
      case kTokError: *v = MakeError(tok_.error); break;
      default: return false;
    }
    if (negative && tok_.kind != kTokNumber) return false;
    return Advance();
  }

  bool ParseArray(int32_t* node) {
    auto array = std::make_shared<ValueArray>();
    int32_t cols = -1, inRow = 0;
    if (!Advance()) return false;
    for (;;) {
      ExcelValue v;
      if (!ParseArrayItem(&v)) return false;
      if (array->items.size() >= 65536) return false;
      array->items.push_back(std::move(v));
      ++inRow;
      if (tok_.kind == kTokComma) {
        if (!Advance()) return false;
        continue;
      }
      if (tok_.kind != kTokSemicolon && tok_.kind != kTokBraceClose) return false;
      if (cols >= 0 && inRow != cols) return false;
      cols = inRow;
      inRow = 0;
      ++array->rows;
      if (tok_.kind == kTokBraceClose) break;
      if (!Advance()) return false;
    }
    array->cols = cols;
    FormulaNode n;
    n.kind = kNodeArray;
    n.value = MakeArray(std::move(array));
    *node = Add(std::move(n));
    return Advance();
  }

  Scanner scan_;
  FunctionLookupFn lookup_;
  CompiledFormula* out_;
  Token tok_;
  int32_t depth_ = 0;
};

}  // namespace

bool ParseCellReference(const std::u16string& text, RefEnd* out) {
  CellRef ref;
  if (!ParseCellRef(std::u16string_view(text), &ref)) return false;
  out->row = ref.row;
  out->col = ref.column;
  out->rowAbs = ref.rowAbsolute;
  out->colAbs = ref.columnAbsolute;
  return true;
}

int32_t CompileFormula(const std::u16string& text, FunctionLookupFn lookupFunction, CompiledFormula* out) {
  if (!out) return XLX_ERR_ARGUMENT;
  *out = CompiledFormula();
  if (text.size() > kMaxFormulaUnits) return XLX_ERR_ARGUMENT;
  std::u16string body = !text.empty() && text[0] == u'=' ? text.substr(1) : text;
  try {
    Parser parser(body, lookupFunction, out);
    int32_t rc = parser.Run();
    if (rc != XLX_OK) *out = CompiledFormula();
    return rc;
  } catch (const std::bad_alloc&) {
    *out = CompiledFormula();
    return XLX_ERR_MEMORY;
  }
}

}  // namespace xlx
