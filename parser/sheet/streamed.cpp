// A large worksheet part read in one pass as it inflates. The bytes before the content of
// sheetData (the head) are kept and read first for what the cells depend on (the sheet format and
// the columns); the content is cut into rows by the tokenizer and each row goes to the cell
// builder as soon as it is whole; the bytes after it (the tail) are kept, and head and tail are
// then read as one small DOM by the usual readers, which finish the cells once the merged ranges
// are known. Neither the part nor a DOM of it is ever held whole, so the part-size limit does not
// apply; the work is bounded by the package budget and the streamed cell limit.
#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "common/resultcodes.h"
#include "package/xlsxunzip.h"
#include "parser/xlsxprsr.h"
#include "parser/sheet/cellstore.h"
#include "parser/sheet/tokens.h"
#include "parser/sheet/slices.h"
#include "parser/xml/dom.h"

namespace xlx {

namespace {

constexpr size_t kMaxHeadBytes = 16u << 20;      // part before the content of sheetData
constexpr size_t kMaxPendingBytes = 256u << 20;  // one row not yet whole, with what precedes it

// Appends up to `count` inflated bytes to *to. Bytes appended, 0 at the end, < 0 on an error or
// a zero byte (which ends a document where it stands: the part is then read whole).
int64_t ReadMore(PartStream* stream, size_t count, std::vector<char>* to) {
  const size_t at = to->size();
  to->resize(at + count);
  const int64_t n = stream->Read(reinterpret_cast<uint8_t*>(to->data() + at), count);
  to->resize(at + static_cast<size_t>(n > 0 ? n : 0));
  if (n > 0 && memchr(to->data() + at, 0, static_cast<size_t>(n))) return XLX_ERR_FORMAT;
  return n;
}

const uint8_t* Bytes(const std::vector<char>& v) { return reinterpret_cast<const uint8_t*>(v.data()); }

bool IsNameByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
         c == '.' || c == ':' || static_cast<uint8_t>(c) >= 0x80;
}

struct Head {
  std::vector<char> bytes;  // up to the content of sheetData, then what was inflated past it
  size_t root = 0, rootSize = 0, tag = 0, content = 0;
  std::string sheetDataName;
};

// Inflates until the start tag of sheetData. Each read is as large as what is held, so the
// searches from the start cost time linear in the head.
bool ReadHead(PartStream* stream, size_t chunkBytes, Head* head) {
  for (;;) {
    if (SheetDataSlices::FindSheetData(Bytes(head->bytes), head->bytes.size(), &head->root, &head->rootSize,
                                       &head->tag, &head->content))
      break;
    if (head->bytes.size() > kMaxHeadBytes) return false;
    if (ReadMore(stream, std::max(chunkBytes, head->bytes.size()), &head->bytes) <= 0) return false;
  }
  size_t nameEnd = head->tag + 1;
  while (nameEnd < head->content && IsNameByte(head->bytes[nameEnd])) ++nameEnd;
  head->sheetDataName.assign(head->bytes.data() + head->tag + 1, nameEnd - head->tag - 1);
  return true;
}

// The DOM's sheetData must be the element found at `tag`, and empty.
bool SheetDataAt(const pugi::xml_document& doc, size_t tag) {
  pugi::xml_node sheetData = Child(doc.document_element(), "sheetData");
  return sheetData && !sheetData.first_child() && sheetData.offset_debug() == static_cast<ptrdiff_t>(tag + 1);
}

// The head closed after sheetData's start tag, as a DOM of its own.
bool ParseHead(const Head& head, pugi::xml_document* doc) {
  std::string bytes(head.bytes.data(), head.content);
  bytes += "</" + head.sheetDataName + "></";
  bytes.append(head.bytes.data() + head.root, head.rootSize);
  bytes += ">";
  pugi::xml_parse_result parsed = doc->load_buffer(bytes.data(), bytes.size(), kXmlParseOptions, pugi::encoding_auto);
  return parsed.status == pugi::status_ok && parsed.encoding == pugi::encoding_utf8 && CheckXmlDepth(doc, 0) == XLX_OK &&
         SheetDataAt(*doc, head.tag);
}

// Head and tail as one DOM, checked as SheetDataSlices::Open checks it; and what the cells were
// read with (the sheet format and the columns) must have come from the head.
bool ParseOuter(std::vector<char>* bytes, size_t tag, pugi::xml_document* outer) {
  pugi::xml_parse_result parsed = outer->load_buffer_inplace(bytes->data(), bytes->size(), kXmlParseOptions, pugi::encoding_auto);
  if (parsed.status != pugi::status_ok || parsed.encoding != pugi::encoding_utf8) return false;
  if (CheckXmlDepth(outer, 0) != XLX_OK || !SheetDataAt(*outer, tag)) return false;
  for (const char* name : {"sheetFormatPr", "cols"}) {
    pugi::xml_node node = Child(outer->document_element(), name);
    if (node && node.offset_debug() > static_cast<ptrdiff_t>(tag)) return false;
  }
  return true;
}

// The row the tokenizer read, to the builder.
class RowFeeder {
 public:
  RowFeeder(Workbook* workbook, MyWorksheet* sheet, SheetRowReader* reader)
      : workbook_(workbook), sheet_(sheet), reader_(reader) {}

