// The packed value of a cell record: its number, text, formula, inline string and shared-string
// index in 8 bytes. Readers and writers use them as plain fields (`cell.number`, `cell.text = p`),
// each field being a view of the same word: the number as a double, or, boxed in a negative NaN
// the record never stores as a number (box in bits 48-50, pointer or index in bits 0-47), one of:
//  - the shared-string index, a text pointer, an inline string (a rich string, or a packed plain
//    text: model/inlinetext.h);
//  - a boolean text ("TRUE"/"FALSE") with the number 0 or 1 when the cell also has one;
//  - a pointer to a `CellFormulaBlock` holding the formula and a word boxed as above, for a cell
//    with a formula (SetCellFormula);
//  - a pointer to a `CellExtra` holding every field, when a cell needs more than one of them.
// A number and a text, an inline string or a shared-string index share one place: writing one
// of them replaces the others unless the cell has a `CellExtra` (AttachCellExtra). Reading a field
// the cell does not hold gives NaN, null or -1.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstring>

#include "model/inlinetext.h"
#include "model/richstring.h"

namespace xlx {

struct CellFormula;

// Every value of a cell that needs more than one of the shared places; in the sheet's arena.
struct CellExtra {
  double number = 0;
  const char16_t* text = nullptr;
  const RichString* inlineString = nullptr;
  const char16_t* inlineText = nullptr;  // packed plain inline string (model/inlinetext.h)
  const CellFormula* formula = nullptr;
  int32_t sharedStringIndex = -1;
};

// The formula of a cell and its value word (never a boxed block itself); in the sheet's arena.
struct CellFormulaBlock {
  const CellFormula* formula = nullptr;
  uint64_t value = 0;
};

namespace cellslots {

constexpr uint64_t kBoxMask = 0xFFF8000000000000ull;  // a negative quiet NaN
constexpr uint64_t kPayloadMask = 0x0000FFFFFFFFFFFFull;
constexpr uint64_t kCanonicalNaN = 0x7FF8000000000000ull;
enum Box : uint64_t {
  kBoxSharedString = 0,
  kBoxText = 1,
  kBoxInline = 2,
  kBoxExtra = 3,
  kBoxInlineText = 4,
  kBoxBoolean = 5,
  kBoxFormula = 6,
};
// Payload of a boxed boolean: its text, and the number beside it when there is one.
constexpr uint64_t kBooleanTrue = 1, kBooleanHasNumber = 2, kBooleanNumberOne = 4;

inline bool IsBoxed(uint64_t bits, Box box) { return (bits & ~kPayloadMask) == (kBoxMask | uint64_t(box) << 48); }
inline bool IsAnyBox(uint64_t bits) { return (bits & kBoxMask) == kBoxMask; }
inline uint64_t Boxed(Box box, uint64_t payload) { return kBoxMask | uint64_t(box) << 48 | (payload & kPayloadMask); }
inline uint64_t NumberBits(double d) {
  uint64_t bits = kCanonicalNaN;
  if (!std::isnan(d)) std::memcpy(&bits, &d, sizeof bits);
  return bits;
}
inline double NumberOf(uint64_t bits) {
  if (IsBoxed(bits, kBoxBoolean))
    return bits & kBooleanHasNumber ? (bits & kBooleanNumberOne ? 1.0 : 0.0) : std::nan("");
  if (IsAnyBox(bits)) return std::nan("");
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}
template <typename T>
T* AsPointer(uint64_t bits) {
  return reinterpret_cast<T*>(static_cast<uintptr_t>(bits & kPayloadMask));
}
inline uint64_t AsBits(const void* p) { return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p)); }

// The 8-byte place. Value() and SetValue() read and write the value word, inside the formula
// block when the cell has one.
struct Words {
  uint64_t bits;

  uint64_t Value() const { return IsBoxed(bits, kBoxFormula) ? AsPointer<const CellFormulaBlock>(bits)->value : bits; }
  void SetValue(uint64_t v) {
    if (IsBoxed(bits, kBoxFormula)) AsPointer<CellFormulaBlock>(bits)->value = v;
    else bits = v;
  }
  bool Boxed(Box box) const { return IsBoxed(Value(), box); }
  uint64_t Payload() const { return Value() & kPayloadMask; }
  void SetBoxed(Box box, uint64_t payload) { SetValue(cellslots::Boxed(box, payload)); }
  void ClearBox(Box box) {
    if (Boxed(box)) SetValue(kCanonicalNaN);
  }
  CellExtra* Extra() const { return IsBoxed(bits, kBoxExtra) ? AsPointer<CellExtra>(bits) : nullptr; }
  CellFormulaBlock* FormulaBlock() const { return IsBoxed(bits, kBoxFormula) ? AsPointer<CellFormulaBlock>(bits) : nullptr; }
};

}  // namespace cellslots

