// Shared strings and rich text (`si` of the shared-string part, `is` of inline-string cells).
#include <cstring>
#include <new>

#include "model/modellimits.h"
#include "parser/xlsxprsr.h"
#include "parser/xml/escapes.h"
#include "parser/xml/dom.h"
#include "common/resultcodes.h"

namespace xlx {

int32_t ReadRichString(RichString* string, TextArena* arena, const Workbook& workbook, pugi::xml_node si) {
  *string = RichString();
  int32_t runCount = CountElementChildren(si);
  if (runCount == 1) {
    pugi::xml_node only = si.first_child();
    while (only.type() != pugi::node_element) only = only.next_sibling();
    if (IsElement(only, "t")) {
      // One plain text: no runs, the text is the whole string.
      const char* text = ElementText(only);
      char16_t* copy = arena->CopyUtf8(text, strlen(text), &string->textLength);
      if (copy && MayHoldEscapes(text)) string->textLength = DecodeEscapesInPlace(copy, string->textLength);
      string->text = copy;
      return string->text ? 1 : -1;
    }
  }
  TextRun* runs = nullptr;
  if (runCount > 0) {
    runs = static_cast<TextRun*>(arena->Allocate(size_t(runCount) * sizeof(TextRun)));
    if (!runs) return XLX_ERR_MEMORY;
  }
  int64_t totalUnits = 0;
  int32_t filled = 0, index = 0;
  for (pugi::xml_node child = si.first_child(); child && index < runCount; child = child.next_sibling()) {
    if (child.type() != pugi::node_element) continue;
    TextRun* run = &runs[index++];
    pugi::xml_node textNode;
    if (IsElement(child, "t")) {
      textNode = child;
    } else if (IsElement(child, "r")) {
      textNode = Child(child, "t");
      if (pugi::xml_node rPr = Child(child, "rPr")) {
        void* block = arena->Allocate(sizeof(MyLogFont));
        if (!block) return XLX_ERR_MEMORY;
        run->font = new (block) MyLogFont();
        ReadFont(run->font, workbook, rPr, true, nullptr);
      }
    } else {
      continue;  // phonetic runs and properties leave their slot empty
    }
    const char* text = ElementText(textNode);
    char16_t* copy = arena->CopyUtf8(text, strlen(text), &run->length);
    if (!copy) return XLX_ERR_MEMORY;
    if (MayHoldEscapes(text)) run->length = DecodeEscapesInPlace(copy, run->length);
    run->text = copy;
    totalUnits += run->length;
    ++filled;
  }
  string->runCount = runCount;
  string->runs = runs;
  if (filled == 1) {
    // One run: the whole text is that run's text.
    for (int32_t i = 0; i < runCount; ++i) {
      if (runs[i].text) {
        string->text = runs[i].text;
        string->textLength = runs[i].length;
      }
    }
    return XLX_OK;
  }
  if (totalUnits > INT32_MAX - 1) return XLX_ERR_FORMAT;
  char16_t* whole = static_cast<char16_t*>(arena->Allocate(size_t(totalUnits + 1) * sizeof(char16_t)));
  if (!whole) return XLX_ERR_MEMORY;
  char16_t* out = whole;
  for (int32_t i = 0; i < runCount; ++i) {
    if (!runs[i].text) continue;
    memcpy(out, runs[i].text, size_t(runs[i].length) * sizeof(char16_t));
    out += runs[i].length;
  }
  *out = 0;
  string->text = whole;
  string->textLength = int32_t(totalUnits);
  return XLX_OK;
}

int32_t ReadSharedStrings(SharedStringTable* table, const Workbook& workbook, pugi::xml_node sst) {
  if (!table) return XLX_ERR_ARGUMENT;
  return Guarded([&]() -> int32_t {
    int32_t children = CountElementChildren(sst);
    int32_t count = ReadDeclaredCount(sst.attribute("uniqueCount"), children, kMaxSharedStringCount);
    table->count = 0;
    table->strings.Free();
    if (count < 1) return XLX_OK;
    // Only the children present are stored; indices the declared count covers beyond them read
    // as empty strings.
    int32_t stored = count < children ? count : children;
    if (table->strings.Allocate(size_t(stored)) != XLX_OK) return XLX_ERR_MEMORY;
    table->count = count;
    int32_t index = 0;
    for (pugi::xml_node child = sst.first_child(); child && index < stored; child = child.next_sibling()) {
      if (child.type() != pugi::node_element) continue;
      int32_t rc = ReadRichString(&table->strings[index++], &table->arena, workbook, child);
      if (rc != XLX_OK) return rc;
    }
    return XLX_OK;
  });
}

}  // namespace xlx
