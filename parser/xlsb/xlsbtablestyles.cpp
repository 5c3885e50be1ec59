// Custom table styles of a binary styles part: each style record (pivot and table flags, element
// count, name) is followed by its element records (kind, band size, differential format).
#include <algorithm>

#include "model/tables.h"
#include "parser/xlsb/xlsbstyles.h"

namespace xlx {
namespace {

constexpr uint32_t kBeginTableStyle = RawType(510);
constexpr uint32_t kEndTableStyle = RawType(511);
constexpr uint32_t kTableStyleElement = RawType(512);

constexpr uint16_t kStyleIsPivot = 0x01;
constexpr uint16_t kStyleIsTable = 0x02;
constexpr size_t kMaxStyles = 4096;

}  // namespace

void ReadBinaryTableStyles(Stylesheet* styles, const RecordList& records) {
  const int64_t dxfCount = styles->dxfs.items.Count();
  TableStyleEntry* open = nullptr;
  for (const RecordEntry& record : records) {
    if (record.type == kBeginTableStyle) {
      RecordCursor cursor(record);
      const uint16_t flags = cursor.U16();
      const uint32_t count = cursor.U32();
      std::u16string name = cursor.WideString();
      open = nullptr;
      if (!cursor.Ok() || name.empty() || styles->tableStyles.size() >= kMaxStyles) continue;
      TableStyleEntry entry;
      entry.pivot = (flags & kStyleIsPivot) != 0;
      entry.table = (flags & kStyleIsTable) != 0;
      entry.elementCount = int32_t(std::min<uint32_t>(count, kTseCount * 4));
      open = &styles->tableStyles.emplace(std::move(name), std::move(entry)).first->second;
    } else if (record.type == kEndTableStyle) {
      open = nullptr;
    } else if (record.type == kTableStyleElement && open && open->elements.size() < size_t(kTseCount) * 4) {
      RecordCursor cursor(record);
      const uint32_t type = cursor.U32(), size = cursor.U32(), dxf = cursor.U32();
      if (!cursor.Ok() || type >= uint32_t(kTseCount)) continue;
      TableStyleEntryElement element;
      element.type = int32_t(type);
      element.size = int32_t(std::clamp<uint32_t>(size, 1, kMaxStripeSize));
      element.dxfId = int64_t(dxf) < dxfCount ? int32_t(dxf) : -1;
      open->elements.push_back(element);
    }
  }
}

}  // namespace xlx
