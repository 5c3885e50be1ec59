// Formula text to a compiled tree. The scanner splits the text into tokens (numbers, strings,
// references, names, functions, operators, array constants); the parser builds the tree by
// precedence: range ':' > intersection ' ' > negation > percent > '^' > '*' '/' > '+' '-' > '&'
// > comparisons. Relative references keep their written position and are shifted at evaluation
// time, so one compiled master of a shared formula serves every cell of its group.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "values/formula/value.h"

namespace xlx {

// Nesting of parentheses and function calls a formula may use (the application allows 64).
constexpr int32_t kMaxFormulaNesting = 100;
// Formula text longer than this is not compiled (the application stops at 8192 characters).
constexpr size_t kMaxFormulaUnits = 16384;
// Arguments of one function call.
constexpr int32_t kMaxFunctionArgs = 255;

enum FormulaNodeKind : uint8_t {
  kNodeLiteral = 0,   // value: number, string, boolean, error
  kNodeMissing = 1,   // an omitted argument
  kNodeRef = 2,       // ref
  kNodeName = 3,      // text: a defined name
  kNodeFunction = 4,  // text: function name, kids: arguments
  kNodeUnary = 5,     // op: '-' or '%' or '+', kids[0]
  kNodeBinary = 6,    // op, kids[0] and kids[1]
  kNodeArray = 7,     // value: an array constant
};

enum FormulaOp : uint8_t {
  kOpNone = 0,
  kOpRange,        // ':'
  kOpIntersect,    // ' '
  kOpNegate,
  kOpPlus,         // unary '+'
  kOpPercent,
  kOpPower,
  kOpMultiply,
  kOpDivide,
  kOpAdd,
  kOpSubtract,
  kOpConcat,
  kOpEqual,
  kOpGreater,
  kOpGreaterEqual,
  kOpLess,
  kOpLessEqual,
  kOpNotEqual,
};

// A reference as written: each end with its absolute flags. Whole columns run over every row,
// whole rows over every column. `sheetName` is empty for the formula's own sheet.
struct RefEnd {
  int32_t row = 0, col = 0;      // 1-based as written
  bool rowAbs = false, colAbs = false;
};
struct FormulaRef {
  std::u16string sheetName;      // empty: the current sheet
  bool hasSheet = false;
  bool external = false;         // names another workbook ("[1]Sheet1!A1"); never resolved
  bool wholeColumns = false;     // "A:C"
  bool wholeRows = false;        // "1:3"
  RefEnd first, last;            // last == first for one cell
};

struct FormulaNode {
  uint8_t kind = kNodeLiteral;   // FormulaNodeKind
  uint8_t op = kOpNone;          // FormulaOp
  int32_t functionId = -1;       // index in the function table, -1 when unknown
  ExcelValue value;
  std::u16string text;           // name or function name (upper case, without "_xlfn." and similar)
  FormulaRef ref;
  std::vector<int32_t> kids;     // indices into the node list
};

// Where the row number of a relative cell reference is written: the offset of its digits in the
// compiled text (after a leading '='), and the node and reference end it fills.
struct RelativeRowSite {
  uint32_t offset = 0;
  int32_t node = -1;
  bool last = false;  // ref.last; else ref.first
};

struct CompiledFormula {
  std::vector<FormulaNode> nodes;
  int32_t root = -1;
  std::vector<RelativeRowSite> rowSites;  // one per relative row of every cell reference
};

// Compiles `text` (a leading '=' is skipped). Function names are looked up through
// `lookupFunction` (name -> id, -1 when unknown; the node keeps the name either way).
// 1; -13 malformed text (unbalanced parentheses, an operator where none may stand, a structured
// or 3-D reference, too deep, too long, too many arguments); -1 out of memory.
typedef int32_t (*FunctionLookupFn)(const std::u16string& upperName);
[[nodiscard]] int32_t CompileFormula(const std::u16string& text, FunctionLookupFn lookupFunction,
                                     CompiledFormula* out);

// One cell reference "A1", "$B$7" (letters in either case): column 1..16384, row 1..1048576.
// False when the text is anything else. Reads through the cell-reference module.
bool ParseCellReference(const std::u16string& text, RefEnd* out);

}  // namespace xlx
