// The packed value of a cell record: its number, text, formula, inline string and shared-string
// index in 14 bytes. Readers and writers use them as plain fields (`cell.number`, `cell.text = p`),
// each field being a view of the same bytes:
//  - bytes 0-5 hold the formula pointer (8-aligned, below 2^48) with the boolean text in its two
//    low bits (1 "TRUE", 2 "FALSE");
//  - bytes 6-13 hold the number as a double, or, boxed in a NaN the record never stores as a
//    number, one of: the shared-string index, a text pointer, an inline string pointer (a rich
//    string, or a packed plain text: model/inlinetext.h), or a pointer to a `CellExtra` holding
//    all of them when a cell needs more than one.
// A number and a text other than "TRUE"/"FALSE", an inline string or a shared-string index share
// one place: writing one of them replaces the others unless the cell has a `CellExtra`
// (AttachCellExtra). Reading a field the cell does not hold gives NaN, null or -1.
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
  int32_t sharedStringIndex = -1;
};

namespace cellslots {

constexpr uint64_t kBoxMask = 0xFFF8000000000000ull;  // a negative quiet NaN; the box in bits 48-50
constexpr uint64_t kPayloadMask = 0x0000FFFFFFFFFFFFull;
constexpr uint64_t kCanonicalNaN = 0x7FF8000000000000ull;
enum Box : uint64_t { kBoxSharedString = 0, kBoxText = 1, kBoxInline = 2, kBoxExtra = 3, kBoxInlineText = 4 };
constexpr uint64_t kTextTrue = 1, kTextFalse = 2, kTextBits = 3;

// The 14 bytes, as 2-aligned words so that the record packs into 24 bytes.
struct Words {
  uint16_t w[7];

  uint64_t Pointer() const { return uint64_t(w[0]) | uint64_t(w[1]) << 16 | uint64_t(w[2]) << 32; }
  void SetPointer(uint64_t p) {
    w[0] = uint16_t(p), w[1] = uint16_t(p >> 16), w[2] = uint16_t(p >> 32);
  }
  uint64_t Value() const {
    return uint64_t(w[3]) | uint64_t(w[4]) << 16 | uint64_t(w[5]) << 32 | uint64_t(w[6]) << 48;
  }
  void SetValue(uint64_t v) {
    w[3] = uint16_t(v), w[4] = uint16_t(v >> 16), w[5] = uint16_t(v >> 32), w[6] = uint16_t(v >> 48);
  }
  bool Boxed(Box box) const { return (Value() & ~kPayloadMask) == (kBoxMask | uint64_t(box) << 48); }
  uint64_t Payload() const { return Value() & kPayloadMask; }
  void SetBoxed(Box box, uint64_t payload) { SetValue(kBoxMask | uint64_t(box) << 48 | (payload & kPayloadMask)); }
  void SetNumber(double d) {
    uint64_t bits = kCanonicalNaN;
    if (!std::isnan(d)) std::memcpy(&bits, &d, sizeof bits);
    SetValue(bits);
  }
  void ClearBox(Box box) {
    if (Boxed(box)) SetValue(kCanonicalNaN);
  }
  CellExtra* Extra() const {
    return Boxed(kBoxExtra) ? reinterpret_cast<CellExtra*>(static_cast<uintptr_t>(Payload())) : nullptr;
  }
};

template <typename T>
T* AsPointer(uint64_t bits) {
  return reinterpret_cast<T*>(static_cast<uintptr_t>(bits));
}
inline uint64_t AsBits(const void* p) { return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p)); }

}  // namespace cellslots

// `cell.number`: the value of a number, date or computed cell; NaN when the cell has none.
struct CellNumberField : cellslots::Words {
  operator double() const {
    if (const CellExtra* extra = Extra()) return extra->number;
    const uint64_t bits = Value();
    if ((bits & cellslots::kBoxMask) == cellslots::kBoxMask) return std::nan("");
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
  }
  CellNumberField& operator=(double d) {
    if (CellExtra* extra = Extra()) extra->number = d;
    else SetNumber(d);
    return *this;
  }
};

// `cell.text`: boolean, error and formula-string text, the cached text of an inline string; null
// when none.
struct CellTextField : cellslots::Words {
  operator const char16_t*() const {
    if (const CellExtra* extra = Extra()) return extra->text;
    const uint64_t bits = Pointer() & cellslots::kTextBits;
    if (bits == cellslots::kTextTrue) return u"TRUE";
    if (bits == cellslots::kTextFalse) return u"FALSE";
    return Boxed(cellslots::kBoxText) ? cellslots::AsPointer<const char16_t>(Payload()) : nullptr;
  }
  CellTextField& operator=(const char16_t* text);
};

// `cell.formula`: the cell's `f`, null without one.
struct CellFormulaField : cellslots::Words {
  operator const CellFormula*() const { return cellslots::AsPointer<const CellFormula>(Pointer() & ~uint64_t(7)); }
  const CellFormula* operator->() const { return *this; }
  CellFormulaField& operator=(const CellFormula* formula) {
    SetPointer((cellslots::AsBits(formula) & ~uint64_t(7)) | (Pointer() & cellslots::kTextBits));
    return *this;
  }
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
