// Structured references to A1 references. The text is scanned once; string literals and quoted
// sheet names are copied as they are. At a '[' the table name is the word just before it (none:
// the table that holds the formula's cell), the bracket group is read as its items (special rows
// "#All", "#Data", "#Headers", "#Totals", "#This Row" or "@", and one column or a column range),
// and the word and group are replaced by the range they select.
#include "values/formula/structuredrefs.h"

#include <string>
#include <vector>

#include "common/cellref.h"

namespace xlx {
namespace {

enum RowPart : uint32_t { kRowsHeaders = 1, kRowsData = 2, kRowsTotals = 4, kRowsThis = 8 };

bool IsNameUnit(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_' ||
         c == u'.' || c == u'\\' || c >= 0x80;
}

std::u16string Upper(std::u16string s) {
  for (char16_t& c : s)
    if (c >= u'a' && c <= u'z') c = char16_t(c - 32);
  return s;
}

std::u16string Trimmed(const std::u16string& s) {
  size_t a = 0, b = s.size();
  while (a < b && s[a] == u' ') ++a;
  while (b > a && s[b - 1] == u' ') --b;
  return s.substr(a, b - a);
}

// What one bracket group selects.
struct Selection {
  uint32_t rows = 0;                  // RowPart bits; 0 means the data rows
  std::u16string firstColumn, lastColumn;  // empty: every column
  bool bad = false;
};

// One item without its brackets: a special row set, "@" with an optional column, or a column name
// with its ' escapes.
void ReadItem(const std::u16string& item, Selection* sel, bool* isColumn, std::u16string* column) {
  *isColumn = false;
  std::u16string text = Trimmed(item);
  if (!text.empty() && text[0] == u'#') {
    const std::u16string u = Upper(text);
    if (u == u"#ALL") sel->rows |= kRowsHeaders | kRowsData | kRowsTotals;
    else if (u == u"#DATA") sel->rows |= kRowsData;
    else if (u == u"#HEADERS") sel->rows |= kRowsHeaders;
    else if (u == u"#TOTALS") sel->rows |= kRowsTotals;
    else if (u == u"#THIS ROW") sel->rows |= kRowsThis;
    else sel->bad = true;
    return;
  }
  if (!text.empty() && text[0] == u'@') {
    sel->rows |= kRowsThis;
    text = Trimmed(text.substr(1));
    if (text.size() >= 2 && text.front() == u'[' && text.back() == u']') text = text.substr(1, text.size() - 2);
    if (text.empty()) return;
  }
  column->clear();
  for (size_t k = 0; k < text.size(); ++k) {
    if (text[k] == u'\'' && k + 1 < text.size()) ++k;
    column->push_back(text[k]);
  }
  *isColumn = true;
}

// Splits "[a],[b]:[c]" into its bracketed items and the ':' between two of them.
Selection ReadGroup(const std::u16string& content) {
  Selection sel;
  if (content.empty() || content[0] != u'[') {
    bool isColumn = false;
    std::u16string column;
    ReadItem(content, &sel, &isColumn, &column);
    if (isColumn) sel.firstColumn = sel.lastColumn = column;
    return sel;
  }
  std::vector<std::u16string> columns;
  bool range = false;
  size_t k = 0;
  while (k < content.size() && !sel.bad) {
    const char16_t c = content[k];
    if (c == u' ' || c == u',') { ++k; continue; }
    if (c == u':') { range = true; ++k; continue; }
    // Items are bracketed; some writers leave a plain column name bare ("[[#This Row],Qty]").
    const bool bare = c != u'[';
    const size_t begin = bare ? k : k + 1;
    size_t end = begin;
    while (end < content.size() && (bare ? content[end] != u',' && content[end] != u':' : content[end] != u']'))
      end += content[end] == u'\'' ? 2 : 1;
    if (!bare && end >= content.size()) { sel.bad = true; break; }
    bool isColumn = false;
    std::u16string column;
    ReadItem(content.substr(begin, std::min(end, content.size()) - begin), &sel, &isColumn, &column);
    if (isColumn) columns.push_back(column);
    k = bare ? end : end + 1;
  }
  if (columns.size() > 2 || (columns.size() == 2 && !range)) sel.bad = true;
  if (!columns.empty()) {
    sel.firstColumn = columns.front();
    sel.lastColumn = columns.back();
  }
  return sel;
}

int32_t FindColumn(const TableBase& t, const std::u16string& name) {
  const std::u16string key = Upper(name), trimmed = Upper(Trimmed(name));
  for (size_t k = 0; k < t.columns.size(); ++k) {
    const std::u16string c = Upper(t.columns[k].name);
    if (c == key || c == trimmed) return static_cast<int32_t>(k);
  }
  return -1;
}

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// The A1 text of the selection, or "#REF!".
std::u16string RangeText(const Workbook& wb, int32_t tableSheet, const TableBase& t, const Selection& sel, int32_t row) {
  const std::u16string bad = u"#REF!";
  if (sel.bad) return bad;
  const TableBounds& r = t.range;
  const int32_t dataFirst = r.RowFirst + t.headerRowCount, dataLast = r.RowLast - t.totalsRowCount;
  int32_t first = 0, last = -1;
  auto add = [&](int32_t a, int32_t b) {
    if (a > b) return;
    if (last < first) first = a, last = b;
    else if (a <= last + 1 && b >= first - 1) first = std::min(first, a), last = std::max(last, b);
    else first = 1, last = 0;  // two bands with a gap: no single range
  };
  const uint32_t rows = sel.rows ? sel.rows : uint32_t(kRowsData);
  if ((rows & kRowsHeaders) && t.headerRowCount == 0 && rows == kRowsHeaders) return bad;
  if ((rows & kRowsTotals) && t.totalsRowCount == 0 && rows == kRowsTotals) return bad;
  if (rows & kRowsThis) {
    if (rows != kRowsThis || row < r.RowFirst || row > r.RowLast) return bad;
  } else {
    if ((rows & kRowsHeaders) && t.headerRowCount) add(r.RowFirst, r.RowFirst);
    if (rows & kRowsData) add(dataFirst, dataLast);
    if ((rows & kRowsTotals) && t.totalsRowCount) add(r.RowLast, r.RowLast);
    if (last < first) return bad;
  }
  int32_t c0 = r.ColFirst, c1 = r.ColLast;
  if (!sel.firstColumn.empty()) {
    const int32_t a = FindColumn(t, sel.firstColumn), b = FindColumn(t, sel.lastColumn);
    if (a < 0 || b < 0 || r.ColFirst + std::max(a, b) > r.ColLast) return bad;
    c0 = r.ColFirst + std::min(a, b), c1 = r.ColFirst + std::max(a, b);
  }
  std::u16string out = u"'";
  for (const char16_t* p = wb.sheets[tableSheet].sheetName; *p; ++p) {
    if (*p == u'\'') out.push_back(u'\'');
    out.push_back(*p);
  }
  out += u"'!";
  const bool thisRow = (rows & kRowsThis) != 0;
  auto cell = [&](int32_t c, int32_t rw) {
    return u"$" + Wide(ColumnLetters(c)) + (thisRow ? u"" : u"$") + Wide(std::to_string(rw));
  };
  if (thisRow) first = last = row;
  out += cell(c0, first);
  if (c1 != c0 || last != first) out += u":" + cell(c1, last);
  return out;
}

class Expander {
 public:
  Expander(const Workbook& wb, int32_t sheet, int32_t row, int32_t col, const std::u16string& s)
      : wb_(wb), sheet_(sheet), row_(row), col_(col), s_(s) {}

