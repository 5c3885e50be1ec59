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

class SheetCellStore;

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

  // Rows already read into `store` (not owned) as the part inflated: ReadSheetData only finishes
  // it, once the merged ranges are read.
  void SetReadStore(SheetCellStore* store) { readStore_ = store; }
  SheetCellStore* ReadStore() const { return readStore_; }
  // In a part's leading bytes: the name of its first element (*root, *rootSize), and the start
  // tag of the first element named sheetData, from its "<" (*tag) to past its ">" (*content).
  // False when there is none in `size` bytes, it closes itself, or the part is not UTF-8.
  static bool FindSheetData(const uint8_t* bytes, size_t size, size_t* root, size_t* rootSize, size_t* tag,
                            size_t* content);

 private:
  size_t CutAfter(size_t from) const;
  int32_t Parse(pugi::xml_node* container);

  const uint8_t* bytes_ = nullptr;
  size_t sliceBytes_ = 0;
  size_t next_ = 0;        // start of the next slice
  size_t contentEnd_ = 0;  // where the end tag of sheetData starts
  std::vector<char> scratch_;
  pugi::xml_document slice_;
  SheetCellStore* readStore_ = nullptr;
};

struct Workbook;
struct MyWorksheet;
// Reads a sheet's part streamed, when it is worth slicing: once from its compressed data, the rows
// tokenized as they inflate, never holding the part or a DOM of its rows whole. kSheetDataReparse
// when it cannot be streamed exactly as the whole DOM would read it (read it whole then); else
// ReadWorksheet's result.
[[nodiscard]] int32_t ReadStreamedWorksheet(Workbook* workbook, MyWorksheet* sheet);

// Cells a streamed sheet may hold (24 bytes each): the bound on a streamed part's work.
constexpr int32_t kMaxStreamedCells = 64 << 20;

}  // namespace xlx
