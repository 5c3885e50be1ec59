#include "common/filterdata.h"

#include <climits>
#include <cstring>

#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"

namespace xlx {
namespace {

uint32_t ReadTag(const void* data) {
  uint32_t tag;
  std::memcpy(&tag, data, sizeof tag);
  return tag;
}

uint32_t ResolveKind(const FilterDataHolder* holder, uint32_t kind) {
  return kind == FILTERDATA_KIND_DEFAULT ? holder->uDefaultKind : kind;
}

// Entries the holder carries now: 0 empty, 1 a single object, the count of its list; -1 when the
// holder is marked as carrying a list that is not valid.
int32_t CountHolderEntries(const FilterDataHolder* holder, FilterDataList** list) {
  *list = nullptr;
  if (!holder->pData) return 0;
  if (holder->uKind != FILTERDATA_KIND_LIST) return 1;
  *list = FindFilterDataList(holder->pData, holder->uSize);
  return *list ? (*list)->nCount : -1;
}

}  // namespace

FilterDataList* FindFilterDataList(void* data, uint64_t holderSize) {
  if (!data) return nullptr;
  auto* list = static_cast<FilterDataList*>(data);
  if (list->uTag != kFilterDataListTag) return nullptr;
  if (holderSize != 0 && holderSize != list->uBlockSize) return nullptr;
  if (list->nCount < 2) return nullptr;
  if (list->uBlockSize < FilterDataListBytes(static_cast<uint64_t>(list->nCount))) return nullptr;
  return list;
}

int32_t GrowFilterDataList(FilterDataHolder* holder, int32_t count) {
  if (!holder) return XLX_ERR_ARGUMENT;
  FilterDataList* list;
  int32_t have = CountHolderEntries(holder, &list);
  if (have < 0) return XLX_ERR_ARGUMENT;
  if (have >= count) return XLX_OK;

  const uint64_t bytes = FilterDataListBytes(static_cast<uint64_t>(count));
  if (have >= 2) {
    void* grown = VK_REALLOC(list, bytes);
    if (!grown) return XLX_ERR_MEMORY;
    list = static_cast<FilterDataList*>(grown);
    // The host does not zero a reallocated tail; entries past the used ones must read as empty.
    const uint64_t used = FilterDataListBytes(static_cast<uint64_t>(have));
    std::memset(reinterpret_cast<uint8_t*>(list) + used, 0, bytes - used);
  } else {
    list = static_cast<FilterDataList*>(VK_ALLOC(1, bytes));
    if (!list) return XLX_ERR_MEMORY;
    list->uTag = kFilterDataListTag;
    list->nCount = 0;
    if (have == 1) {
      list->entries[0] = FilterDataEntry{holder->pData, holder->uSize, holder->uKind, 0};
      list->nCount = 1;
    }
  }
  list->uBlockSize = bytes;
  holder->pData = list;
  holder->uSize = 0;
  holder->uKind = FILTERDATA_KIND_LIST;
  return XLX_OK;
}

int32_t StoreFilterData(FilterDataHolder* holder, uint32_t kind, void* data, uint64_t size) {
  if (!data) return XLX_OK;
  if (!holder) return XLX_ERR_NO_HOLDER;
  if (!holder->pData) {
    holder->pData = data;
    holder->uSize = size;
    holder->uKind = ResolveKind(holder, kind);
    return XLX_OK;
  }
  if (holder->pData == data) return XLX_OK;

  FilterDataList* current;
  int32_t have = CountHolderEntries(holder, &current);
  if (have < 0) return XLX_ERR_ARGUMENT;
  if (current) {
    // One entry per owner: the first entry with this data's tag decides. When it is another object
    // of the same owner, the search ends and the new one is added beside it.
    const uint32_t tag = ReadTag(data);
    for (int32_t i = 0; i < current->nCount; ++i) {
      void* entryData = current->entries[i].pData;
      if (entryData && ReadTag(entryData) == tag) {
        if (entryData == data) return XLX_OK;
        break;
      }
    }
  }

  FilterDataList* incoming = nullptr;
  int32_t adding = 1;
  if (kind == FILTERDATA_KIND_LIST) {
    incoming = FindFilterDataList(data, size);
    if (!incoming) return XLX_ERR_ARGUMENT;
    adding = incoming->nCount;
  }
  if (have > INT32_MAX - adding) return XLX_ERR_ARGUMENT;
  int32_t rc = GrowFilterDataList(holder, have + adding);
  if (rc != XLX_OK) return rc;

  auto* list = static_cast<FilterDataList*>(holder->pData);
  if (incoming) {
    for (int32_t i = 0; i < incoming->nCount; ++i) {
      const FilterDataEntry& from = incoming->entries[i];
      list->entries[list->nCount++] = FilterDataEntry{from.pData, from.uSize, from.uKind, from.uFlags & kFilterDataFlagMask};
    }
    VK_FREE(incoming);
  } else {
    list->entries[list->nCount++] = FilterDataEntry{data, size, ResolveKind(holder, kind), 0};
  }
  return XLX_OK;
}

void* FindFilterDataByTag(const FilterDataHolder* holder, uint32_t tag) {
  if (!holder || !holder->pData) return nullptr;
  if (holder->uKind != FILTERDATA_KIND_LIST) return ReadTag(holder->pData) == tag ? holder->pData : nullptr;
  FilterDataList* list = FindFilterDataList(holder->pData, holder->uSize);
  if (!list) return nullptr;
  for (int32_t i = 0; i < list->nCount; ++i) {
    void* entryData = list->entries[i].pData;
    if (entryData && ReadTag(entryData) == tag) return entryData;
  }
  return nullptr;
}

}  // namespace xlx
