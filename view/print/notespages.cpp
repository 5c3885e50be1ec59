// Notes pages printed after a sheet: the notes cut into pages by an estimate of their lines, then
// drawn with wrapping in the printable area.
#include "view/print/notespages.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/cellref.h"
#include "common/resultcodes.h"

namespace xlx {
namespace {

constexpr double kNotesFontPt = 10;
constexpr double kLineFactor = 1.25;  // line height for the font height
constexpr double kCharFactor = 0.5;   // average character width for the font height

double FontPx(uint32_t yResolution) { return kNotesFontPt * std::max(1u, yResolution) / 72.0; }

std::u16string CellLine(const SheetNote& note) {
  CellRef ref;
  ref.row = note.row, ref.column = note.column;
  const std::string text = "Cell: " + FormatCellRef(ref);
  return std::u16string(text.begin(), text.end());
}

std::u16string CommentLine(const SheetNote& note) {
  std::u16string text = u"Comment:  ";
  for (const VmlTextRun& run : note.runs) text += run.text;
  return text;
}

// Lines a text takes at `perLine` characters to a line, each paragraph at least one.
int64_t Lines(const std::u16string& text, double perLine) {
  int64_t lines = 0;
  size_t start = 0;
  while (true) {
    const size_t end = text.find(u'\n', start);
    const size_t length = (end == std::u16string::npos ? text.size() : end) - start;
    lines += std::max<int64_t>(1, int64_t(std::ceil(double(length) / std::max(1.0, perLine))));
    if (end == std::u16string::npos) return lines;
    start = end + 1;
  }
}

// Height of one note's entry: its cell line, its comment lines and a blank line after.
double EntryHeight(const SheetNote& note, double width, double fontPx) {
  const double perLine = width / (fontPx * kCharFactor);
  return double(1 + Lines(CommentLine(note), perLine) + 1) * fontPx * kLineFactor;
}

}  // namespace

void AddNotesPages(const MyWorksheet& sheet, int32_t paperW, int32_t paperH, const DrawRect& area, uint32_t yResolution,
                   std::vector<PrintedPage>* pages) {
  const std::vector<SheetNote>& notes = sheet.legacy.notes;
  if (sheet.print.cellComments != kPrintCommentsAtEnd || notes.empty() || !(area.width > 0) || !(area.height > 0)) return;
  const double fontPx = FontPx(yResolution);
  size_t first = 0;
  while (first < notes.size()) {
    PrintedPage page;
    page.paperWidth = paperW, page.paperHeight = paperH;
    page.notesLeft = area.left, page.notesTop = area.top, page.notesWidth = area.width, page.notesHeight = area.height;
    page.notesFirst = int32_t(first);
    double used = 0;
    size_t next = first;
    // Every page takes at least one note, whatever its length.
    while (next < notes.size()) {
      const double h = EntryHeight(notes[next], area.width, fontPx);
      if (next > first && used + h > area.height) break;
      used += h;
      ++next;
    }
    page.notesCount = int32_t(next - first);
    pages->push_back(page);
    first = next;
  }
}

int32_t DrawNotesPage(DrawingSurface* surface, const PageRenderRequest& request, const PrintedPage& page) {
  const std::vector<SheetNote>& notes = request.sheet->legacy.notes;
  const double fontPx = FontPx(request.options.yResolution);
  DrawFontSpec spec;
  const char16_t face[] = u"Arial";
  std::copy(face, face + 6, spec.lfFaceName);
  spec.dHeightPx = fontPx;
  int32_t saved = 0;
  int32_t rc = SetDrawClipRgn(surface, page.notesLeft, page.notesTop, page.notesLeft + page.notesWidth,
                              page.notesTop + page.notesHeight, &saved);
  if (rc != XLX_OK) return rc;
  double y = page.notesTop;
  const double line = fontPx * kLineFactor;
  const int64_t end = std::min<int64_t>(int64_t(page.notesFirst) + page.notesCount, int64_t(notes.size()));
  for (int64_t i = std::max(0, page.notesFirst); i < end && rc == XLX_OK; ++i) {
    const SheetNote& note = notes[size_t(i)];
    const std::u16string cell = CellLine(note), comment = CommentLine(note);
    rc = AddDrawText(surface, cell.c_str(), int32_t(cell.size()), spec, kColorBlack, DrawRect{page.notesLeft, y, page.notesWidth, line},
                     kTextLeft | kTextTop);
    const double h = EntryHeight(note, page.notesWidth, fontPx) - 2 * line;
    if (rc == XLX_OK)
      rc = AddDrawText(surface, comment.c_str(), int32_t(comment.size()), spec, kColorBlack,
                       DrawRect{page.notesLeft, y + line, page.notesWidth, h}, kTextLeft | kTextTop | kTextWrap);
    y += h + 2 * line;
  }
  const int32_t restored = FreeDrawClipRgn(surface, saved);
  return rc != XLX_OK ? rc : restored;
}

}  // namespace xlx
