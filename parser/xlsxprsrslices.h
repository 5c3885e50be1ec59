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

#include "common/larray.h"

namespace xlx {

class PartStream;
struct CellRecord;

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

  // Streamed reading, for parts too large to hold whole. ScanOuter reads the whole part once from
  // `stream` and keeps only what lies outside the content of `sheetData` (in *outerBytes), with
  // the content's offsets; false when the part cannot be streamed safely (then read it whole).
  // OpenStream then takes a second stream of the same part from its start, and Next cuts the
  // content into slices as it inflates (`chunkBytes` at a time), exactly where Open would cut it.
  // Next reports an error once `cells` holds more than kMaxStreamedCells.
  // *tag is the offset of the start tag of sheetData.
  static bool ScanOuter(PartStream* stream, size_t chunkBytes, std::vector<char>* outerBytes, uint64_t* tag,
                        uint64_t* content, uint64_t* contentEnd);
  bool OpenStream(PartStream* stream, uint64_t content, uint64_t contentEnd, size_t sliceBytes, size_t chunkBytes,
                  const LArray<CellRecord>* cells);

 private:
  size_t CutAfter(size_t from) const;
  int32_t NextStreamed(pugi::xml_node* container);
  int32_t Parse(pugi::xml_node* container);
  int32_t Fill();

  const uint8_t* bytes_ = nullptr;
  size_t sliceBytes_ = 0;
  size_t next_ = 0;        // start of the next slice
  size_t contentEnd_ = 0;  // where the end tag of sheetData starts
  std::vector<char> scratch_;
  pugi::xml_document slice_;
  // Streamed reading: content bytes inflated and not yet cut, and where the next search resumes.
  PartStream* stream_ = nullptr;
  const LArray<CellRecord>* cells_ = nullptr;
  size_t chunkBytes_ = 0;
  uint64_t streamed_ = 0;   // bytes of the part inflated so far
  uint64_t pendingAt_ = 0;  // part offset of pending_[0]
  uint64_t contentAt_ = 0;  // part offset where the content of sheetData starts
  std::vector<char> pending_;
  size_t resume_ = 0;       // pending_ before this offset holds no end tag of a row past the slice size
};

struct Workbook;
struct MyWorksheet;
// Reads a sheet's part streamed, when it is worth slicing: twice from its compressed data, once
// for what lies outside sheetData and once for the rows, never holding it whole. kSheetDataReparse
// when it cannot be streamed exactly as the whole DOM would read it (read it whole then); else
// ReadWorksheet's result.
[[nodiscard]] int32_t ReadStreamedWorksheet(Workbook* workbook, MyWorksheet* sheet);

// Cells a streamed sheet may hold (24 bytes each): the bound on a streamed part's work.
constexpr int32_t kMaxStreamedCells = 64 << 20;

}  // namespace xlx
