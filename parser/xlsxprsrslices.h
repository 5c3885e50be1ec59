// Large worksheets read a slice of rows at a time. The DOM of a whole sheet takes several times
// the size of its XML, most of it for `sheetData`; so the part is split into the worksheet without
// the content of `sheetData` (a small DOM, read by the usual readers) and slices of that content
// cut after a row's end tag, each parsed as a fragment into one reused document and read row by
// row before the next. Whenever the split could read differently from the whole DOM (a slice or
// the outer part that does not parse cleanly, another encoding, `sheetData` not where expected),
// the reader reports kSheetDataReparse and the caller reads the part whole, as before.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include <pugixml.hpp>

namespace xlx {

// Result of a sliced read that must be repeated on the whole DOM.
constexpr int32_t kSheetDataReparse = 2;

class SheetDataSlices {
 public:
  // Finds `sheetData` in the part's bytes (not copied: they must outlive this object) and parses
  // the rest of the part into *outer. False when the part is not worth slicing or cannot be
  // sliced safely; the caller then reads it whole.
  bool Open(const uint8_t* bytes, size_t size, size_t sliceBytes, pugi::xml_document* outer);
  // Parses the next slice: 1 with *container set to the node whose children are its rows; 0 when
  // none is left; kSheetDataReparse when the slice does not parse cleanly.
  int32_t Next(pugi::xml_node* container);

 private:
  size_t CutAfter(size_t from) const;

  const uint8_t* bytes_ = nullptr;
  size_t sliceBytes_ = 0;
  size_t next_ = 0;        // start of the next slice
  size_t contentEnd_ = 0;  // where the end tag of sheetData starts
  std::vector<char> scratch_;
  pugi::xml_document slice_;
};

}  // namespace xlx
