#include "parser/xlsb/xlsbformula.h"

#include <charconv>
#include <cstring>
#include <cmath>
#include <vector>

#include "common/cellref.h"
#include "common/limits.h"
#include "common/resultcodes.h"
#include "parser/xlsb/xlsbrecords.h"

namespace xlx {

namespace {

// Binding strength of what an item on the stack was made by; a smaller value binds tighter.
enum Precedence : int32_t {
  kPrecAtom = 0, kPrecUnary = 1, kPrecPercent = 2, kPrecPower = 3, kPrecMultiply = 4, kPrecAdd = 5,
  kPrecConcat = 6, kPrecCompare = 7, kPrecOther = 8,
};

// Operands of a formula nest no deeper than this; a longer stack is a hostile token array.
constexpr size_t kMaxStack = 65536;
// Longest text of one operand (the application's formulas stay under 8,192 characters), and the
// text all operands of one formula may produce together: a bound on the work and the memory of a
// token array built to make every operator copy a long operand.
constexpr size_t kMaxFormulaUnits = 1 << 16;
constexpr size_t kMaxProducedUnits = 1 << 22;

struct Item {
  std::u16string text;
  int32_t precedence = kPrecAtom;
};

struct BinaryOperator {
  uint8_t token;
  const char16_t* text;
  int32_t precedence;
};

const BinaryOperator kBinaryOperators[] = {
    {0x03, u" + ", kPrecAdd},      {0x04, u" - ", kPrecAdd},       {0x05, u" * ", kPrecMultiply},
    {0x06, u" / ", kPrecMultiply}, {0x07, u"^", kPrecPower},       {0x08, u" & ", kPrecConcat},
    {0x09, u" < ", kPrecCompare},  {0x0A, u" <= ", kPrecCompare},  {0x0B, u" = ", kPrecCompare},
    {0x0C, u" >= ", kPrecCompare}, {0x0D, u" > ", kPrecCompare},   {0x0E, u" <> ", kPrecCompare},
    {0x0F, u" ", kPrecAtom},       {0x10, u", ", kPrecAtom},       {0x11, u":", kPrecAtom},
};

class Renderer {
 public:
  Renderer(const Workbook& workbook, const FormulaTokens& formula)
      : workbook_(workbook), formula_(formula), cursor_(formula.tokens, formula.length),
        extra_(formula.extra, formula.extra ? formula.extraLength : 0) {}

  int32_t Run(std::u16string* out);

 private:
  int32_t Token(uint8_t token);
  int32_t Push(std::u16string text, int32_t precedence = kPrecAtom);
  int32_t Binary(const BinaryOperator& op);
  int32_t Function(uint32_t index, int32_t count, bool macro);
  int32_t Attribute();
  int32_t Reference(uint8_t base);
  // A cell of a reference token: 1-based place and which parts are relative.
  struct CellPlace {
    int32_t row = 0, column = 0;
    bool rowRelative = false, columnRelative = false;
  };
  bool Resolve(uint32_t row, uint16_t columnWord, bool relativeForm, CellPlace* place) const;
  static std::u16string ColumnText(const CellPlace& place);
  static std::u16string RowText(const CellPlace& place);
  bool SheetPrefix(uint16_t xti, std::u16string* out);
  int32_t ExternalName();
  int32_t Array();