  bool Run(std::u16string* out) {
    bool changed = false;
    size_t i = 0;
    while (i < s_.size()) {
      const char16_t c = s_[i];
      if (c == u'\'' && ReplaceQuotedQualified(i, out, &i)) { changed = true; continue; }
      if (c == u'"' || c == u'\'') {
        i = CopyQuoted(i, c, out);
        continue;
      }
      if (c == u'[' && s_.compare(i, 4, u"[0]!") == 0 && ReplaceQualified(u"", i + 3, out, &i)) {
        changed = true;
        continue;
      }
      if (IsNameUnit(c) && (i == 0 || !IsNameUnit(s_[i - 1]))) {
        size_t end = i;
        while (end < s_.size() && IsNameUnit(s_[end])) ++end;
        if (end < s_.size() && s_[end] == u'!' && (i == 0 || s_[i - 1] != u']') &&
            ReplaceQualified(s_.substr(i, end - i), end, out, &i)) {
          changed = true;
          continue;
        }
        if (ReplaceNamed(i, end, out, &i)) { changed = true; continue; }
        out->append(s_, i, end - i);
        i = end;
        continue;
      }
      if (c == u'[' && ReplaceGroup(i, nullptr, out, &i)) { changed = true; continue; }
      out->push_back(c);
      ++i;
    }
    return changed;
  }

 private:
  size_t CopyQuoted(size_t i, char16_t quote, std::u16string* out) {
    out->push_back(s_[i++]);
    while (i < s_.size()) {
      out->push_back(s_[i]);
      if (s_[i++] == quote) {
        if (i < s_.size() && s_[i] == quote) { out->push_back(s_[i++]); continue; }
        break;
      }
    }
    return i;
  }

  // The bracket group starting at `open`: its content and the index past its closing ']'.
  bool GroupAt(size_t open, std::u16string* content, size_t* next) const {
    int32_t depth = 0;
    for (size_t k = open; k < s_.size(); ++k) {
      const char16_t c = s_[k];
      if (c == u'\'') { ++k; continue; }
      if (c == u'[' && ++depth > kMaxStructuredNesting) return false;
      if (c == u']' && --depth == 0) {
        *content = s_.substr(open + 1, k - open - 1);
        *next = k + 1;
        return true;
      }
    }
    return false;
  }

