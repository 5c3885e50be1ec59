// Shared strings and rich text of binary parts: the string items of the shared-string part and
// the rich-string cells of a sheet. Runs name a font of the stylesheet by index.
#include <cstring>
#include <new>

#include "common/resultcodes.h"
#include "model/modellimits.h"
#include "parser/xlsb/xlsbreader.h"
#include "parser/xlsb/xlsbstrings.h"
#include "common/apiutils.h"
#include "common/guarded.h"

namespace xlx {

namespace {

constexpr uint32_t kMaxRuns = 1u << 16;

// The runs of a rich string: run i covers its first unit up to the next run's; text before the
// first run is a plain run of its own.
int32_t SplitRuns(RichString* string, TextArena* arena, const Workbook& workbook, const std::u16string& text,
                  const std::vector<std::pair<uint16_t, uint16_t>>& runs) {
  std::vector<std::pair<size_t, int32_t>> starts;  // first unit, font index (-1 plain)
  if (runs.empty() || runs[0].first > 0) starts.push_back({0, -1});
  for (const auto& run : runs) {
    size_t first = run.first;
    if (first >= text.size() || (!starts.empty() && first <= starts.back().first)) continue;
    starts.push_back({first, run.second});
  }
  TextRun* out = static_cast<TextRun*>(arena->Allocate(starts.size() * sizeof(TextRun)));
  if (!out) return XLX_ERR_MEMORY;
  for (size_t i = 0; i < starts.size(); ++i) {
    size_t end = i + 1 < starts.size() ? starts[i + 1].first : text.size();
    TextRun& run = out[i];
    run.text = arena->CopyUtf16(text.data() + starts[i].first, end - starts[i].first);
    if (!run.text) return XLX_ERR_MEMORY;
    run.length = int32_t(end - starts[i].first);
    if (starts[i].second >= 0) {
      void* block = arena->Allocate(sizeof(MyLogFont));
      if (!block) return XLX_ERR_MEMORY;
      run.font = new (block) MyLogFont(GetFont(workbook.styles, starts[i].second));
    }
  }
  string->runs = out;
  string->runCount = int32_t(starts.size());
  return XLX_OK;
}

}  // namespace

int32_t ReadBinaryRichString(RecordCursor* cursor, TextArena* arena, const Workbook& workbook, RichString* string) {
  *string = RichString();
  uint8_t flags = cursor->U8();
  std::u16string text = cursor->WideString();
  std::vector<std::pair<uint16_t, uint16_t>> runs;
  if (flags & 1) {
    uint32_t count = cursor->U32();
    if (!cursor->Ok() || count > kMaxRuns || count > cursor->Remaining() / 4)
      return XLX_CORRUPT(XLX_ERR_FORMAT, "rich string runs past the record");
    runs.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
      uint16_t first = cursor->U16();
      uint16_t font = cursor->U16();
      runs.push_back({first, font});
    }
  }
  if (!cursor->Ok()) return XLX_CORRUPT(XLX_ERR_FORMAT, "rich string cut off");
  string->text = arena->CopyUtf16(text.data(), text.size());
  if (!string->text) return XLX_ERR_MEMORY;
  string->textLength = int32_t(text.size());
  // Phonetic runs that may follow are not shown.
  return runs.empty() ? XLX_OK : SplitRuns(string, arena, workbook, text, runs);
}

int32_t ReadBinarySharedStrings(SharedStringTable* table, const Workbook& workbook, const RecordList& records) {
  if (!table) return XLX_ERR_ARGUMENT;
  return Guarded([&]() -> int32_t {
    table->count = 0;
    table->strings.Free();
    int32_t items = 0;
    for (const RecordEntry& record : records)
      if (record.type == brt::kSstItem && items < kMaxSharedStringCount) ++items;
    if (items < 1) return XLX_OK;
    if (table->strings.Allocate(size_t(items)) != XLX_OK) return XLX_ERR_MEMORY;
    table->count = items;
    int32_t index = 0;
    for (const RecordEntry& record : records) {
      if (record.type != brt::kSstItem || index >= items) continue;
      RecordCursor cursor(record);
      int32_t rc = ReadBinaryRichString(&cursor, &table->arena, workbook, &table->strings[index++]);
      if (rc != XLX_OK) return rc;
    }
    return XLX_OK;
  });
}

int32_t LoadBinarySharedStrings(Workbook* workbook) {
  if (!workbook) return XLX_ERR_ARGUMENT;
  const std::u16string& path = workbook->sharedStringsPath;
  if (path.empty() || HasPart(&workbook->parts, path.c_str()) != XLX_OK) return XLX_OK;
  RecordList records;
  int32_t rc = LoadRecordList(workbook->hPackage, &workbook->parts, path.c_str(), &records);
  if (rc == XLX_OK) rc = ReadBinarySharedStrings(&workbook->sharedStrings, *workbook, records);
  if (rc != XLX_OK) {
    workbook->sharedStrings.strings.Free();
    workbook->sharedStrings.arena.Free();
    workbook->sharedStrings.count = 0;
  }
  return rc;
}

}  // namespace xlx
