#include "parser/xlsxprsrslices.h"

#include <cstring>

#include <algorithm>

#include "model/sheet.h"
#include "package/xlsxunzip.h"
#include "parser/xlsxprsrxml.h"
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

size_t SheetDataSlices::CutAfter(size_t from) const {
  if (contentEnd_ - from <= sliceBytes_) return contentEnd_;
  return FindEndTag(bytes_, from + sliceBytes_, contentEnd_, "row", true);
}

int32_t SheetDataSlices::Next(pugi::xml_node* container) {
  if (stream_) return NextStreamed(container);
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

// Streamed reading ------------------------------------------------------------------------------

namespace {

constexpr size_t kMaxStreamedPrefixBytes = 16u << 20;  // part before the content of sheetData
constexpr size_t kMaxStreamedCarryBytes = 4u << 20;    // one comment or tag across inflated pieces
constexpr size_t kMaxStreamedRowBytes = 256u << 20;    // one slice past the slice size

bool IsPrefixOf(const uint8_t* bytes, size_t size, const char* marker) {
  const size_t length = strlen(marker);
  return size < length && memcmp(bytes, marker, size) == 0;
}

// FindEndTag over bytes that may stop short of the part's end: the same position as FindEndTag
// when the tag lies wholly inside, else `end`, with *resume set to where a later search over more
// bytes must start to find what FindEndTag would (the "<" of markup cut off by `end`).
size_t FindEndTagSoFar(const uint8_t* bytes, size_t from, size_t end, const char* local, bool after, size_t* resume) {
  for (size_t p = from; p < end;) {
    const void* hit = memchr(bytes + p, '<', end - p);
    if (!hit) break;
    const size_t lt = static_cast<size_t>(static_cast<const uint8_t*>(hit) - bytes);
    const size_t left = end - lt;
    *resume = lt;
    if (left < 2 || IsPrefixOf(bytes + lt, left, "<!--") || IsPrefixOf(bytes + lt, left, "<![CDATA[")) return end;
    const size_t skipped = SkipNonTag(bytes, lt, end);
    if (skipped != lt) {
      if (skipped >= end) return end;  // its closing marker may not have come yet
      p = skipped;
      continue;
    }
    p = lt + 1;
    if (bytes[lt + 1] != '/') continue;
    const size_t nameEnd = NameEnd(bytes, lt + 2, end);
    if (nameEnd >= end) return end;
    if (!LocalNameIs(bytes, lt + 2, nameEnd, local)) continue;
    size_t close = nameEnd;
    while (close < end && IsBlank(bytes[close])) ++close;
    if (close >= end) return end;
    if (bytes[close] == '>') return after ? close + 1 : lt;
  }
  *resume = end;
  return end;
}

// Appends up to `count` inflated bytes to *to. Bytes appended, 0 at the end, < 0 on an error.
int64_t ReadMore(PartStream* stream, size_t count, std::vector<char>* to) {
  const size_t at = to->size();
  to->resize(at + count);
  const int64_t n = stream->Read(reinterpret_cast<uint8_t*>(to->data() + at), count);
  to->resize(at + static_cast<size_t>(n > 0 ? n : 0));
  return n;
}

const uint8_t* Bytes(const std::vector<char>& v) { return reinterpret_cast<const uint8_t*>(v.data()); }

}  // namespace

bool SheetDataSlices::ScanOuter(PartStream* stream, size_t chunkBytes, std::vector<char>* outer, uint64_t* tagAt,
                                uint64_t* content, uint64_t* contentEnd) {
  if (!stream || !outer || chunkBytes == 0) return false;
  outer->clear();
  // The part up to the content of sheetData. Each read is as large as what is held, so the
  // searches from the start cost time linear in the part.
  size_t tag = 0, start = 0;
  for (;;) {
    if (FindStartTag(Bytes(*outer), 0, outer->size(), "sheetData", &tag, &start)) break;
    if (outer->size() > kMaxStreamedPrefixBytes) return false;
    if (ReadMore(stream, std::max(chunkBytes, outer->size()), outer) <= 0) return false;
  }
  if (!StartsAsUtf8(Bytes(*outer), outer->size())) return false;
  // The content, scanned for the end tag of sheetData and dropped.
  std::vector<char> window(outer->begin() + static_cast<ptrdiff_t>(start), outer->end());
  outer->resize(start);
  uint64_t windowAt = start;
  size_t from = 0;
  for (;;) {
    size_t resume = 0;
    const size_t end = FindEndTagSoFar(Bytes(window), from, window.size(), "sheetData", false, &resume);
    if (end < window.size()) {
      *tagAt = tag;
      *content = start;
      *contentEnd = windowAt + end;
      outer->insert(outer->end(), window.begin() + static_cast<ptrdiff_t>(end), window.end());
      break;
    }
    window.erase(window.begin(), window.begin() + static_cast<ptrdiff_t>(resume));
    windowAt += resume;
    from = 0;
    if (window.size() > kMaxStreamedCarryBytes) return false;
    if (ReadMore(stream, chunkBytes, &window) <= 0) return false;
  }
  // The rest of the part, whole; it is read as a DOM.
  for (;;) {
    if (outer->size() > kMaxPartBytes) return false;
    const int64_t n = ReadMore(stream, chunkBytes, outer);
    if (n < 0) return false;
    if (n == 0) return true;
  }
}

bool SheetDataSlices::OpenStream(PartStream* stream, uint64_t content, uint64_t contentEnd, size_t sliceBytes,
                                 size_t chunkBytes, const LArray<CellRecord>* cells) {
  if (!stream || sliceBytes == 0 || chunkBytes == 0 || content > contentEnd) return false;
  stream_ = stream;
  cells_ = cells;
  sliceBytes_ = sliceBytes;
  chunkBytes_ = chunkBytes;
  contentAt_ = content;
  contentEnd_ = static_cast<size_t>(contentEnd);
  streamed_ = 0;
  pendingAt_ = content;
  pending_.clear();
  resume_ = 0;
  return true;
}

// Inflates the next piece and keeps what lies inside the content. 1, 0 when the content is all in
// (or the part ended first), < 0 on an error.
int32_t SheetDataSlices::Fill() {
  if (streamed_ >= contentEnd_) return 0;
  const size_t at = pending_.size();
  const int64_t n = ReadMore(stream_, chunkBytes_, &pending_);
  if (n <= 0) return n == 0 ? 0 : static_cast<int32_t>(n);
  const uint64_t begin = streamed_;
  streamed_ += static_cast<uint64_t>(n);
  // Bytes before the content (the first pieces) and past its end are not kept.
  const uint64_t keepFrom = std::max(begin, contentAt_), keepTo = std::min<uint64_t>(streamed_, contentEnd_);
  std::vector<char> piece;
  if (keepFrom < keepTo)
    piece.assign(pending_.begin() + static_cast<ptrdiff_t>(at + (keepFrom - begin)),
                 pending_.begin() + static_cast<ptrdiff_t>(at + (keepTo - begin)));
  pending_.resize(at);
  pending_.insert(pending_.end(), piece.begin(), piece.end());
  return 1;
}

int32_t SheetDataSlices::NextStreamed(pugi::xml_node* container) {
  if (cells_ && cells_->Count() > kMaxStreamedCells) return XLX_CORRUPT(XLX_ERR_FORMAT, "streamed sheet holds too many cells");
  for (;;) {
    const bool complete = streamed_ >= contentEnd_;
    const uint64_t left = contentEnd_ - pendingAt_;  // content not yet cut
    if (left == 0) return 0;
    size_t cut = pending_.size();
    bool found = false;
    if (left <= sliceBytes_) {
      found = complete;  // the rest is one slice
    } else if (pending_.size() > sliceBytes_) {
      size_t resume = 0;
      const size_t from = std::max(sliceBytes_, resume_);
      cut = FindEndTagSoFar(Bytes(pending_), from, pending_.size(), "row", true, &resume);
      found = cut < pending_.size() || complete;
      resume_ = std::max(resume, sliceBytes_);
    }
    if (found) {
      scratch_.assign(pending_.begin(), pending_.begin() + static_cast<ptrdiff_t>(cut));
      pending_.erase(pending_.begin(), pending_.begin() + static_cast<ptrdiff_t>(cut));
      pendingAt_ += cut;
      resume_ = 0;
      return Parse(container);
    }
    if (complete) return kSheetDataReparse;  // the part ended before its content did
    if (pending_.size() > sliceBytes_ + kMaxStreamedRowBytes) return kSheetDataReparse;
    const int32_t rc = Fill();
    if (rc < 0) return rc;
    if (rc == 0 && streamed_ < contentEnd_) return kSheetDataReparse;
  }
}

}  // namespace xlx