  // 1; kSheetDataReparse when the builder refuses the row (the whole DOM decides then); a
  // progress result; -9 past the streamed cell limit.
  int32_t Feed(const SheetTokenizer& tokens) {
    int32_t rc = Build(tokens);
    if (rc != XLX_OK) return kSheetDataReparse;
    if (sheet_->cells.Count() > kMaxStreamedCells) return XLX_CORRUPT(XLX_ERR_FORMAT, "streamed sheet holds too many cells");
    return PollProgress(workbook_);
  }

 private:
  int32_t Build(const SheetTokenizer& tokens) {
    const size_t* row = tokens.Row();
    const RowFields fields{tokens.Text(row[kRowR]),      tokens.Text(row[kRowHt]), tokens.Text(row[kRowCustomHeight]),
                           tokens.Text(row[kRowHidden]), tokens.Text(row[kRowS]),  tokens.Text(row[kRowCustomFormat])};
    WorkbookLockGuard guard(workbook_->lock);
    int32_t rc = reader_->BeginRow(fields);
    for (size_t i = 0; i < tokens.Cells().size() && rc == XLX_OK; ++i) {
      const CellTokens& c = tokens.Cells()[i];
      pugi::xml_node is;
      if (c.inlineAt != kNoText) {
        // An inline string is read by the DOM reader of rich text, from a document of its own.
        pugi::xml_parse_result parsed =
            inline_.load_buffer(tokens.Text(c.inlineAt), c.inlineSize, kXmlParseOptions, pugi::encoding_utf8);
        if (parsed.status != pugi::status_ok) return kSheetDataReparse;
        is = inline_.document_element();
      }
      const size_t* fa = c.formulaAttributes;
      const FormulaFields formula{tokens.Text(c.formula), tokens.Text(fa[kFormulaT]), tokens.Text(fa[kFormulaRef]),
                                  tokens.Text(fa[kFormulaSi]), tokens.Text(fa[kFormulaCa])};
      const size_t* ca = c.attributes;
      const CellFields cell{tokens.Text(ca[kCellR]), tokens.Text(ca[kCellS]), tokens.Text(ca[kCellT]),
                            tokens.Text(c.v), c.hasFormula ? &formula : nullptr, is};
      rc = reader_->AddCell(cell);
    }
    return rc;
  }

