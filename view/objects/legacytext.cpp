// Rich text of text boxes, notes and control captions, and the cells controls are linked to.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/cellref.h"
#include "common/resultcodes.h"
#include "view/objects/legacy.h"
#include "view/cells/text.h"

namespace xlx {
namespace {

struct Piece {
  const CachedDrawFont* font = nullptr;
  const VmlTextRun* run = nullptr;
  std::u16string text;
  double width = 0;
  bool lineBreak = false;
};

struct Line {
  size_t first = 0, last = 0;  // pieces [first, last)
  double width = 0, height = 0, ascent = 0;
};

const CachedDrawFont* RunFont(LegacyContext& c, const VmlTextRun& run, const char16_t* face, double sizePt) {
  MyLogFont f;
  const std::u16string& name = run.face.empty() ? std::u16string(face) : run.face;
  const size_t n = std::min<size_t>(name.size(), 31);
  std::copy_n(name.begin(), n, f.lfFaceName);
  f.lfUnconvertedFontSize = (run.sizePt > 0 ? run.sizePt : sizePt) * c.pxPerPt;
  f.lfWeight = run.bold ? 700 : 400;
  f.lfItalic = run.italic;
  f.lfUnderline = run.underline;
  return c.fonts.Get(f, 1.0);
}

// Words with the blanks after them, and line breaks, each measured in its run's font.
std::vector<Piece> Split(LegacyContext& c, const std::vector<VmlTextRun>& runs, const char16_t* face, double sizePt) {
  std::vector<Piece> pieces;
  for (const VmlTextRun& run : runs) {
    const CachedDrawFont* font = RunFont(c, run, face, sizePt);
    if (!font) continue;
    size_t at = 0;
    while (at < run.text.size()) {
      Piece p;
      p.font = font, p.run = &run;
      if (run.text[at] == u'\n') {
        p.lineBreak = true;
        ++at;
      } else {
        size_t end = at;
        while (end < run.text.size() && run.text[end] != u' ' && run.text[end] != u'\n') ++end;
        while (end < run.text.size() && run.text[end] == u' ') ++end;
        p.text = run.text.substr(at, end - at);
        double h = 0;
        c.fonts.Measure(*font, p.text.c_str(), int32_t(p.text.size()), 0, &p.width, &h);
        at = end;
      }
      pieces.push_back(std::move(p));
    }
  }
  return pieces;
}

std::vector<Line> Lay(const std::vector<Piece>& pieces, double width, bool wrap) {
  std::vector<Line> lines(1);
  for (size_t i = 0; i < pieces.size(); ++i) {
    const Piece& p = pieces[i];
    Line* line = &lines.back();
    if (!p.lineBreak && wrap && line->last > line->first && line->width + p.width > width) {
      lines.push_back(Line{i, i, 0, 0, 0});
      line = &lines.back();
    }
    line->height = std::max(line->height, p.font->lineHeight);
    line->ascent = std::max(line->ascent, p.font->ascent);
    line->last = i + 1;
    if (p.lineBreak) {
      lines.push_back(Line{i + 1, i + 1, 0, 0, 0});
      continue;
    }
    line->width += p.width;
  }
  return lines;
}

// Width of a line without the blanks that end it.
double InkWidth(const std::vector<Piece>& pieces, const Line& line) {
  double w = line.width;
  for (size_t i = line.last; i-- > line.first;) {
    const Piece& p = pieces[i];
    if (p.lineBreak) continue;
    size_t blanks = 0;
    while (blanks < p.text.size() && p.text[p.text.size() - 1 - blanks] == u' ') ++blanks;
    if (blanks == 0) break;
    w -= p.width * double(blanks) / double(p.text.size());
    if (blanks < p.text.size()) break;
  }
  return std::max(0.0, w);
}

}  // namespace

CellColor LegacySystemColor(const char* name) {
  CellColor color = kColorBlack;
  (void)VmlSystemColor(name, &color);
  return color;
}

int32_t DrawLegacyText(LegacyContext& c, const std::vector<VmlTextRun>& runs, const DrawRect& box, int32_t align,
                       int32_t vAlign, const char16_t* face, double sizePt, bool wrap) {
  if (runs.empty() || !(box.width > 0) || !(box.height > 0)) return XLX_OK;
  const std::vector<Piece> pieces = Split(c, runs, face, sizePt);
  std::vector<Line> lines = Lay(pieces, box.width, wrap);
  double total = 0;
  for (Line& l : lines) {
    if (l.height == 0) l.height = pieces.empty() ? 0 : pieces[std::min(l.first, pieces.size() - 1)].font->lineHeight;
    total += l.height;
  }
  double y = box.top + (vAlign == 1 ? (box.height - total) / 2 : vAlign == 2 ? box.height - total : 0);
  int32_t saved = 0;
  int32_t rc = SetDrawClipRgn(c.surface, box.left, box.top, box.left + box.width, box.top + box.height, &saved);
  if (rc != XLX_OK) return rc;
  for (const Line& l : lines) {
    if (y > box.top + box.height) break;
    const double ink = InkWidth(pieces, l);
    double x = box.left + (align == 1 ? (box.width - ink) / 2 : align == 2 ? box.width - ink : 0);
    for (size_t i = l.first; i < l.last && rc == XLX_OK; ++i) {
      const Piece& p = pieces[i];
      if (p.lineBreak || p.text.empty()) continue;
      const CellColor color = c.request.blackAndWhite || (p.run->color >> 24) == 0 ? kColorBlack : p.run->color;
      const DrawRect at{x, y + l.ascent - p.font->ascent, 0, 0};
      rc = AddDrawTextInFont(c.surface, p.text.c_str(), int32_t(p.text.size()), p.font->font, color, at, kTextLeft | kTextTop);
      x += p.width;
    }
    y += l.height;
  }
  const int32_t restored = FreeDrawClipRgn(c.surface, saved);
  return rc != XLX_OK ? rc : restored;
}

namespace {

// The cell part of a reference to this sheet, or empty when it names another sheet.
std::u16string_view OnThisSheet(const LegacyContext& c, const std::u16string& ref) {
  std::u16string_view v(ref);
  while (!v.empty() && (v.front() == u' ' || v.front() == u'=')) v.remove_prefix(1);
  const size_t bang = v.rfind(u'!');
  if (bang == std::u16string_view::npos) return v;
  std::u16string_view name = v.substr(0, bang);
  if (name.size() >= 2 && name.front() == u'\'' && name.back() == u'\'') name = name.substr(1, name.size() - 2);
  const char16_t* own = c.request.sheet->sheetName;
  size_t i = 0;
  for (; i < name.size() && own[i]; ++i) {
    const auto lower = [](char16_t ch) { return ch >= u'A' && ch <= u'Z' ? char16_t(ch + 32) : ch; };
    if (lower(name[i]) != lower(own[i])) return std::u16string_view();
  }
  return i == name.size() && !own[i] ? v.substr(bang + 1) : std::u16string_view();
}

}  // namespace

const CellRecord* LinkedCell(const LegacyContext& c, const std::u16string& link) {
  CellRef cell;
  const std::u16string_view ref = OnThisSheet(c, link);
  if (ref.empty() || !ParseCellRef(ref, &cell)) return nullptr;
  return FindCell(*c.request.sheet, cell.row, cell.column);
}

int64_t RangeSize(const LegacyContext& c, const std::u16string& range) {
  CellRange r;
  const std::u16string_view ref = OnThisSheet(c, range);
  if (ref.empty() || !ParseCellRange(ref, &r)) return 0;
  return int64_t(r.last.row - r.first.row + 1) * (r.last.column - r.first.column + 1);
}

std::u16string RangeText(LegacyContext& c, const std::u16string& range, int64_t index) {
  CellRange r;
  const std::u16string_view ref = OnThisSheet(c, range);
  if (index < 0 || ref.empty() || !ParseCellRange(ref, &r)) return std::u16string();
  const int64_t columns = r.last.column - r.first.column + 1;
  const int64_t row = r.first.row + index / columns, column = r.first.column + index % columns;
  if (row > r.last.row) return std::u16string();
  const MyWorksheet& sheet = *c.request.sheet;
  const CellRecord* cell = FindCell(sheet, int32_t(row), int32_t(column));
  const CachedDrawFont* font = c.fonts.Get(sheet.normalFont, 1.0);
  CellText text;
  if (!cell || !font || !BuildCellText(*c.request.workbook, sheet, *cell, 1e6, c.fonts, *font, &text)) return std::u16string();
  return text.text;
}

}  // namespace xlx
