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

// "TRUE" and "FALSE" go to the two low bits beside the formula, so that a computed boolean keeps
// its number; any other text takes the shared place.
CellTextField& CellTextField::operator=(const char16_t* text) {
  if (CellExtra* extra = Extra()) {
    extra->text = text;
    return *this;
  }
  const uint64_t pointer = Pointer() & ~cellslots::kTextBits;
  uint64_t bits = 0;
  if (text && SameText(text, u"TRUE")) bits = cellslots::kTextTrue;
  else if (text && SameText(text, u"FALSE")) bits = cellslots::kTextFalse;
  SetPointer(pointer | bits);
  if (text && bits == 0) SetBoxed(cellslots::kBoxText, cellslots::AsBits(text));
  else ClearBox(cellslots::kBoxText);
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
  extra->sharedStringIndex = cell->sharedStringIndex;
  cell->number.SetPointer(cell->number.Pointer() & ~cellslots::kTextBits);
  cell->number.SetBoxed(cellslots::kBoxExtra, cellslots::AsBits(extra));
  return XLX_OK;
}

}  // namespace xlx
