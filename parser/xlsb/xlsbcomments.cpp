// Notes of a binary comments part: the author list, then per note a begin record (author index and
// cell), its text as a rich string and an end record.
#include <algorithm>
#include <string>
#include <vector>

#include "common/limits.h"
#include "common/resultcodes.h"
#include "parser/xlsb/xlsbsheetobjects.h"
#include "common/guarded.h"

namespace xlx {
namespace {

constexpr uint32_t kCommentAuthor = RawType(632);
constexpr uint32_t kBeginComment = RawType(635);
constexpr uint32_t kEndComment = RawType(636);
constexpr uint32_t kCommentText = RawType(637);

constexpr size_t kMaxAuthors = 65536;
constexpr size_t kMaxNoteText = 32767;  // characters the application keeps in one note
constexpr uint32_t kMaxRuns = 1u << 16;

// A run in the look of the stylesheet font it names.
VmlTextRun RunInFont(const Workbook& workbook, int32_t font, std::u16string text) {
  VmlTextRun run;
  run.text = std::move(text);
  if (font < 0) return run;
  const MyLogFont& f = GetFont(workbook.styles, font);
  run.face.assign(f.lfFaceName, std::find(f.lfFaceName, f.lfFaceName + 31, u'\0'));
  if (workbook.dpi > 0 && f.lfUnconvertedFontSize > 0) run.sizePt = f.lfUnconvertedFontSize * 72.0 / workbook.dpi;
  run.bold = f.lfWeight >= 600;
  run.italic = f.lfItalic != 0;
  run.underline = f.lfUnderline != 0;
  run.color = f.color;
  return run;
}

// The rich text of a note: flags, text, then (when flagged) runs of first character and font.
// False when the record is cut off.
bool ReadNoteText(const Workbook& workbook, const RecordEntry& record, SheetNote* note) {
  RecordCursor cursor(record);
  const uint8_t flags = cursor.U8();
  std::u16string text = cursor.WideString();
  std::vector<std::pair<uint16_t, uint16_t>> runs;  // first character, font
  if (flags & 1) {
    const uint32_t count = cursor.U32();
    if (!cursor.Ok() || count > kMaxRuns || count > cursor.Remaining() / 4) return false;
    for (uint32_t i = 0; i < count; ++i) {
      const uint16_t first = cursor.U16();
      runs.push_back({first, cursor.U16()});
    }
  }
  if (!cursor.Ok()) return false;
  if (text.size() > kMaxNoteText) text.resize(kMaxNoteText);
  note->runs.clear();
  // A run covers its first character up to the next run's; text before the first run is plain.
  // Runs that start past the text or do not move forward are left out.
  std::vector<std::pair<size_t, int32_t>> starts;
  if (runs.empty() || runs[0].first > 0) starts.push_back({0, -1});
  for (const auto& run : runs)
    if (run.first < text.size() && (starts.empty() || run.first > starts.back().first)) starts.push_back({run.first, run.second});
  for (size_t i = 0; i < starts.size(); ++i) {
    const size_t end = i + 1 < starts.size() ? starts[i + 1].first : text.size();
    std::u16string piece = text.substr(starts[i].first, end - starts[i].first);
    piece.erase(std::remove(piece.begin(), piece.end(), u'\r'), piece.end());
    if (!piece.empty()) note->runs.push_back(RunInFont(workbook, starts[i].second, std::move(piece)));
  }
  return true;
}

}  // namespace

int32_t ReadBinarySheetNotes(const Workbook& workbook, const RecordList& records, LegacyDrawing* drawing) {
  if (!drawing) return XLX_ERR_ARGUMENT;
  const int32_t rc = Guarded([&]() -> int32_t {
    drawing->notes.clear();
    std::vector<std::u16string> authors;
    SheetNote note;
    bool open = false;
    for (const RecordEntry& record : records) {
      if (record.type == kCommentAuthor && authors.size() < kMaxAuthors) {
        RecordCursor cursor(record);
        std::u16string name = cursor.WideString();
        authors.push_back(cursor.Ok() ? std::move(name) : std::u16string());
      } else if (record.type == kBeginComment) {
        RecordCursor cursor(record);
        const int32_t author = cursor.I32();
        const uint32_t row = cursor.U32(), rowLast = cursor.U32(), column = cursor.U32();
        (void)rowLast;
        open = cursor.Ok() && row < kMaxRows && column < kMaxColumns;
        note = SheetNote();
        // Positions outside the sheet leave the note closed (and its cell unset).
        note.row = open ? int32_t(row) + 1 : 0;
        note.column = open ? int32_t(column) + 1 : 0;
        if (author >= 0 && size_t(author) < authors.size()) note.author = authors[size_t(author)];
      } else if (record.type == kCommentText && open) {
        open = ReadNoteText(workbook, record, &note);
      } else if (record.type == kEndComment && open) {
        open = false;
        if (drawing->notes.size() >= size_t(kMaxSheetNotes)) break;
        drawing->notes.push_back(std::move(note));
      }
    }
    return XLX_OK;
  });
  if (rc != XLX_OK) drawing->notes.clear();
  return rc == XLX_ERR_MEMORY ? rc : XLX_OK;
}

int32_t LoadBinarySheetNotes(const Workbook& workbook, MyWorksheet* sheet) {
  if (!sheet) return XLX_ERR_ARGUMENT;
  if (!sheet->legacy.notes.empty()) return XLX_OK;
  const Relationship* comments = FindRelationshipByType(sheet->relationships, sheet->relationshipCount, u"comments");
  if (!comments || !comments->targetPath || HasPart(&workbook.parts, comments->targetPath) != XLX_OK) return XLX_OK;
  RecordList records;
  const int32_t rc = LoadRecordList(workbook.hPackage, &workbook.parts, comments->targetPath, &records);
  if (rc == XLX_ERR_MEMORY) return rc;
  if (rc != XLX_OK) return XLX_OK;
  return ReadBinarySheetNotes(workbook, records, &sheet->legacy);
}

}  // namespace xlx
