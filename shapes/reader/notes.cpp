// Notes of a worksheet's comments part: the cell, author and rich text of each `comment`.
#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "common/cellref.h"
#include "common/resultcodes.h"
#include "parser/styles/color.h"
#include "shapes/reader/vml.h"
#include "parser/xml/dom.h"

namespace xlx {
namespace {

constexpr int32_t kMaxAuthors = 65536;
constexpr size_t kMaxNoteText = 32767;  // characters the application keeps in one note

void ReadRunFont(const Workbook& workbook, pugi::xml_node rPr, VmlTextRun* run) {
  for (pugi::xml_node p = rPr.first_child(); p; p = p.next_sibling()) {
    const char* name = LocalName(p.name());
    pugi::xml_attribute val = p.attribute("val");
    if (!std::strcmp(name, "b")) run->bold = !val || ReadBool(val);
    else if (!std::strcmp(name, "i")) run->italic = !val || ReadBool(val);
    else if (!std::strcmp(name, "u")) run->underline = !val || std::strcmp(val.value(), "none") != 0;
    else if (!std::strcmp(name, "rFont")) run->face = ToUtf16(val.value()).substr(0, 31);
    else if (!std::strcmp(name, "color")) run->color = ResolveColorAttributes(workbook, p);
    else if (!std::strcmp(name, "sz")) {
      double size = 0;
      if (ReadDouble(val, &size) && size >= 1 && size <= 409) run->sizePt = size;
    }
  }
}

void ReadNoteText(const Workbook& workbook, pugi::xml_node text, SheetNote* note) {
  size_t total = 0;
  for (pugi::xml_node part = text.first_child(); part; part = part.next_sibling()) {
    VmlTextRun run;
    if (IsElement(part, "t")) {
      run.text = ToUtf16(ElementText(part));
    } else if (IsElement(part, "r")) {
      ReadRunFont(workbook, Child(part, "rPr"), &run);
      run.text = ToUtf16(ElementText(Child(part, "t")));
    } else {
      continue;  // phonetic runs and properties are not shown
    }
    run.text.erase(std::remove(run.text.begin(), run.text.end(), u'\r'), run.text.end());
    if (total + run.text.size() > kMaxNoteText) run.text.resize(kMaxNoteText - total);
    total += run.text.size();
    if (!run.text.empty()) note->runs.push_back(std::move(run));
    if (total >= kMaxNoteText) break;
  }
}

}  // namespace

int32_t ReadSheetNotes(const Workbook& workbook, const char* text, size_t size, LegacyDrawing* drawing) {
  if (!drawing) return XLX_ERR_ARGUMENT;
  drawing->notes.clear();
  if (!text || size == 0) return XLX_OK;
  const int32_t rc = Guarded([&]() -> int32_t {
    pugi::xml_document doc;
    if (!doc.load_buffer(text, size, pugi::parse_default | pugi::parse_ws_pcdata_single)) return XLX_OK;
    pugi::xml_node comments = Child(doc, "comments");
    std::vector<std::u16string> authors;
    for (pugi::xml_node a = Child(Child(comments, "authors"), "author"); a && authors.size() < size_t(kMaxAuthors);
         a = NextNamed(a, "author"))
      authors.push_back(ToUtf16(ElementText(a)));
    for (pugi::xml_node c = Child(Child(comments, "commentList"), "comment");
         c && drawing->notes.size() < size_t(kMaxSheetNotes); c = NextNamed(c, "comment")) {
      CellRef cell;
      if (!ParseCellRef(std::string_view(c.attribute("ref").value()), &cell)) continue;
      SheetNote note;
      note.row = cell.row, note.column = cell.column;
      int32_t author = -1;
      if (ReadInt(c.attribute("authorId"), &author) && author >= 0 && size_t(author) < authors.size())
        note.author = authors[size_t(author)];
      ReadNoteText(workbook, Child(c, "text"), &note);
      drawing->notes.push_back(std::move(note));
    }
    return XLX_OK;
  });
  if (rc != XLX_OK) drawing->notes.clear();
  return rc == XLX_ERR_MEMORY ? rc : XLX_OK;
}

}  // namespace xlx
