// Compiled programs shared by cells whose formula texts differ only in the row numbers of their
// relative cell references, as a formula filled down a column is written when the writer did not
// group it as a shared formula. A text is reduced to its shape (the text with every digit run
// outside string literals replaced by one mark) and its digit runs; a cell whose shape is known
// reuses the program compiled for the first cell of that shape when every other digit run is the
// same, moving its relative rows by the evaluation shift, or by a patched copy of the program when
// the rows moved by different amounts.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "values/formula/parse.h"

namespace xlx {

// Shapes kept at most; the store starts again empty when a workbook has more.
constexpr size_t kMaxFormulaShapes = 4096;

class FormulaReuse {
 public:
  // The program for `text` (the text that would be compiled): true with *program set and *dRow
  // the row shift to evaluate it with; false when the shape is unknown or the digits differ in a
  // way that changes the program, and the text must be compiled (then call Remember).
  bool Find(const std::u16string& text, std::shared_ptr<CompiledFormula>* program, int32_t* dRow);
  // Keeps `program`, compiled from the text last given to Find, for later texts of its shape.
  void Remember(const std::shared_ptr<CompiledFormula>& program);

 private:
  struct DigitRun {
    uint32_t offset = 0;  // in the text after a leading '='
    uint32_t length = 0;
    uint64_t value = 0;
  };
  struct Entry {
    std::shared_ptr<CompiledFormula> program;
    std::vector<DigitRun> runs;
    std::vector<uint8_t> relative;  // per run: 1 when it is the row of a relative reference
    std::vector<uint32_t> siteRun;  // per row site of the program: the run that writes it
  };
  bool MakeShape(const std::u16string& text);
  bool Reuse(const Entry& entry, std::shared_ptr<CompiledFormula>* program, int32_t* dRow) const;

  std::unordered_map<std::u16string, Entry> shapes_;
  std::u16string shape_;  // of the text last given to Find
  std::vector<DigitRun> runs_;
  bool shapeOk_ = false;
};

}  // namespace xlx
