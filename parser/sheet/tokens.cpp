#include "parser/sheet/tokens.h"

#include <cstring>

#include "parser/sheet/slices.h"

namespace xlx {

namespace {

const char* const kRowNames[kRowAttributes] = {"r", "ht", "customHeight", "hidden", "s", "customFormat"};
const char* const kCellNames[kCellAttributes] = {"r", "s", "t"};
const char* const kFormulaNames[kFormulaAttributes] = {"t", "ref", "si", "ca"};

bool IsSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsStartSymbol(uint8_t c) {
  const uint8_t lower = c | 0x20;
  return (lower >= 'a' && lower <= 'z') || c == '_' || c == ':' || c >= 0x80;
}
bool IsSymbol(uint8_t c) { return IsStartSymbol(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

// The name after the first colon, as elements are matched by the readers.
bool LocalIs(const char* name, size_t size, const char* local) {
  const void* colon = memchr(name, ':', size);
  if (colon) {
    const size_t skip = static_cast<size_t>(static_cast<const char*>(colon) - name) + 1;
    name += skip;
    size -= skip;
  }
  return size == strlen(local) && memcmp(name, local, size) == 0;
}

// Position of `marker` at or after `from`, or null.
const char* Find(const char* from, const char* end, const char* marker) {
  const size_t length = strlen(marker);
  if (from >= end) return nullptr;
  return static_cast<const char*>(memmem(from, static_cast<size_t>(end - from), marker, length));
}

// The code point of a character reference body ("#65", "#x41"), 0 when it is not one this reader
// decodes exactly as the XML library does.
uint32_t CharacterReference(const char* begin, const char* end) {
  const bool hex = end - begin > 1 && begin[1] == 'x';
  const char* p = begin + (hex ? 2 : 1);
  if (p == end || end - p > 8) return 0;
  uint32_t value = 0;
  for (; p < end; ++p) {
    const uint8_t c = static_cast<uint8_t>(*p);
    uint32_t digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f') digit = (c | 0x20) - 'a' + 10;
    else return 0;
    value = value * (hex ? 16 : 10) + digit;
  }
  if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  return value;
}

void AppendUtf8(uint32_t c, std::vector<char>* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Appends the entity `&body;` decoded; false for one not decoded here.
bool AppendEntity(const char* body, const char* end, std::vector<char>* out) {
  const size_t size = static_cast<size_t>(end - body);
  static const struct {
    const char* name;
    char value;
  } kNamed[] = {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"apos", '\''}, {"quot", '"'}};
  for (const auto& named : kNamed) {
    if (size == strlen(named.name) && memcmp(body, named.name, size) == 0) {
      out->push_back(named.value);
      return true;
    }
  }
  if (size < 2 || body[0] != '#') return false;
  const uint32_t c = CharacterReference(body, end);
  if (c == 0) return false;
  AppendUtf8(c, out);
  return true;
}

}  // namespace

void SheetTokenizer::Start(const std::string& name) {
  name_ = name;
  cells_.clear();
  text_.clear();
  open_.clear();
}

size_t SheetTokenizer::Keep(const char* begin, size_t size) {
  const size_t at = text_.size();
  text_.insert(text_.end(), begin, begin + size);
  text_.push_back(0);
  return at;
}

// Text as the XML library stores it: references decoded (not in CDATA), line ends made "\n"
// (in attribute values every white space character becomes a space, and "\r\n" one space).
SheetTokenizer::Step SheetTokenizer::Decode(const char* begin, const char* end, TextKind kind, size_t* slot) {
  const size_t at = text_.size();
  const bool attribute = kind == kAttributeText;
  const char* plain = begin;  // most texts are kept as written
  while (plain < end && *plain != '&' && *plain != '\r' && !(attribute && IsSpace(static_cast<uint8_t>(*plain))))
    ++plain;
  text_.insert(text_.end(), begin, plain);
  for (const char* p = plain; p < end; ++p) {
    const char c = *p;
    if (c == '&' && kind != kCdataText) {
      const char* semicolon = static_cast<const char*>(memchr(p + 1, ';', static_cast<size_t>(end - p - 1)));
      if (!semicolon || semicolon - p > 12 || !AppendEntity(p + 1, semicolon, &text_)) {
        text_.resize(at);
        return kBad;
      }
      p = semicolon;
    } else if (c == '\r') {
      text_.push_back(attribute ? ' ' : '\n');
      if (p + 1 < end && p[1] == '\n') ++p;
    } else if (attribute && IsSpace(static_cast<uint8_t>(c))) {
      text_.push_back(' ');
    } else {
      text_.push_back(c);
    }
  }
  text_.push_back(0);
  *slot = at;
  return kOk;
}

// One attribute at p_ (its name's first byte); kept decoded when it is wanted and not seen yet.
SheetTokenizer::Step SheetTokenizer::Attribute(const Wanted& wanted) {
  const char* name = p_;
  while (p_ < end_ && IsSymbol(static_cast<uint8_t>(*p_))) ++p_;
  const size_t nameSize = static_cast<size_t>(p_ - name);
  while (p_ < end_ && IsSpace(static_cast<uint8_t>(*p_))) ++p_;
  if (p_ >= end_) return kMore;
  if (*p_ != '=') return kBad;
  ++p_;
  while (p_ < end_ && IsSpace(static_cast<uint8_t>(*p_))) ++p_;
  if (p_ >= end_) return kMore;
  const char quote = *p_;
  if (quote != '"' && quote != '\'') return kBad;
  const char* value = ++p_;
  const char* close = static_cast<const char*>(memchr(value, quote, static_cast<size_t>(end_ - value)));
  if (!close) return kMore;
  if (memchr(value, '<', static_cast<size_t>(close - value))) return kBad;
  p_ = close + 1;
  for (size_t i = 0; i < wanted.count; ++i) {
    if (wanted.slots[i] != kNoText || nameSize != strlen(wanted.names[i]) || memcmp(name, wanted.names[i], nameSize) != 0)
      continue;
    return Decode(value, close, kAttributeText, &wanted.slots[i]);
  }
  return kOk;
}

// A start tag at p_ (its "<", followed by a name's first byte): its name and whether it closes
// itself; when its local name is `local`, the wanted attributes (reset first). p_ ends past ">".
SheetTokenizer::Step SheetTokenizer::StartTag(Name* name, bool* empty, const char* local, const Wanted& wanted) {
  name->at = ++p_;
  while (p_ < end_ && IsSymbol(static_cast<uint8_t>(*p_))) ++p_;
  name->size = static_cast<size_t>(p_ - name->at);
  const bool keep = local && p_ < end_ && LocalIs(name->at, name->size, local);
  const Wanted none{nullptr, nullptr, 0};
  if (keep)
    for (size_t i = 0; i < wanted.count; ++i) wanted.slots[i] = kNoText;
  for (;;) {
    if (p_ >= end_) return kMore;
    const char c = *p_;
    if (c == '>') {
      ++p_;
      *empty = false;
      return kOk;
    }
    if (c == '/') {
      if (p_ + 1 >= end_) return kMore;
      if (p_[1] != '>') return kBad;
      p_ += 2;
      *empty = true;
      return kOk;
    }
    // Attributes are separated from the name and from each other by white space.
    if (!IsSpace(static_cast<uint8_t>(c))) return kBad;
    while (p_ < end_ && IsSpace(static_cast<uint8_t>(*p_))) ++p_;
    if (p_ >= end_) return kMore;
    if (!IsStartSymbol(static_cast<uint8_t>(*p_))) continue;  // "/" or ">" after white space
    const Step step = Attribute(keep ? wanted : none);
    if (step != kOk) return step;
    if (p_ < end_ && !IsSpace(static_cast<uint8_t>(*p_)) && *p_ != '/' && *p_ != '>') return kBad;
  }
}

// The end tag at p_ (its "</"), which must close `name`.
SheetTokenizer::Step SheetTokenizer::EndTag(const Name& name) {
  const char* p = p_ + 2;
  const char* nameAt = p;
  while (p < end_ && IsSymbol(static_cast<uint8_t>(*p))) ++p;
  if (p >= end_) return kMore;
  if (static_cast<size_t>(p - nameAt) != name.size || memcmp(nameAt, name.at, name.size) != 0) return kBad;
  while (p < end_ && IsSpace(static_cast<uint8_t>(*p))) ++p;
  if (p >= end_) return kMore;
  if (*p != '>') return kBad;
  p_ = p + 1;
  return kOk;
}

// A comment, CDATA section or processing instruction at p_ (its "<", followed by "!" or "?").
// For CDATA, *cdata and *cdataSize get its text as written; otherwise *cdata is null.
SheetTokenizer::Step SheetTokenizer::Misc(const char** cdata, size_t* cdataSize) {
  *cdata = nullptr;
  const size_t left = static_cast<size_t>(end_ - p_);
  const auto startsWith = [&](const char* marker, Step* step) {
    const size_t length = strlen(marker);
    if (memcmp(p_, marker, left < length ? left : length) != 0) return false;
    *step = left < length ? kMore : kOk;
    return true;
  };
  Step step = kOk;
  if (startsWith("<!--", &step)) {
    if (step != kOk) return step;
    const char* close = Find(p_ + 4, end_, "-->");
    if (!close) return kMore;
    p_ = close + 3;
    return kOk;
  }
  if (startsWith("<![CDATA[", &step)) {
    if (step != kOk) return step;
    const char* close = Find(p_ + 9, end_, "]]>");
    if (!close) return kMore;
    *cdata = p_ + 9;
    *cdataSize = static_cast<size_t>(close - *cdata);
    p_ = close + 3;
    return kOk;
  }
  if (p_[1] == '!') return kBad;  // a document type or other declaration inside an element
  // A processing instruction: a target name, then "?>" or white space and anything up to "?>".
  // An XML declaration is refused inside an element.
  const char* p = p_ + 2;
  if (p >= end_) return kMore;
  if (!IsStartSymbol(static_cast<uint8_t>(*p))) return kBad;
  const char* target = p;
  while (p < end_ && IsSymbol(static_cast<uint8_t>(*p))) ++p;
  if (p >= end_) return kMore;
  if (p - target == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' && (target[2] | 0x20) == 'l') return kBad;
  if (*p != '?' && !IsSpace(static_cast<uint8_t>(*p))) return kBad;
  if (*p == '?') {
    if (p + 1 >= end_) return kMore;
    if (p[1] != '>') return kBad;
    p_ = p + 2;
    return kOk;
  }
  const char* close = Find(p, end_, "?>");
  if (!close) return kMore;
  p_ = close + 2;
  return kOk;
}

// Skips the content of the element `name` whose start tag was read, up to past its end tag.
SheetTokenizer::Step SheetTokenizer::SkipElement(const Name& name) {
  open_.clear();
  open_.push_back(name);
  while (!open_.empty()) {
    const char* lt = static_cast<const char*>(memchr(p_, '<', static_cast<size_t>(end_ - p_)));
    if (!lt) return kMore;
    p_ = lt;
    if (p_ + 1 >= end_) return kMore;
    const uint8_t next = static_cast<uint8_t>(p_[1]);
    Step step;
    if (next == '/') {
      if ((step = EndTag(open_.back())) != kOk) return step;
      open_.pop_back();
    } else if (next == '!' || next == '?') {
      const char* cdata;
      size_t cdataSize;
      if ((step = Misc(&cdata, &cdataSize)) != kOk) return step;
    } else if (IsStartSymbol(next)) {
      Name child;
      bool empty = false;
      if ((step = StartTag(&child, &empty, nullptr, Wanted{nullptr, nullptr, 0})) != kOk) return step;
      if (!empty) open_.push_back(child);
      if (open_.size() > kMaxDepth) return kBad;
    } else {
      return kBad;
    }
  }
  return kOk;
}

// The content of `v` or `f`: its first text node (character data or CDATA) into *slot. White
// space alone is a text node only when it is all the element holds so far and its end tag follows.
SheetTokenizer::Step SheetTokenizer::ReadText(const Name& name, size_t* slot) {
  bool children = false;
  for (;;) {
    const char* lt = static_cast<const char*>(memchr(p_, '<', static_cast<size_t>(end_ - p_)));
    if (!lt || lt + 1 >= end_) return kMore;
    if (lt > p_) {
      const char* text = p_;
      bool blank = true;
      for (const char* q = text; q < lt && blank; ++q) blank = IsSpace(static_cast<uint8_t>(*q));
      const bool node = !blank || (!children && lt[1] == '/');
      if (node && *slot == kNoText && Decode(text, lt, kElementText, slot) != kOk) return kBad;
      children = children || node;
    }
    p_ = lt;
    const uint8_t next = static_cast<uint8_t>(p_[1]);
    Step step;
    if (next == '/') return EndTag(name);
    if (next == '!' || next == '?') {
      const char* cdata;
      size_t cdataSize = 0;
      if ((step = Misc(&cdata, &cdataSize)) != kOk) return step;
      if (cdata) {
        if (*slot == kNoText) (void)Decode(cdata, cdata + cdataSize, kCdataText, slot);
        children = true;
      }
    } else if (IsStartSymbol(next)) {
      Name child;
      bool empty = false;
      if ((step = StartTag(&child, &empty, nullptr, Wanted{nullptr, nullptr, 0})) != kOk) return step;
      if (!empty && (step = SkipElement(child)) != kOk) return step;
      children = true;
    } else {
      return kBad;
    }
  }
}

// Character data between elements that are read: not kept. p_ ends at the next "<".
SheetTokenizer::Step SheetTokenizer::SkipText() {
  const char* lt = static_cast<const char*>(memchr(p_, '<', static_cast<size_t>(end_ - p_)));
  if (!lt || lt + 1 >= end_) return kMore;
  p_ = lt;
  return kOk;
}

// Skips text, comments and processing instructions inside `name` up to its next child's start tag
// (kOk with p_ at its '<'), or reads the end tag of `name` (*ended set, EndTag's result).
SheetTokenizer::Step SheetTokenizer::NextChild(const Name& name, bool* ended) {
  *ended = false;
  for (;;) {
    Step step = SkipText();
    if (step != kOk) return step;
    const uint8_t next = static_cast<uint8_t>(p_[1]);
    if (next == '/') {
      *ended = true;
      return EndTag(name);
    }
    if (next != '!' && next != '?') return IsStartSymbol(next) ? kOk : kBad;
    const char* cdata;
    size_t cdataSize;
    if ((step = Misc(&cdata, &cdataSize)) != kOk) return step;
  }
}

// The content of a `c` whose start tag was read: the first `v`, `f` and `is`.
SheetTokenizer::Step SheetTokenizer::ReadCell(const Name& name, CellTokens* cell) {
  bool value = false, inlineString = false;
  for (;;) {
    bool ended = false;
    Step step = NextChild(name, &ended);
    if (step != kOk || ended) return step;
    const char* lt = p_;
    Name child;
    bool empty = false;
    const bool formula = !cell->hasFormula;
    if ((step = StartTag(&child, &empty, formula ? "f" : nullptr, Wanted{kFormulaNames, cell->formulaAttributes,
                                                                         kFormulaAttributes})) != kOk)
      return step;
    if (!value && LocalIs(child.at, child.size, "v")) {
      value = true;
      if (!empty && (step = ReadText(child, &cell->v)) != kOk) return step;
    } else if (formula && LocalIs(child.at, child.size, "f")) {
      cell->hasFormula = true;
      if (!empty && (step = ReadText(child, &cell->formula)) != kOk) return step;
    } else if (!inlineString && LocalIs(child.at, child.size, "is")) {
      inlineString = true;
      if (!empty && (step = SkipElement(child)) != kOk) return step;
      cell->inlineAt = Keep(lt, static_cast<size_t>(p_ - lt));
      cell->inlineSize = static_cast<size_t>(p_ - lt);
    } else if (!empty && (step = SkipElement(child)) != kOk) {
      return step;
    }
  }
}

// The content of a `row` whose start tag was read: its `c` elements.
SheetTokenizer::Step SheetTokenizer::ReadRow(const Name& name) {
  for (;;) {
    bool ended = false;
    Step step = NextChild(name, &ended);
    if (step != kOk || ended) return step;
    cells_.emplace_back();
    CellTokens* cell = &cells_.back();
    Name child;
    bool empty = false;
    if ((step = StartTag(&child, &empty, "c", Wanted{kCellNames, cell->attributes, kCellAttributes})) != kOk)
      return step;
    if (!LocalIs(child.at, child.size, "c")) {
      cells_.pop_back();
      if (!empty && (step = SkipElement(child)) != kOk) return step;
    } else if (!empty && (step = ReadCell(child, cell)) != kOk) {
      return step;
    }
  }
}

int32_t SheetTokenizer::Next(const char* data, size_t size, size_t* consumed) {
  p_ = data;
  end_ = data + size;
  *consumed = 0;
  if (size == 0) return kNeedMore;
  for (;;) {
    const char* lt = static_cast<const char*>(memchr(p_, '<', static_cast<size_t>(end_ - p_)));
    if (!lt) {
      *consumed = size;  // character data between rows is not read
      return kNeedMore;
    }
    p_ = lt;
    *consumed = static_cast<size_t>(lt - data);
    if (lt + 1 >= end_) return kNeedMore;
    const uint8_t next = static_cast<uint8_t>(lt[1]);
    Step step;
    if (next == '/') {
      step = EndTag(Name{name_.data(), name_.size()});
      if (step == kOk) return kContentEnd;  // *consumed is at its "<"
    } else if (next == '!' || next == '?') {
      const char* cdata;
      size_t cdataSize;
      step = Misc(&cdata, &cdataSize);
    } else if (IsStartSymbol(next)) {
      text_.clear();
      cells_.clear();
      Name name;
      bool empty = false;
      step = StartTag(&name, &empty, "row", Wanted{kRowNames, row_, kRowAttributes});
      if (step == kOk && LocalIs(name.at, name.size, "row")) {
        if (!empty) step = ReadRow(name);
        if (step == kOk) {
          *consumed = static_cast<size_t>(p_ - data);
          return kRow;
        }
      } else if (step == kOk && !empty) {
        step = SkipElement(name);
      }
    } else {
      step = kBad;
    }
    if (step == kMore) return kNeedMore;
    if (step == kBad) return kSheetDataReparse;
  }
}

}  // namespace xlx
