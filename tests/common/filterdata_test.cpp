// Filter-data holders: direct storage, the "LMLT" list that several owners share, its growth, and
// the lists that must be refused.
#include <gtest/gtest.h>

#include <cstring>

#include "common/filterdata.h"
#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"

namespace {

using namespace xlx;

struct TaggedObject {
  uint32_t tag;
  uint32_t payload;
};
constexpr uint32_t kOurs = 0x786C7378u, kTheirs = 0x46445044u;

FilterDataHolder EmptyHolder(uint32_t defaultKind = 7) {
  FilterDataHolder holder;
  std::memset(&holder, 0, sizeof holder);
  holder.uDefaultKind = defaultKind;
  return holder;
}

FilterDataList* ListOf(FilterDataHolder& holder) {
  EXPECT_EQ(uint32_t{holder.uKind}, FILTERDATA_KIND_LIST);
  return FindFilterDataList(holder.pData, holder.uSize);
}

class FilterData : public ::testing::Test {
 protected:
  void SetUp() override { liveBefore_ = VkLiveAllocations(); }
  void TearDown() override {
    VkSetAllocationBudget(-1);
    EXPECT_EQ(VkLiveAllocations(), liveBefore_);
  }
  size_t liveBefore_ = 0;
  TaggedObject ours_{kOurs, 1}, ours2_{kOurs, 2}, theirs_{kTheirs, 3}, third_{0x33333333u, 4};
};

TEST_F(FilterData, AnEmptyHolderTakesTheObjectAndStoringItAgainChangesNothing) {
  FilterDataHolder holder = EmptyHolder(7);
  EXPECT_EQ(StoreFilterData(&holder, FILTERDATA_KIND_DEFAULT, &ours_, 0), 1);
  EXPECT_EQ(static_cast<void*>(holder.pData), &ours_);  // packed fields: compare copies
  EXPECT_EQ(uint32_t{holder.uKind}, 7u);  // the holder's default kind
  FilterDataHolder before = holder;
  EXPECT_EQ(StoreFilterData(&holder, FILTERDATA_KIND_DEFAULT, &ours_, 0), 1);
  EXPECT_EQ(std::memcmp(&before, &holder, sizeof holder), 0);

  EXPECT_EQ(StoreFilterData(&holder, 5, nullptr, 0), 1);  // null data: nothing to keep
  EXPECT_EQ(std::memcmp(&before, &holder, sizeof holder), 0);
  EXPECT_EQ(StoreFilterData(nullptr, 5, &ours_, 0), XLX_ERR_NO_HOLDER);
}

TEST_F(FilterData, StoringBesideAnotherOwnersObjectMakesATwoEntryListWithTheOtherFirst) {
  FilterDataHolder holder = EmptyHolder(7);
  ASSERT_EQ(StoreFilterData(&holder, 9, &theirs_, 24), 1);
  ASSERT_EQ(StoreFilterData(&holder, FILTERDATA_KIND_DEFAULT, &ours_, 0), 1);
  FilterDataList* list = ListOf(holder);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(uint64_t{holder.uSize}, 0u);
  EXPECT_EQ(list->nCount, 2);
  EXPECT_EQ(list->uBlockSize, 64u);
  const FilterDataEntry expected[2] = {{&theirs_, 24, 9, 0}, {&ours_, 0, 7, 0}};
  EXPECT_EQ(std::memcmp(list->entries, expected, sizeof expected), 0);
  EXPECT_EQ(FindFilterDataByTag(&holder, kOurs), &ours_);
  EXPECT_EQ(FindFilterDataByTag(&holder, kTheirs), &theirs_);
  EXPECT_EQ(FindFilterDataByTag(&holder, 0x12345678u), nullptr);

  // Again: found by its tag in the list, nothing changes.
  EXPECT_EQ(StoreFilterData(&holder, FILTERDATA_KIND_DEFAULT, &ours_, 0), 1);
  EXPECT_EQ(ListOf(holder)->nCount, 2);

  // A second object of the same owner ends the search at the first one and is added.
  ASSERT_EQ(StoreFilterData(&holder, 4, &ours2_, 8), 1);
  ASSERT_EQ(StoreFilterData(&holder, 4, &third_, 8), 1);
  list = ListOf(holder);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->uBlockSize, FilterDataListBytes(4));
  const void* order[4] = {list->entries[0].pData, list->entries[1].pData, list->entries[2].pData, list->entries[3].pData};
  const void* expectedOrder[4] = {&theirs_, &ours_, &ours2_, &third_};
  EXPECT_EQ(std::memcmp(order, expectedOrder, sizeof order), 0);
  VK_FREE(holder.pData);
}

TEST_F(FilterData, AnIncomingListContributesItsEntriesAndIsFreed) {
  FilterDataHolder holder = EmptyHolder();
  ASSERT_EQ(StoreFilterData(&holder, 9, &theirs_, 0), 1);

  FilterDataHolder other = EmptyHolder();
  ASSERT_EQ(StoreFilterData(&other, 1, &ours_, 0), 1);
  ASSERT_EQ(StoreFilterData(&other, 2, &third_, 0), 1);
  auto* incoming = static_cast<FilterDataList*>(other.pData);
  incoming->entries[0].uFlags = 0xFFFFFFFFu;
  const size_t liveWithIncoming = VkLiveAllocations();

  ASSERT_EQ(StoreFilterData(&holder, FILTERDATA_KIND_LIST, incoming, incoming->uBlockSize), 1);
  EXPECT_EQ(VkLiveAllocations(), liveWithIncoming);  // one list made, the incoming one freed
  FilterDataList* list = ListOf(holder);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->nCount, 3);
  const FilterDataEntry added[2] = {{&ours_, 0, 1, 3}, {&third_, 0, 2, 0}};  // flags: low two bits only
  EXPECT_EQ(std::memcmp(&list->entries[1], added, sizeof added), 0);
  VK_FREE(holder.pData);
}