  Workbook* workbook_;
  MyWorksheet* sheet_;
  SheetRowReader* reader_;
  pugi::xml_document inline_;
};

// Tokenizes the content from *pending (the bytes inflated past the start tag) on, inflating as
// needed, up to the end tag of sheetData; *pending then holds the tail read so far.
int32_t ReadContent(Workbook* workbook, MyWorksheet* sheet, PartStream* stream, const std::string& sheetDataName,
                    SheetRowReader* reader, std::vector<char>* pending) {
  if (!pending->empty() && memchr(pending->data(), 0, pending->size())) return kSheetDataReparse;
  SheetTokenizer tokens;
  tokens.Start(sheetDataName);
  RowFeeder feeder(workbook, sheet, reader);
  size_t at = 0;
  for (;;) {
    size_t consumed = 0;
    const int32_t found = tokens.Next(pending->data() + at, pending->size() - at, &consumed);
    at += consumed;
    if (found == SheetTokenizer::kRow) {
      const int32_t rc = feeder.Feed(tokens);
      if (rc != XLX_OK) return rc;
    } else if (found == SheetTokenizer::kContentEnd) {
      pending->erase(pending->begin(), pending->begin() + static_cast<ptrdiff_t>(at));
      return XLX_OK;
    } else if (found == SheetTokenizer::kNeedMore) {
      pending->erase(pending->begin(), pending->begin() + static_cast<ptrdiff_t>(at));
      at = 0;
      if (pending->size() > kMaxPendingBytes) return kSheetDataReparse;
      // Reads grow with a row that is not yet whole, so it is tokenized again only a few times.
      if (ReadMore(stream, std::max(workbook->sheetStreamChunkBytes, pending->size()), pending) <= 0)
        return kSheetDataReparse;
    } else {
      return kSheetDataReparse;
    }
  }
}

int32_t ReadStreamed(Workbook* workbook, MyWorksheet* sheet) {
  PartStream stream;
  if (stream.Open(workbook->hPackage, &workbook->parts, sheet->partPath.c_str()) != XLX_OK) return kSheetDataReparse;
  if (stream.ListedSize() / 2 < workbook->sheetSliceBytes) return kSheetDataReparse;
  Head head;
  if (!ReadHead(&stream, workbook->sheetStreamChunkBytes, &head)) return kSheetDataReparse;
  {
    pugi::xml_document doc;
    if (!ParseHead(head, &doc)) return kSheetDataReparse;
    ReadSheetProperties(*workbook, sheet, doc.document_element());
    if (ReadColumns(sheet, doc.document_element()) != XLX_OK) return kSheetDataReparse;
    MarkDrawnColumnStyles(*workbook, sheet);
  }
  MyCellBounds area;
  const bool hasArea = ParsePrintAreaBounds(GetPrintArea(workbook, sheet->workbookIndex), sheet->sheetName, &area);
  SheetCellStore store(workbook, sheet, hasArea ? &area : nullptr);
  store.KeepEmptyCellsUntilFinish();
  SheetRowReader reader(workbook, sheet, &store);
  std::vector<char> bytes(head.bytes.begin() + static_cast<ptrdiff_t>(head.content), head.bytes.end());
  head.bytes.resize(head.content);
  head.bytes.shrink_to_fit();
  int32_t rc = ReadContent(workbook, sheet, &stream, head.sheetDataName, &reader, &bytes);
  if (rc != XLX_OK) return rc;
  // The tail, whole; it is read as a DOM with the head.
  head.bytes.insert(head.bytes.end(), bytes.begin(), bytes.end());
  std::vector<char>().swap(bytes);
  for (int64_t n = 1; n > 0;) {
    if (head.bytes.size() > kMaxPartBytes) return kSheetDataReparse;
    if ((n = ReadMore(&stream, workbook->sheetStreamChunkBytes, &head.bytes)) < 0) return kSheetDataReparse;
  }
  pugi::xml_document outer;
  if (!ParseOuter(&head.bytes, head.tag, &outer)) return kSheetDataReparse;
  SheetDataSlices slices;
  slices.SetReadStore(&store);
  return ReadWorksheet(workbook, sheet, outer.document_element(), &slices);
}

}  // namespace

int32_t ReadStreamedWorksheet(Workbook* workbook, MyWorksheet* sheet) {
  if (!workbook || !sheet || workbook->sheetSliceBytes == 0) return kSheetDataReparse;
  const int32_t rc = Guarded([&]() -> int32_t { return ReadStreamed(workbook, sheet); });
  if (rc == kSheetDataReparse) sheet->arena.Free();  // text of rows read before the tokenizer gave up
  return rc;
}

}  // namespace xlx