// `cell.number`: the value of a number, date or computed cell; NaN when the cell has none.
struct CellNumberField : cellslots::Words {
  operator double() const {
    if (const CellExtra* extra = Extra()) return extra->number;
    return cellslots::NumberOf(Value());
  }
  CellNumberField& operator=(double d);
};

// `cell.text`: boolean, error and formula-string text, the cached text of an inline string; null
// when none.
struct CellTextField : cellslots::Words {
  operator const char16_t*() const {
    if (const CellExtra* extra = Extra()) return extra->text;
    const uint64_t bits = Value();
    if (cellslots::IsBoxed(bits, cellslots::kBoxBoolean)) return bits & cellslots::kBooleanTrue ? u"TRUE" : u"FALSE";
    return cellslots::IsBoxed(bits, cellslots::kBoxText) ? cellslots::AsPointer<const char16_t>(bits) : nullptr;
  }
  CellTextField& operator=(const char16_t* text);
};

// `cell.formula`: the cell's `f`, null without one. Written with SetCellFormula.
struct CellFormulaField : cellslots::Words {
  operator const CellFormula*() const {
    if (const CellExtra* extra = Extra()) return extra->formula;
    const CellFormulaBlock* block = FormulaBlock();
    return block ? block->formula : nullptr;
  }
  const CellFormula* operator->() const { return *this; }
};

// What `cell.inlineString->` reads: the inline string as a rich string (a plain text shows as a
// string without runs).
struct InlineStringView {
  RichString value;
  const RichString* operator->() const { return &value; }
};

// `cell.inlineString`: the text of an inline-string cell, either a rich string with runs or a
// packed plain text. It tests true when the cell holds either; `->` reads either as a rich
// string; converting to a pointer gives the stored rich string only (null for plain text: use
// Read for both).
struct CellInlineField : cellslots::Words {
  explicit operator bool() const { return Rich() || Plain(); }
  operator const RichString*() const { return Rich(); }
  InlineStringView operator->() const {
    InlineStringView view;
    if (const RichString* rich = Read(&view.value)) view.value = *rich;
    return view;
  }
  // The stored rich string, or `scratch` holding the plain text; null when the cell has neither.
  const RichString* Read(RichString* scratch) const {
    if (const RichString* rich = Rich()) return rich;
    const char16_t* plain = Plain();
    if (!plain) return nullptr;
    const InlineText text = UnpackInlineText(plain);
    *scratch = RichString();
    scratch->text = text.text;
    scratch->textLength = text.length;
    return scratch;
  }
  // The packed plain text (PackInlineTextUtf8/Utf16), null when none.
  const char16_t* Plain() const {
    if (const CellExtra* extra = Extra()) return extra->inlineText;
    return Boxed(cellslots::kBoxInlineText) ? cellslots::AsPointer<const char16_t>(Payload()) : nullptr;
  }
  const RichString* Rich() const {
    if (const CellExtra* extra = Extra()) return extra->inlineString;
    return Boxed(cellslots::kBoxInline) ? cellslots::AsPointer<const RichString>(Payload()) : nullptr;
  }
  // Stores a rich string (null clears the inline string, rich or plain).
  CellInlineField& operator=(const RichString* rich) {
    if (CellExtra* extra = Extra()) {
      extra->inlineString = rich;
      extra->inlineText = nullptr;
    } else if (!rich) {
      ClearBox(cellslots::kBoxInline);
      ClearBox(cellslots::kBoxInlineText);
    } else {
      SetBoxed(cellslots::kBoxInline, cellslots::AsBits(rich));
    }
    return *this;
  }
  // Stores a packed plain text in place of any inline string.
  void SetPlain(const char16_t* block) {
    if (CellExtra* extra = Extra()) {
      extra->inlineText = block;
      extra->inlineString = nullptr;
    } else if (!block) {
      ClearBox(cellslots::kBoxInline);
      ClearBox(cellslots::kBoxInlineText);
    } else {
      SetBoxed(cellslots::kBoxInlineText, cellslots::AsBits(block));
    }
  }
};

// `cell.sharedStringIndex`: the shared-string index of a shared-string cell, -1 otherwise.
struct CellSharedStringField : cellslots::Words {
  operator int32_t() const {
    if (const CellExtra* extra = Extra()) return extra->sharedStringIndex;
    return Boxed(cellslots::kBoxSharedString) ? int32_t(uint32_t(Payload())) : -1;
  }
  CellSharedStringField& operator=(int32_t index) {
    if (CellExtra* extra = Extra()) extra->sharedStringIndex = index;
    else if (index == -1) ClearBox(cellslots::kBoxSharedString);
    else SetBoxed(cellslots::kBoxSharedString, uint32_t(index));
    return *this;
  }
};

}  // namespace xlx