// Each way a list block can be wrong is refused by the finder, by storing and by growing.
TEST_F(FilterData, InvalidListsAreRefused) {
  struct Case {
    const char* what;
    uint32_t tag;
    int32_t count;
    uint64_t blockSize;
    uint64_t holderSize;
  };
  const Case cases[] = {
      {"wrong tag", 0x544C4D4Du, 2, 64, 0},
      {"one entry", kFilterDataListTag, 1, 64, 0},
      {"negative count", kFilterDataListTag, -3, 64, 0},
      {"block too small for the count", kFilterDataListTag, 3, 64, 0},
      {"holder size disagrees with the block", kFilterDataListTag, 2, 64, 88},
  };
  alignas(8) uint8_t block[128] = {};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto* list = reinterpret_cast<FilterDataList*>(block);
    list->uTag = c.tag;
    list->nCount = c.count;
    list->uBlockSize = c.blockSize;
    EXPECT_EQ(FindFilterDataList(list, c.holderSize), nullptr);

    FilterDataHolder holder = EmptyHolder();
    holder.pData = list;
    holder.uSize = c.holderSize;
    holder.uKind = FILTERDATA_KIND_LIST;
    FilterDataHolder before = holder;
    EXPECT_EQ(StoreFilterData(&holder, FILTERDATA_KIND_DEFAULT, &ours_, 0), XLX_ERR_ARGUMENT);
    EXPECT_EQ(GrowFilterDataList(&holder, 5), XLX_ERR_ARGUMENT);
    EXPECT_EQ(std::memcmp(&before, &holder, sizeof holder), 0);

    FilterDataHolder single = EmptyHolder();  // the same block offered as an incoming list
    single.pData = &theirs_;
    single.uKind = 9;
    EXPECT_EQ(StoreFilterData(&single, FILTERDATA_KIND_LIST, list, c.holderSize), XLX_ERR_ARGUMENT);
    EXPECT_EQ(static_cast<void*>(single.pData), &theirs_);
  }
  auto* list = reinterpret_cast<FilterDataList*>(block);
  *list = FilterDataList{kFilterDataListTag, 2, 64, {}};
  EXPECT_EQ(FindFilterDataList(list, 0), list);
  EXPECT_EQ(FindFilterDataList(list, 64), list);
}

TEST_F(FilterData, GrowingKeepsEntriesZeroesTheTailAndLeavesTheHolderOnFailure) {
  FilterDataHolder holder = EmptyHolder();
  ASSERT_EQ(GrowFilterDataList(&holder, 3), 1);  // empty holder: an empty list
  auto* list = static_cast<FilterDataList*>(holder.pData);
  EXPECT_EQ(list->nCount, 0);
  EXPECT_EQ(list->uBlockSize, FilterDataListBytes(3));
  VK_FREE(list);

  holder = EmptyHolder();
  ASSERT_EQ(StoreFilterData(&holder, 9, &theirs_, 24), 1);
  ASSERT_EQ(StoreFilterData(&holder, 4, &ours_, 0), 1);
  ListOf(holder)->entries[1].uFlags = 0x2;
  ASSERT_EQ(GrowFilterDataList(&holder, 2), 1);  // already large enough
  EXPECT_EQ(ListOf(holder)->uBlockSize, 64u);
  ASSERT_EQ(GrowFilterDataList(&holder, 6), 1);
  list = ListOf(holder);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->nCount, 2);
  EXPECT_EQ(list->uBlockSize, FilterDataListBytes(6));
  EXPECT_EQ(static_cast<void*>(list->entries[1].pData), &ours_);
  EXPECT_EQ(list->entries[1].uFlags, 0x2u);
  const uint8_t* tail = reinterpret_cast<const uint8_t*>(&list->entries[2]);
  for (size_t i = 0; i < 4 * sizeof(FilterDataEntry); ++i) ASSERT_EQ(tail[i], 0) << i;

  FilterDataHolder before = holder;
  VkSetAllocationBudget(0);
  EXPECT_EQ(GrowFilterDataList(&holder, 20), XLX_ERR_MEMORY);
  EXPECT_EQ(StoreFilterData(&holder, 1, &third_, 0), XLX_ERR_MEMORY);
  EXPECT_EQ(std::memcmp(&before, &holder, sizeof holder), 0);
  EXPECT_EQ(ListOf(holder)->nCount, 2);
  VK_FREE(holder.pData);

  FilterDataHolder single = EmptyHolder();
  ASSERT_EQ(StoreFilterData(&single, 9, &theirs_, 0), 1);
  before = single;
  EXPECT_EQ(StoreFilterData(&single, 4, &ours_, 0), XLX_ERR_MEMORY);
  EXPECT_EQ(std::memcmp(&before, &single, sizeof single), 0);
}

}  // namespace
