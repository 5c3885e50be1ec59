// Writing a cell's text into its packed place, and moving a cell's values out of line.
#include <new>

#include "common/resultcodes.h"
#include "model/sheet.h"

namespace xlx {

namespace {

bool SameText(const char16_t* a, const char16_t* b) {
  for (; *a && *a == *b; ++a, ++b) {
  }
  return *a == *b;
}

}  // namespace

CellNumberField& CellNumberField::operator=(double d) {
  using namespace cellslots;
  if (CellExtra* extra = Extra()) {
    extra->number = d;
    return *this;
  }
  // A boolean keeps its text beside a number 0 or 1 (a computed boolean); any other number
  // takes the place.
  const uint64_t bits = Value();
  if (IsBoxed(bits, kBoxBoolean) && (std::isnan(d) || d == 0 || d == 1)) {
    uint64_t payload = bits & kBooleanTrue;
    if (!std::isnan(d)) payload |= kBooleanHasNumber | (d == 1 ? kBooleanNumberOne : 0);
    SetBoxed(kBoxBoolean, payload);
  } else {
    SetValue(NumberBits(d));
  }
  return *this;
}

// "TRUE" and "FALSE" become a boxed boolean that keeps a number 0 or 1 already there, so that a
// computed boolean keeps its number; any other text takes the place.
CellTextField& CellTextField::operator=(const char16_t* text) {
  using namespace cellslots;
  if (CellExtra* extra = Extra()) {
    extra->text = text;
    return *this;
  }
  const uint64_t bits = Value();
  const bool isTrue = text && SameText(text, u"TRUE");
  if (isTrue || (text && SameText(text, u"FALSE"))) {
    uint64_t payload = isTrue ? kBooleanTrue : 0;
    const double number = NumberOf(bits);
    if (number == 0 || number == 1) payload |= kBooleanHasNumber | (number == 1 ? kBooleanNumberOne : 0);
    SetBoxed(kBoxBoolean, payload);
  } else if (text) {
    SetBoxed(kBoxText, AsBits(text));
  } else if (IsBoxed(bits, kBoxText)) {
    SetValue(kCanonicalNaN);
  } else if (IsBoxed(bits, kBoxBoolean)) {
    SetValue(NumberBits(NumberOf(bits)));
  }
  return *this;
}

int32_t AttachCellExtra(TextArena* arena, CellRecord* cell) {
  if (cell->number.Extra()) return XLX_OK;
  void* block = arena ? arena->Allocate(sizeof(CellExtra)) : nullptr;
  if (!block) return XLX_ERR_MEMORY;
  CellExtra* extra = new (block) CellExtra();
  extra->number = cell->number;
  extra->text = cell->text;
  extra->inlineString = cell->inlineString.Rich();
  extra->inlineText = cell->inlineString.Plain();
  extra->formula = cell->formula;
  extra->sharedStringIndex = cell->sharedStringIndex;
  cell->number.bits = cellslots::Boxed(cellslots::kBoxExtra, cellslots::AsBits(extra));
  return XLX_OK;
}

int32_t SetCellFormula(TextArena* arena, CellRecord* cell, const CellFormula* formula) {
  if (CellExtra* extra = cell->number.Extra()) {
    extra->formula = formula;
    return XLX_OK;
  }
  if (CellFormulaBlock* block = cell->number.FormulaBlock()) {
    if (formula) block->formula = formula;
    else cell->number.bits = block->value;
    return XLX_OK;
  }
  if (!formula) return XLX_OK;
  void* memory = arena ? arena->Allocate(sizeof(CellFormulaBlock)) : nullptr;
  if (!memory) return XLX_ERR_MEMORY;
  CellFormulaBlock* block = new (memory) CellFormulaBlock();
  block->formula = formula;
  block->value = cell->number.bits;
  cell->number.bits = cellslots::Boxed(cellslots::kBoxFormula, cellslots::AsBits(block));
  return XLX_OK;
}

}  // namespace xlx