  const Workbook& workbook_;
  const FormulaTokens& formula_;
  RecordCursor cursor_;
  RecordCursor extra_;  // the extra data, taken in token order (arrays, memory areas)
  std::vector<Item> stack_;
  size_t produced_ = 0;  // units of text pushed so far
};

std::u16string Ascii(const char* text) { return std::u16string(text, text + strlen(text)); }

std::u16string NumberText(double value) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::u16string(buffer, result.ptr);
}

// A sheet name as a reference writes it: quoted unless it is letters, digits, "_" and "." that do
// not start with a digit.
std::u16string QuotedSheet(const std::u16string& name) {
  bool plain = !name.empty() && !(name[0] >= u'0' && name[0] <= u'9');
  for (char16_t c : name)
    if (!((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'.' ||
          c > 0x7F))
      plain = false;
  if (plain) return name;
  std::u16string quoted = u"'";
  for (char16_t c : name) {
    quoted += c;
    if (c == u'\'') quoted += c;
  }
  return quoted + u"'";
}

int32_t Renderer::Push(std::u16string text, int32_t precedence) {
  produced_ += text.size();
  if (stack_.size() >= kMaxStack || text.size() > kMaxFormulaUnits || produced_ > kMaxProducedUnits)
    return XLX_CORRUPT(XLX_ERR_FORMAT, "formula too large");
  stack_.push_back(Item{std::move(text), precedence});
  return XLX_OK;
}

int32_t Renderer::Binary(const BinaryOperator& op) {
  if (stack_.size() < 2) return XLX_ERR_ARGUMENT;
  Item right = std::move(stack_.back());
  stack_.pop_back();
  Item left = std::move(stack_.back());
  stack_.pop_back();
  // Left-associative: a right operand of equal binding is bracketed, a left one is not.
  std::u16string text = left.precedence > op.precedence ? u"(" + left.text + u")" : left.text;
  text += op.text;
  text += right.precedence >= op.precedence && right.precedence != kPrecAtom ? u"(" + right.text + u")" : right.text;
  return Push(std::move(text), op.precedence);
}

int32_t Renderer::Function(uint32_t index, int32_t count, bool macro) {
  if (count < 0 || size_t(count) > stack_.size()) return XLX_ERR_ARGUMENT;
  std::u16string name;
  size_t first = stack_.size() - size_t(count);
  if (!macro && index == 255) {
    // A function the table does not know: its name is the first operand (a defined name such as
    // "_xlfn.CONCAT" or an add-in function).
    if (count < 1) return XLX_ERR_ARGUMENT;
    name = stack_[first].text;
    ++first;
  } else {
    const char16_t* known = macro ? MacroFunctionName(index) : FunctionName(index);
    if (!known) return XLX_CORRUPT(XLX_ERR_FORMAT, "formula function without a name");
    name = known;
  }
  std::u16string text = name + u"(";
  for (size_t i = first; i < stack_.size(); ++i) {
    if (i > first) text += u",";
    text += stack_[i].text;
  }
  text += u")";
  stack_.resize(stack_.size() - size_t(count));
  return Push(std::move(text));
}

int32_t Renderer::Attribute() {
  uint8_t kind = cursor_.U8();
  if (kind & 0x04) {  // choose: a jump table of count + 1 offsets
    uint16_t count = cursor_.U16();
    cursor_.Skip(size_t(count) * 2 + 2);
  } else {
    cursor_.Skip(2);
  }
  if (!cursor_.Ok()) return XLX_CORRUPT(XLX_ERR_FORMAT, "formula attribute cut off");
  if (kind & 0x10) {  // a SUM of one argument
    if (stack_.empty()) return XLX_ERR_ARGUMENT;
    std::u16string text = u"SUM(" + stack_.back().text + u")";
    stack_.pop_back();
    return Push(std::move(text));
  }
  return XLX_OK;
}

bool Renderer::Resolve(uint32_t row, uint16_t columnWord, bool relativeForm, CellPlace* place) const {
  place->columnRelative = (columnWord & 0x4000) != 0;
  place->rowRelative = (columnWord & 0x8000) != 0;
  int64_t r = int64_t(row) + 1;
  int64_t c = int64_t(columnWord & 0x3FFF) + 1;
  if (relativeForm) {
    // Relative parts hold offsets from the formula's cell, wrapped to the sheet: a 20-bit signed
    // row and a 14-bit signed column.
    if (place->rowRelative) {
      int32_t offset = int32_t(row & 0xFFFFF);
      if (offset & 0x80000) offset -= 0x100000;
      r = int64_t(formula_.row) + offset;
    }
    if (place->columnRelative) {
      int32_t offset = columnWord & 0x3FFF;
      if (offset & 0x2000) offset -= 0x4000;
      c = int64_t(formula_.column) + offset;
    }
  }
  if (r < 1 || r > int64_t(kMaxRows) || c < 1 || c > int64_t(kMaxColumns)) return false;
  place->row = int32_t(r);
  place->column = int32_t(c);
  return true;
}

std::u16string Renderer::ColumnText(const CellPlace& place) {
  std::u16string text;
  if (!place.columnRelative) text += u'$';
  return text + ColumnLetterText(place.column);
}

std::u16string Renderer::RowText(const CellPlace& place) {
  std::u16string text;
  if (!place.rowRelative) text += u'$';
  return text + Ascii(std::to_string(place.row).c_str());
}

bool Renderer::SheetPrefix(uint16_t xti, std::u16string* out) {
  const BinaryBookTables& tables = workbook_.binaryTables;
  if (xti >= tables.externSheets.size()) return false;
  const ExternSheetEntry& entry = tables.externSheets[xti];
  if (entry.supportingLink < 0 || size_t(entry.supportingLink) >= tables.linkIsSelf.size() ||
      !tables.linkIsSelf[size_t(entry.supportingLink)])
    return false;  // another workbook: not rendered
  if (entry.firstSheet == -2) return true;  // the workbook itself, no sheet
  int32_t sheets = workbook_.sheetParts.Count();
  if (entry.firstSheet < 0 || entry.firstSheet >= sheets || entry.lastSheet < entry.firstSheet || entry.lastSheet >= sheets)
    return false;
  std::u16string name = workbook_.sheetParts[entry.firstSheet].name;
  if (entry.lastSheet != entry.firstSheet) name += u":" + workbook_.sheetParts[entry.lastSheet].name;
  *out += QuotedSheet(name) + u"!";
  return true;
}

int32_t Renderer::Reference(uint8_t base) {
  bool threeD = base >= 0x1A;
  uint16_t xti = threeD ? cursor_.U16() : 0;
  bool area = base == 0x05 || base == 0x0B || base == 0x0D || base == 0x1B || base == 0x1D;
  bool error = base == 0x0A || base == 0x0B || base == 0x1C || base == 0x1D;
  bool relativeForm = base == 0x0C || base == 0x0D;
  uint32_t row1 = cursor_.U32(), row2 = area ? cursor_.U32() : 0;
  uint16_t col1 = cursor_.U16(), col2 = area ? cursor_.U16() : 0;
  if (!cursor_.Ok()) return XLX_CORRUPT(XLX_ERR_FORMAT, "formula reference cut off");
  std::u16string text;
  if (threeD && !SheetPrefix(xti, &text)) return XLX_CORRUPT(XLX_ERR_FORMAT, "formula sheet reference resolves nowhere");
  if (error) return Push(text + u"#REF!");
  CellPlace first, second;
  if (!Resolve(row1, col1, relativeForm, &first) || (area && !Resolve(row2, col2, relativeForm, &second)))
    return XLX_CORRUPT(XLX_ERR_FORMAT, "formula reference outside the sheet");
  if (!area) return Push(text + ColumnText(first) + RowText(first));
  // Whole columns and whole rows are written without the part that spans the sheet ("A:B", "1:5").
  bool wholeColumns = first.row == 1 && second.row == int32_t(kMaxRows) && !first.rowRelative && !second.rowRelative;
  bool wholeRows =
      first.column == 1 && second.column == int32_t(kMaxColumns) && !first.columnRelative && !second.columnRelative;
  if (wholeColumns && !wholeRows) return Push(text + ColumnText(first) + u":" + ColumnText(second));
  if (wholeRows && !wholeColumns) return Push(text + RowText(first) + u":" + RowText(second));
  return Push(text + ColumnText(first) + RowText(first) + u":" + ColumnText(second) + RowText(second));
}

int32_t Renderer::Token(uint8_t token) {
  if (token & 0x60) {
    uint8_t base = token & 0x1F;
    switch (base) {
      case 0x01: {  // function with a fixed argument count
        uint16_t index = cursor_.U16();
        if (!cursor_.Ok()) return XLX_CORRUPT(XLX_ERR_FORMAT, "formula function cut off");
        return Function(index, FixedArgumentCount(index), false);
      }
      case 0x02: {  // function with its argument count
        uint8_t count = cursor_.U8();
        uint16_t index = cursor_.U16();
        if (!cursor_.Ok()) return XLX_CORRUPT(XLX_ERR_FORMAT, "formula function cut off");
        bool macro = (index & 0x8000) != 0;
        return Function(index & 0x7FFF, count, macro);
      }
      case 0x03: {  // defined name, counted from 1
        uint32_t index = cursor_.U32();
        const std::vector<std::u16string>& names = workbook_.binaryTables.names;
        if (!cursor_.Ok() || index < 1 || index > names.size()) return XLX_CORRUPT(XLX_ERR_FORMAT, "formula name resolves nowhere");
        return Push(names[index - 1]);
      }
      case 0x04: case 0x05: case 0x0A: case 0x0B: case 0x0C: case 0x0D:
      case 0x1A: case 0x1B: case 0x1C: case 0x1D:
        return Reference(base);
      case 0x06: {  // a memory area: its cached ranges are in the extra data, the operand follows
        cursor_.Skip(6);
        uint32_t ranges = extra_.U32();
        if (extra_.Ok() && ranges <= extra_.Remaining() / 16) extra_.Skip(size_t(ranges) * 16);
        else extra_.Fail();
        return cursor_.Ok() ? XLX_OK : XLX_CORRUPT(XLX_ERR_FORMAT, "formula memory token cut off");
      }
      case 0x07: case 0x08: case 0x09:  // other memory tokens: the operand follows as tokens
        cursor_.Skip(base == 0x09 ? 2 : 6);
        return cursor_.Ok() ? XLX_OK : XLX_CORRUPT(XLX_ERR_FORMAT, "formula memory token cut off");
      case 0x00:
        cursor_.Skip(14);
        return cursor_.Ok() ? Array() : XLX_CORRUPT(XLX_ERR_FORMAT, "formula array cut off");
      case 0x19:
        return ExternalName();
      default:  // unknown tokens are not rendered
        return XLX_CORRUPT(XLX_ERR_FORMAT, "formula token not rendered");
    }
  }
  for (const BinaryOperator& op : kBinaryOperators)
    if (op.token == token) return Binary(op);
  switch (token) {
    case 0x12: case 0x13: case 0x14: {  // unary plus, minus, percent
      if (stack_.empty()) return XLX_ERR_ARGUMENT;
      Item& item = stack_.back();
      bool wrap = item.precedence > (token == 0x14 ? kPrecPercent : kPrecUnary);
      std::u16string operand = wrap ? u"(" + item.text + u")" : item.text;
      std::u16string text = token == 0x12 ? u"+" + operand : token == 0x13 ? u"-" + operand : operand + u"%";
      stack_.pop_back();
      return Push(std::move(text), token == 0x14 ? kPrecPercent : kPrecUnary);
    }
    case 0x15: {  // parentheses
      if (stack_.empty()) return XLX_ERR_ARGUMENT;
      std::u16string text = u"(" + stack_.back().text + u")";
      stack_.pop_back();
      return Push(std::move(text));
    }
    case 0x16:
      return Push(std::u16string());
    case 0x17: {  // string: quotes inside are doubled so the text reads back as the same string
      std::u16string text = cursor_.ShortWideString();
      if (!cursor_.Ok()) return XLX_CORRUPT(XLX_ERR_FORMAT, "formula string cut off");
      std::u16string quoted = u"\"";
      for (char16_t c : text) {
        quoted += c;
        if (c == u'"') quoted += c;
      }
      return Push(quoted + u"\"");
    }
    case 0x19:
      return Attribute();
    case 0x1C: {
      const char16_t* text = ErrorText(cursor_.U8());
      if (!cursor_.Ok() || !text) return XLX_CORRUPT(XLX_ERR_FORMAT, "formula error token");
      return Push(text);
    }
    case 0x1D: {
      uint8_t value = cursor_.U8();
      if (!cursor_.Ok()) return XLX_CORRUPT(XLX_ERR_FORMAT, "formula boolean cut off");
      return Push(value ? u"TRUE" : u"FALSE");
    }
    case 0x1E: {
      uint16_t value = cursor_.U16();
      if (!cursor_.Ok()) return XLX_CORRUPT(XLX_ERR_FORMAT, "formula integer cut off");
      return Push(Ascii(std::to_string(value).c_str()));
    }
    case 0x1F: {
      double value = cursor_.F64();
      if (!cursor_.Ok() || !std::isfinite(value)) return XLX_CORRUPT(XLX_ERR_FORMAT, "formula number");
      return Push(NumberText(value));
    }
    default:  // shared-formula references, tables and unknown tokens
      return XLX_CORRUPT(XLX_ERR_FORMAT, "formula token not rendered");
  }
}

// A name through the extern-sheet table: a name of this workbook, written with its sheet when it
// belongs to one; names of other workbooks and add-ins are not rendered.
int32_t Renderer::ExternalName() {
  uint16_t xti = cursor_.U16();
  uint32_t index = cursor_.U32();
  const BinaryBookTables& tables = workbook_.binaryTables;
  std::u16string prefix;
  if (!cursor_.Ok() || !SheetPrefix(xti, &prefix) || index < 1 || index > tables.names.size())
    return XLX_CORRUPT(XLX_ERR_FORMAT, "formula external name resolves nowhere");
  int32_t sheet = index <= tables.nameSheets.size() ? tables.nameSheets[index - 1] : -1;
  std::u16string text;
  if (sheet >= 0 && sheet < workbook_.sheetParts.Count()) text = QuotedSheet(workbook_.sheetParts[sheet].name) + u"!";
  return Push(text + tables.names[index - 1]);
}

// An array constant from the extra data: its row and column counts, then each value with a kind
// byte (number, string, boolean, error); written {1,2;3,4}.
int32_t Renderer::Array() {
  uint32_t rows = extra_.U32(), columns = extra_.U32();
  if (!extra_.Ok() || rows == 0 || columns == 0 || uint64_t(rows) * columns > extra_.Remaining())
    return XLX_CORRUPT(XLX_ERR_FORMAT, "formula array past its data");
  std::u16string text = u"{";
  for (uint32_t r = 0; r < rows; ++r) {
    for (uint32_t c = 0; c < columns; ++c) {
      if (c > 0) text += u',';
      uint8_t kind = extra_.U8();
      if (kind == 0) {
        double value = extra_.F64();
        if (!std::isfinite(value)) return XLX_CORRUPT(XLX_ERR_FORMAT, "formula array number");
        text += NumberText(value);
      } else if (kind == 1) {
        text += u"\"" + extra_.ShortWideString() + u"\"";
      } else if (kind == 2) {
        text += extra_.U8() ? u"TRUE" : u"FALSE";
      } else if (kind == 4) {
        const char16_t* error = ErrorText(extra_.U8());
        if (!error) return XLX_CORRUPT(XLX_ERR_FORMAT, "formula array error");
        text += error;
      } else {
        return XLX_CORRUPT(XLX_ERR_FORMAT, "formula array value of unknown kind");
      }
      if (!extra_.Ok() || text.size() > kMaxFormulaUnits) return XLX_CORRUPT(XLX_ERR_FORMAT, "formula array past its data");
    }
    if (r + 1 < rows) text += u';';
  }
  return Push(text + u"}");
}

int32_t Renderer::Run(std::u16string* out) {
  while (cursor_.Remaining() > 0) {
    int32_t rc = Token(cursor_.U8());
    if (rc != XLX_OK) return rc;
  }
  if (!cursor_.Ok() || stack_.size() != 1) return XLX_CORRUPT(XLX_ERR_FORMAT, "formula tokens leave no single result");
  *out = std::move(stack_.back().text);
  return XLX_OK;
}

}  // namespace

std::u16string ColumnLetterText(int32_t column) {
  std::string letters = ColumnLetters(column);
  return std::u16string(letters.begin(), letters.end());
}

int32_t RenderFormulaTokens(const Workbook& workbook, const FormulaTokens& formula, std::u16string* out) {
  if (!out) return XLX_ERR_ARGUMENT;
  out->clear();
  if (!formula.tokens || formula.length == 0) return XLX_CORRUPT(XLX_ERR_FORMAT, "formula without tokens");
  try {
    Renderer renderer(workbook, formula);
    int32_t rc = renderer.Run(out);
    if (rc != XLX_OK) out->clear();
    return rc;
  } catch (const std::bad_alloc&) {
    out->clear();
    return XLX_ERR_MEMORY;
  }
}

bool IsSharedFormulaReference(const FormulaTokens& formula, int32_t* row, int32_t* column) {
  if (formula.length != 5 || formula.tokens[0] != 0x01 || formula.extraLength < 4) return false;
  RecordCursor tokens(formula.tokens + 1, 4), extra(formula.extra, formula.extraLength);
  uint32_t r = tokens.U32(), c = extra.U32();
  if (r >= kMaxRows || c >= kMaxColumns) return false;
  *row = int32_t(r) + 1;
  *column = int32_t(c) + 1;
  return true;
}

}  // namespace xlx
