// Filter data travels between the host's calls in a FilterDataHolder. A holder carries one piece
// of data: either one filter's object directly, or - when several filters of the host keep data
// for the same document - a FilterDataList in host memory whose entries are tagged by owner.
// Every filter object begins with a 4-byte tag of its own ("xslx" for the workbook cache); the
// list itself is tagged "LMLT". Lists are allocated, grown and freed with the host allocator.
#pragma once
#include <cstddef>
#include <cstdint>

#include "host/hostrecords.h"

namespace xlx {

constexpr uint32_t kFilterDataListTag = 0x544C4D4Cu;  // "LMLT" read as a little-endian uint32
constexpr uint32_t kFilterDataFlagMask = 0x3u;        // the only entry flag bits in use

#pragma pack(push, 1)
struct FilterDataEntry {
  void* pData;      // the filter's object
  uint64_t uSize;   // its size in bytes, 0 when unknown
  uint32_t uKind;   // owner kind
  uint32_t uFlags;  // low 2 bits only
};

// Host memory block: 16 bytes of header, then the entries. uBlockSize = 16 + 24 x capacity.
struct FilterDataList {
  uint32_t uTag;        // kFilterDataListTag
  int32_t nCount;       // entries in use
  uint64_t uBlockSize;  // bytes in the block
  FilterDataEntry entries[1];
};
#pragma pack(pop)

static_assert(sizeof(FilterDataEntry) == 24, "list entry");
static_assert(offsetof(FilterDataList, nCount) == 4 && offsetof(FilterDataList, uBlockSize) == 8 &&
              offsetof(FilterDataList, entries) == 16, "list header");

// Bytes of a list block with room for `count` entries (count >= 1).
constexpr uint64_t FilterDataListBytes(uint64_t count) { return 40 + 24 * (count - 1); }

// The list at `data` when it is a valid one: tag "LMLT", `holderSize` 0 or equal to the block's
// size field, at least 2 entries, and a block large enough for them. Otherwise null.
FilterDataList* FindFilterDataList(void* data, uint64_t holderSize);

// Hands `data` (kind FILTERDATA_KIND_DEFAULT: the holder's default kind; FILTERDATA_KIND_LIST: a
// list whose entries are all added, after which its block is freed) to the holder. An empty
// holder takes it directly; otherwise the holder becomes a list with the earlier data first.
// Storing data the holder already carries changes nothing. 1; -814 without a holder; -13 when the
// holder's list or an incoming list is not valid; -1 when the list cannot grow. Null data: 1.
[[nodiscard]] int32_t StoreFilterData(FilterDataHolder* holder, uint32_t kind, void* data, uint64_t size);

// Makes the holder carry a list with room for `count` entries, turning a single object into its
// first entry. Nothing changes when it already carries `count` or more. 1, -13 (invalid list),
// -1 (allocation; the holder is then unchanged).
[[nodiscard]] int32_t GrowFilterDataList(FilterDataHolder* holder, int32_t count);

// The object carried by the holder, directly or as a list entry, whose first 4 bytes are `tag`;
// null when there is none.
void* FindFilterDataByTag(const FilterDataHolder* holder, uint32_t tag);

}  // namespace xlx
