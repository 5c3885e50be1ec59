// A1 cell references, read from narrow and UTF-16 text by the same templates.
#include "common/cellref.h"

namespace xlx {
namespace {

template <typename Char>
int32_t Upper(Char c) {
  return c >= 'a' && c <= 'z' ? int32_t(c) - 32 : int32_t(c);
}
template <typename Char>
bool IsLetter(Char c) {
  return Upper(c) >= 'A' && Upper(c) <= 'Z';
}
template <typename Char>
bool IsDigit(Char c) {
  return c >= '0' && c <= '9';
}

// Reads "$" and letters at text[*i]: the column (0 when there are no letters or too many), and
// whether it was absolute. Stops counting past the limit so long runs cannot overflow.
template <typename Char>
int32_t ReadColumn(std::basic_string_view<Char> t, size_t* i, bool* absolute) {
  *absolute = *i < t.size() && t[*i] == '$';
  if (*absolute) ++*i;
  int64_t column = 0;
  size_t letters = 0;
  for (; *i < t.size() && IsLetter(t[*i]); ++*i, ++letters)
    if (column <= kMaxColumns) column = column * 26 + (Upper(t[*i]) - 'A' + 1);
  return letters && column <= kMaxColumns ? int32_t(column) : 0;
}

template <typename Char>
int32_t ReadRow(std::basic_string_view<Char> t, size_t* i, bool* absolute) {
  *absolute = *i < t.size() && t[*i] == '$';
  if (*absolute) ++*i;
  int64_t row = 0;
  size_t digits = 0;
  for (; *i < t.size() && IsDigit(t[*i]); ++*i, ++digits)
    if (row <= kMaxRows) row = row * 10 + (t[*i] - '0');
  return digits && row >= 1 && row <= kMaxRows ? int32_t(row) : 0;
}

template <typename Char>
bool ParseCell(std::basic_string_view<Char> t, CellRef* cell) {
  size_t i = 0;
  CellRef c;
  c.column = ReadColumn(t, &i, &c.columnAbsolute);
  c.row = ReadRow(t, &i, &c.rowAbsolute);
  if (!c.column || !c.row || i != t.size()) return false;
  *cell = c;
  return true;
}

// "A" or "$A" alone (a whole-column end), or "5" or "$5" alone (a whole-row end).
template <typename Char>
bool ParseColumnOnly(std::basic_string_view<Char> t, CellRef* cell) {
  size_t i = 0;
  cell->column = ReadColumn(t, &i, &cell->columnAbsolute);
  return cell->column && i == t.size();
}
template <typename Char>
bool ParseRowOnly(std::basic_string_view<Char> t, CellRef* cell) {
  size_t i = 0;
  cell->row = ReadRow(t, &i, &cell->rowAbsolute);
  return cell->row && i == t.size();
}

template <typename T>
void Order(T* a, T* b) {
  if (*b < *a) {
    T t = *a;
    *a = *b;
    *b = t;
  }
}

template <typename Char>
bool ParseRange(std::basic_string_view<Char> t, CellRange* range) {
  CellRange r;
  const size_t colon = t.find(Char(':'));
  if (colon == t.npos) {
    if (!ParseCell(t, &r.first)) return false;
    r.last = r.first;
  } else {
    const auto a = t.substr(0, colon), b = t.substr(colon + 1);
    if (ParseCell(a, &r.first) && ParseCell(b, &r.last)) {
    } else if (ParseColumnOnly(a, &r.first) && ParseColumnOnly(b, &r.last)) {
      r.wholeColumns = true;
      r.first.row = 1, r.last.row = kMaxRows;
    } else if (ParseRowOnly(a, &r.first) && ParseRowOnly(b, &r.last)) {
      r.wholeRows = true;
      r.first.column = 1, r.last.column = kMaxColumns;
    } else {
      return false;
    }
  }
  Order(&r.first.row, &r.last.row);
  Order(&r.first.column, &r.last.column);
  *range = r;
  return true;
}

}  // namespace

int32_t ColumnFromLetters(std::string_view letters) {
  size_t i = 0;
  bool absolute = false;
  if (!letters.empty() && letters[0] == '$') return 0;
  const int32_t column = ReadColumn(letters, &i, &absolute);
  return i == letters.size() ? column : 0;
}

std::string ColumnLetters(int32_t column) {
  std::string name;
  if (column < 1 || column > int32_t(kMaxColumns)) return name;
  for (; column > 0; column = (column - 1) / 26) name.insert(name.begin(), char('A' + (column - 1) % 26));
  return name;
}

std::string FormatCellRef(const CellRef& cell) {
  std::string letters = ColumnLetters(cell.column);
  if (letters.empty() || cell.row < 1 || cell.row > int32_t(kMaxRows)) return std::string();
  return (cell.columnAbsolute ? "$" : "") + letters + (cell.rowAbsolute ? "$" : "") + std::to_string(cell.row);
}

bool ParseCellRef(std::string_view text, CellRef* cell) { return ParseCell(text, cell); }
bool ParseCellRef(std::u16string_view text, CellRef* cell) { return ParseCell(text, cell); }
bool ParseCellRange(std::string_view text, CellRange* range) { return ParseRange(text, range); }
bool ParseCellRange(std::u16string_view text, CellRange* range) { return ParseRange(text, range); }

int32_t ColumnOfReference(const char* text) {
  if (!text) return 0;
  size_t n = 0;
  while (text[n] == '$' || IsLetter(text[n])) ++n;  // only the column part is read
  size_t i = 0;
  bool absolute = false;
  return ReadColumn(std::string_view(text, n), &i, &absolute);
}

bool SplitSheetName(std::u16string_view text, std::u16string* sheet, std::u16string_view* reference) {
  sheet->clear();
  if (!text.empty() && text[0] == u'\'') {
    size_t i = 1;
    for (; i < text.size(); ++i) {
      if (text[i] != u'\'') {
        sheet->push_back(text[i]);
      } else if (i + 1 < text.size() && text[i + 1] == u'\'') {
        sheet->push_back(u'\'');
        ++i;
      } else {
        break;
      }
    }
    if (i + 1 >= text.size() || text[i] != u'\'' || text[i + 1] != u'!') return false;
    *reference = text.substr(i + 2);
    return true;
  }
  const size_t bang = text.rfind(u'!');
  if (bang == text.npos) {
    *reference = text;
  } else {
    sheet->assign(text.substr(0, bang));
    *reference = text.substr(bang + 1);
  }
  return true;
}

std::u16string_view FirstArea(std::u16string_view list) {
  bool quoted = false;
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i] == u'\'') quoted = !quoted;
    else if (list[i] == u',' && !quoted) return list.substr(0, i);
  }
  return list;
}

}  // namespace xlx
