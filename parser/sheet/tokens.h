// The content of `sheetData` read as it inflates, without a DOM: a tokenizer that cuts the bytes
// into rows and gives, for each row, the attributes and cell texts the cell builder reads, decoded
// exactly as the XML library decodes them in a whole DOM (entity and character references, CDATA,
// line ends, white space, first text node, first attribute or child of a name). Whatever it cannot
// read exactly as the DOM would (a malformed tag, a reference it does not decode, a zero byte,
// markup the XML library refuses inside an element) makes it give up with kSheetDataReparse, and
// the part is read whole.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace xlx {

// Offset of a decoded text in the tokenizer's text buffer; kNoText when absent.
constexpr size_t kNoText = SIZE_MAX;

// Attributes of `row` the builder reads.
enum RowAttribute { kRowR, kRowHt, kRowCustomHeight, kRowHidden, kRowS, kRowCustomFormat, kRowAttributes };
// Attributes of `c`, and of its first `f`.
enum CellAttribute { kCellR, kCellS, kCellT, kCellAttributes };
enum FormulaAttribute { kFormulaT, kFormulaRef, kFormulaSi, kFormulaCa, kFormulaAttributes };

struct CellTokens {
  size_t attributes[kCellAttributes] = {kNoText, kNoText, kNoText};
  size_t v = kNoText;              // first text of the first `v`; kNoText: no text (reads as "")
  bool hasFormula = false;
  size_t formula = kNoText;        // first text of the first `f`
  size_t formulaAttributes[kFormulaAttributes] = {kNoText, kNoText, kNoText, kNoText};
  size_t inlineAt = kNoText;       // the first `is` element as written (bytes in the text buffer)
  size_t inlineSize = 0;
};

class SheetTokenizer {
 public:
  // What Next found.
  static constexpr int32_t kRow = 1;          // a whole row, read: Row(), Cells()
  static constexpr int32_t kContentEnd = 3;   // the end tag of sheetData starts at *consumed
  static constexpr int32_t kNeedMore = 4;     // the bytes stop inside markup: call again with more
  // Nesting allowed inside sheetData before the tokenizer gives up.
  static constexpr size_t kMaxDepth = 1000;

  // Starts on the content of a `sheetData` whose start tag has the qualified name `name`.
  void Start(const std::string& name);

  // Reads from `data` (the bytes after those consumed so far; `size` of them): skips what lies
  // between rows and reads the next row. *consumed gets the bytes used (for kNeedMore, those
  // before the markup that is cut off, which must be passed again). kRow, kContentEnd,
  // kNeedMore, or kSheetDataReparse when the content cannot be read exactly as a DOM would.
  [[nodiscard]] int32_t Next(const char* data, size_t size, size_t* consumed);

  // The row last read: its attributes (offsets, kNoText when absent) and cells.
  const size_t* Row() const { return row_; }
  const std::vector<CellTokens>& Cells() const { return cells_; }
  // The text at `at` (zero-terminated), or nullptr for kNoText.
  const char* Text(size_t at) const { return at == kNoText ? nullptr : text_.data() + at; }

 private:
  enum Step { kOk, kMore, kBad };
  enum TextKind { kAttributeText, kElementText, kCdataText };
  struct Name {
    const char* at;
    size_t size;
  };
  struct Wanted {
    const char* const* names;
    size_t* slots;
    size_t count;
  };

  Step StartTag(Name* name, bool* empty, const char* local, const Wanted& wanted);
  Step EndTag(const Name& name);
  Step Misc(const char** cdata, size_t* cdataSize);
  Step SkipElement(const Name& name);
  Step ReadText(const Name& name, size_t* slot);
  Step NextChild(const Name& name, bool* ended);
  Step ReadCell(const Name& name, CellTokens* cell);
  Step ReadRow(const Name& name);
  Step SkipText();
  Step Attribute(const Wanted& wanted);
  Step Decode(const char* begin, const char* end, TextKind kind, size_t* slot);
  size_t Keep(const char* begin, size_t size);

  const char* p_ = nullptr;
  const char* end_ = nullptr;
  std::string name_;  // sheetData's qualified name
  size_t row_[kRowAttributes] = {kNoText, kNoText, kNoText, kNoText, kNoText, kNoText};
  std::vector<CellTokens> cells_;
  std::vector<char> text_;
  std::vector<Name> open_;  // elements open while one is skipped
};

}  // namespace xlx