  const TableBase* TableNamed(const std::u16string& name, int32_t* sheet) const {
    auto found = wb_.tableIndex.byName.find(TableNameKey(name));
    if (found == wb_.tableIndex.byName.end()) return nullptr;
    const TableLocator& at = found->second;
    if (at.sheet < 0 || at.sheet >= ReferableSheetCount(&wb_) || at.sheet >= static_cast<int32_t>(wb_.sheets.Count())) return nullptr;
    const SheetTables& tables = wb_.sheets[at.sheet].tables;
    if (at.index < 0 || at.index >= static_cast<int32_t>(tables.items.size())) return nullptr;
    *sheet = at.sheet;
    return &tables.items[at.index];
  }

  // "'My Sheet'!Table[...]" at the quote `open`.
  bool ReplaceQuotedQualified(size_t open, std::u16string* out, size_t* next) {
    std::u16string sheet;
    size_t k = open + 1;
    for (; k < s_.size(); ++k) {
      if (s_[k] != u'\'') {
        sheet.push_back(s_[k]);
        continue;
      }
      if (k + 1 < s_.size() && s_[k + 1] == u'\'') {
        sheet.push_back(s_[++k]);
        continue;
      }
      break;
    }
    if (k + 1 >= s_.size() || s_[k + 1] != u'!' || sheet.empty() || sheet[0] == u'[') return false;
    return ReplaceQualified(sheet, k + 1, out, next);
  }

  // A table reference qualified by a sheet ("Sheet1!Table[Col]") or by the workbook itself
  // ("[0]!Table[Col]", `sheet` empty), the '!' at `bang`. Table names are unique in a workbook,
  // so the qualifier only has to agree: a table that is not on the named sheet, or that does not
  // exist, is "#REF!". False when no bracket group follows the name.
  bool ReplaceQualified(const std::u16string& sheet, size_t bang, std::u16string* out, size_t* next) {
    size_t end = bang + 1;
    while (end < s_.size() && IsNameUnit(s_[end])) ++end;
    if (end == bang + 1 || end >= s_.size() || s_[end] != u'[') return false;
    std::u16string content;
    size_t after = 0;
    if (!GroupAt(end, &content, &after)) return false;
    int32_t tableSheet = -1;
    const TableBase* t = TableNamed(s_.substr(bang + 1, end - bang - 1), &tableSheet);
    const bool sameSheet = t && (sheet.empty() || Upper(sheet) == Upper(wb_.sheets[tableSheet].sheetName));
    out->append(sameSheet ? RangeText(wb_, tableSheet, *t, ReadGroup(content), row_) : u"#REF!");
    *next = after;
    return true;
  }

  // A word: a table name before '[' or on its own (its data rows).
  bool ReplaceNamed(size_t start, size_t end, std::u16string* out, size_t* next) {
    if (start > 0 && (s_[start - 1] == u'!' || s_[start - 1] == u']' || s_[start - 1] == u'$')) return false;
    int32_t sheet = -1;
    const TableBase* t = TableNamed(s_.substr(start, end - start), &sheet);
    if (end < s_.size() && s_[end] == u'[') {
      if (!t) {
        std::u16string content;
        size_t after = 0;
        if (!GroupAt(end, &content, &after)) return false;
        out->append(u"#REF!");
        *next = after;
        return true;
      }
      return ReplaceGroup(end, t, out, next, sheet);
    }
    if (!t || (end < s_.size() && (s_[end] == u'(' || s_[end] == u'!'))) return false;
    out->append(RangeText(wb_, sheet, *t, Selection(), row_));
    *next = end;
    return true;
  }

  // A group with its table (null: the table of the formula's cell).
  bool ReplaceGroup(size_t open, const TableBase* t, std::u16string* out, size_t* next, int32_t sheet = -1) {
    std::u16string content;
    size_t after = 0;
    if (!GroupAt(open, &content, &after)) return false;
    if (!t) {
      // A group after a name that is not a table ("[1]!Name[x]" of another workbook) is left.
      if (open > 0 && (IsNameUnit(s_[open - 1]) || s_[open - 1] == u'!')) return false;
      // "[1]Sheet!A1" names another workbook: digits followed by more of a reference.
      if (after < s_.size() && (IsNameUnit(s_[after]) || s_[after] == u'\'' || s_[after] == u'!')) return false;
      if (sheet_ < 0 || sheet_ >= ReferableSheetCount(&wb_) || sheet_ >= static_cast<int32_t>(wb_.sheets.Count())) return false;
      t = FindTableAt(wb_.sheets[sheet_].tables, row_, col_);
      if (!t || t->kind != kTableKindTable) return false;
      sheet = sheet_;
    }
    out->append(RangeText(wb_, sheet, *t, ReadGroup(content), row_));
    *next = after;
    return true;
  }

  const Workbook& wb_;
  int32_t sheet_, row_, col_;
  const std::u16string& s_;
};

}  // namespace

const std::u16string& ExpandStructuredReferences(const Workbook& workbook, int32_t sheet, int32_t row, int32_t column,
                                                 const std::u16string& text, std::u16string* scratch) {
  if (workbook.tableIndex.byName.empty() || text.size() > 65536) return text;
  scratch->clear();
  try {
    if (!Expander(workbook, sheet, row, column, text).Run(scratch)) return text;
  } catch (...) {
    return text;
  }
  return *scratch;
}

}  // namespace xlx
