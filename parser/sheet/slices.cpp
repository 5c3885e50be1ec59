#include "parser/sheet/slices.h"

#include <cstring>

#include <algorithm>

#include "model/sheet.h"
#include "parser/xml/dom.h"
#include "common/resultcodes.h"

namespace xlx {

namespace {

bool IsNameByte(uint8_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
         c == '.' || c == ':' || c >= 0x80;
}

bool IsBlank(uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The end of the tag name starting at `p`.
size_t NameEnd(const uint8_t* bytes, size_t p, size_t end) {
  while (p < end && IsNameByte(bytes[p])) ++p;
  return p;
}

// True when the name bytes[begin, end) has the local name `local`, with or without a prefix.
bool LocalNameIs(const uint8_t* bytes, size_t begin, size_t end, const char* local) {
  const size_t length = strlen(local);
  if (end - begin < length || memcmp(bytes + end - length, local, length) != 0) return false;
  return end - begin == length || bytes[end - length - 1] == ':';
}

// Position just past `marker` at or after `from`; `end` when it does not occur.
size_t After(const uint8_t* bytes, size_t from, size_t end, const char* marker) {
  const size_t length = strlen(marker);
  if (from >= end) return end;
  const void* hit = memmem(bytes + from, end - from, marker, length);
  return hit ? static_cast<size_t>(static_cast<const uint8_t*>(hit) - bytes) + length : end;
}

// Past a comment, CDATA section, processing instruction or declaration opened at `lt` (its "<");
// `lt` itself when the markup there is a tag.
size_t SkipNonTag(const uint8_t* bytes, size_t lt, size_t end) {
  const uint8_t* p = bytes + lt;
  const size_t left = end - lt;
  if (left >= 4 && memcmp(p, "<!--", 4) == 0) return After(bytes, lt + 4, end, "-->");
  if (left >= 9 && memcmp(p, "<![CDATA[", 9) == 0) return After(bytes, lt + 9, end, "]]>");
  if (left >= 2 && p[1] == '?') return After(bytes, lt + 2, end, "?>");
  if (left >= 2 && p[1] == '!') return After(bytes, lt + 2, end, ">");
  return lt;
}

// The end of a start tag whose name ends at `p`: the position of its ">" (quoted attribute values
// may hold one), `end` when there is none.
size_t TagClose(const uint8_t* bytes, size_t p, size_t end) {
  uint8_t quote = 0;
  for (; p < end; ++p) {
    const uint8_t c = bytes[p];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return p;
    }
  }
  return end;
}

// The "<" of the next tag at or after `from`, past comments, CDATA sections, processing
// instructions and declarations; `end` when there is none.
size_t NextTag(const uint8_t* bytes, size_t from, size_t end) {
  for (size_t p = from; p < end;) {
    const void* hit = memchr(bytes + p, '<', end - p);
    if (!hit) return end;
    const size_t lt = static_cast<size_t>(static_cast<const uint8_t*>(hit) - bytes);
    const size_t skipped = SkipNonTag(bytes, lt, end);
    if (skipped == lt) return lt;
    p = skipped;
  }
  return end;
}

// The first start tag named `local` from `from`: its "<" in *tag and the position after its ">"
// in *content. False when there is none or it closes itself.
bool FindStartTag(const uint8_t* bytes, size_t from, size_t end, const char* local, size_t* tag, size_t* content) {
  for (size_t lt = NextTag(bytes, from, end); lt < end; lt = NextTag(bytes, lt + 1, end)) {
    const size_t nameEnd = NameEnd(bytes, lt + 1, end);
    if (nameEnd == lt + 1 || !LocalNameIs(bytes, lt + 1, nameEnd, local)) continue;
    const size_t close = TagClose(bytes, nameEnd, end);
    if (close >= end || bytes[close - 1] == '/') return false;
    *tag = lt;
    *content = close + 1;
    return true;
  }
  return false;
}

// The first end tag named `local` from `from`: the position of its "<"; `end` when there is none.
// With `after`, the position past its ">" instead.
size_t FindEndTag(const uint8_t* bytes, size_t from, size_t end, const char* local, bool after) {
  for (size_t lt = NextTag(bytes, from, end); lt < end; lt = NextTag(bytes, lt + 1, end)) {
    if (lt + 1 >= end || bytes[lt + 1] != '/') continue;
    const size_t nameEnd = NameEnd(bytes, lt + 2, end);
    if (!LocalNameIs(bytes, lt + 2, nameEnd, local)) continue;
    size_t close = nameEnd;
    while (close < end && IsBlank(bytes[close])) ++close;
    if (close < end && bytes[close] == '>') return after ? close + 1 : lt;
  }
  return end;
}

// True when a slice holds nothing that parses differently as a fragment than inside sheetData: a
// zero byte (it ends the whole document there), a declaration, processing instruction or
// document type (markup of the document level, refused or skipped inside an element).
bool SliceReadsAsInPlace(const char* text, size_t size) {
  if (memchr(text, 0, size)) return false;
  for (size_t p = 0; p + 1 < size;) {
    const void* hit = memchr(text + p, '<', size - p - 1);
    if (!hit) break;
    p = static_cast<size_t>(static_cast<const char*>(hit) - text);
    const char next = text[p + 1];
    if (next == '?') return false;
    if (next == '!') {
      const size_t left = size - p;
      const bool comment = left >= 4 && memcmp(text + p, "<!--", 4) == 0;
      const bool cdata = left >= 9 && memcmp(text + p, "<![CDATA[", 9) == 0;
      if (!comment && !cdata) return false;
      const char* close = comment ? "-->" : "]]>";
      const void* end = memmem(text + p + 4, size - p - 4, close, 3);
      if (!end) return false;
      p = static_cast<size_t>(static_cast<const char*>(end) - text) + 3;
      continue;
    }
    ++p;
  }
  return true;
}

bool StartsAsUtf8(const uint8_t* bytes, size_t size) {
  if (size < 4 || bytes[0] == 0 || bytes[1] == 0) return false;
  return !((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF));
}

}  // namespace

bool SheetDataSlices::Open(const uint8_t* bytes, size_t size, size_t sliceBytes, pugi::xml_document* outer) {
  if (!bytes || !outer || sliceBytes == 0 || size / 2 < sliceBytes || !StartsAsUtf8(bytes, size)) return false;
  size_t tag = 0, content = 0;
  if (!FindStartTag(bytes, 0, size, "sheetData", &tag, &content)) return false;
  const size_t contentEnd = FindEndTag(bytes, content, size, "sheetData", false);
  if (contentEnd >= size) return false;

  // The part without the content of sheetData, parsed as the whole part would be.
  std::vector<char> rest(bytes, bytes + content);
  rest.insert(rest.end(), bytes + contentEnd, bytes + size);
  pugi::xml_parse_result parsed = outer->load_buffer(rest.data(), rest.size(), kXmlParseOptions, pugi::encoding_auto);
  if (parsed.status != pugi::status_ok || parsed.encoding != pugi::encoding_utf8) return false;
  if (CheckXmlDepth(outer, 0) != XLX_OK) return false;
  // The element found must be the worksheet's own sheetData, the one the readers look at (the
  // XML library gives the offset of its name).
  pugi::xml_node sheetData = Child(outer->document_element(), "sheetData");
  if (!sheetData || sheetData.first_child() || sheetData.offset_debug() != static_cast<ptrdiff_t>(tag + 1)) return false;

  bytes_ = bytes;
  sliceBytes_ = sliceBytes;
  next_ = content;
  contentEnd_ = contentEnd;
  return true;
}

bool SheetDataSlices::FindSheetData(const uint8_t* bytes, size_t size, size_t* root, size_t* rootSize, size_t* tag,
                                    size_t* content) {
  if (!bytes || !StartsAsUtf8(bytes, size) || !FindStartTag(bytes, 0, size, "sheetData", tag, content)) return false;
  *root = NextTag(bytes, 0, size) + 1;
  *rootSize = NameEnd(bytes, *root, size) - *root;
  return *rootSize > 0;
}

size_t SheetDataSlices::CutAfter(size_t from) const {
  if (contentEnd_ - from <= sliceBytes_) return contentEnd_;
  return FindEndTag(bytes_, from + sliceBytes_, contentEnd_, "row", true);
}

int32_t SheetDataSlices::Next(pugi::xml_node* container) {
  if (!bytes_ || next_ >= contentEnd_) return 0;
  const size_t cut = CutAfter(next_);
  scratch_.assign(bytes_ + next_, bytes_ + cut);
  next_ = cut;
  return Parse(container);
}

int32_t SheetDataSlices::Parse(pugi::xml_node* container) {
  slice_.reset();
  if (!SliceReadsAsInPlace(scratch_.data(), scratch_.size())) return kSheetDataReparse;
  const unsigned options = kXmlParseOptions | pugi::parse_fragment;
  pugi::xml_parse_result parsed = slice_.load_buffer_inplace(scratch_.data(), scratch_.size(), options, pugi::encoding_utf8);
  // The slice lies two levels down, under the worksheet and sheetData.
  if (parsed.status != pugi::status_ok || CheckXmlDepth(&slice_, 2) != XLX_OK) return kSheetDataReparse;
  *container = slice_;
  return XLX_OK;
}

}  // namespace xlx
