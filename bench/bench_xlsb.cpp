// The information call on one sheet of 100,000 rows x 20 columns, stored as a binary workbook
// (.xlsb, written with the tests' record writer) and as the same workbook in XML (.xlsx): dates
// with a date format, shared strings, decimals with a number format, whole numbers. The binary
// form must open faster: its records need no text parsing.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench/benchsupport.h"
#include "common/apiutils.h"
#include "filter/xlxfilter.h"
#include "host/kernel/vkkrnx.h"
#include "tests/support/xlsbwriter.h"
#include "tests/support/zipbuilder.h"

namespace {

constexpr int kRows = 100000;
constexpr int kColumns = 20;
constexpr int kStrings = 1000;
constexpr int kRuns = 3;

const char* const kNs = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
const char* const kRelNs = "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"";
const char* const kRelType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

std::string Rel(const char* id, const char* type, const char* target) {
  return std::string("<Relationship Id=\"") + id + "\" Type=\"" + kRelType + type + "\" Target=\"" + target + "\"/>";
}

std::string ColumnName(int c) {
  std::string name;
  for (++c; c > 0; c = (c - 1) / 26) name.insert(name.begin(), char('A' + (c - 1) % 26));
  return name;
}

// Cell c of row r: its kind (c % 4) and value, the same in both forms.
double Value(int r, int c) {
  switch (c % 4) {
    case 0: return 43831 + r % 1000;   // a date, style 1
    case 1: return (r * 20 + c) % kStrings;  // a shared string
    case 2: return r * 1.5 + c;        // a decimal, style 2
    default: return r * 7 + c;         // a whole number
  }
}

std::vector<xlxtest::ZipEntry> XmlWorkbook() {
  std::string sst = std::string("<?xml version=\"1.0\"?><sst ") + kNs + " uniqueCount=\"" + std::to_string(kStrings) + "\">";
  for (int i = 0; i < kStrings; ++i) sst += "<si><t>Item " + std::to_string(i) + "</t></si>";
  sst += "</sst>";
  std::string sheet = std::string("<?xml version=\"1.0\"?><worksheet ") + kNs + "><sheetData>";
  sheet.reserve(size_t(kRows) * kColumns * 32);
  char buf[128];
  for (int r = 0; r < kRows; ++r) {
    sheet += "<row r=\"" + std::to_string(r + 1) + "\">";
    for (int c = 0; c < kColumns; ++c) {
      std::string ref = ColumnName(c) + std::to_string(r + 1);
      double v = Value(r, c);
      switch (c % 4) {
        case 0: std::snprintf(buf, sizeof buf, "<c r=\"%s\" s=\"1\"><v>%d</v></c>", ref.c_str(), int(v)); break;
        case 1: std::snprintf(buf, sizeof buf, "<c r=\"%s\" t=\"s\"><v>%d</v></c>", ref.c_str(), int(v)); break;
        case 2: std::snprintf(buf, sizeof buf, "<c r=\"%s\" s=\"2\"><v>%.17g</v></c>", ref.c_str(), v); break;
        default: std::snprintf(buf, sizeof buf, "<c r=\"%s\"><v>%d</v></c>", ref.c_str(), int(v)); break;
      }
      sheet += buf;
    }
    sheet += "</row>";
  }
  sheet += "</sheetData></worksheet>";
  return {
      {"[Content_Types].xml", "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
      {"_rels/.rels", std::string("<Relationships ") + kRelNs + ">" + Rel("rId1", "officeDocument", "xl/workbook.xml") + "</Relationships>"},
      {"xl/workbook.xml", std::string("<workbook ") + kNs + " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                          "relationships\"><sheets><sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels", std::string("<Relationships ") + kRelNs + ">" + Rel("rId1", "worksheet", "worksheets/sheet1.xml") +
                                         Rel("rId2", "styles", "styles.xml") + Rel("rId3", "sharedStrings", "sharedStrings.xml") +
                                         "</Relationships>"},
      {"xl/styles.xml", std::string("<styleSheet ") + kNs + "><numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd\"/>"
                        "</numFmts><fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts><fills count=\"1\">"
                        "<fill><patternFill patternType=\"none\"/></fill></fills><borders count=\"1\"><border/></borders>"
                        "<cellXfs count=\"3\"><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"4\"/></cellXfs></styleSheet>"},
      {"xl/sharedStrings.xml", sst},
      {"xl/worksheets/sheet1.xml", sheet},
  };
}

std::vector<xlxtest::ZipEntry> BinaryWorkbook() {
  using xlxtest::AppendRecord;
  using xlxtest::Payload;
  xlxtest::BinaryBook book;
  book.sheetNames = {"Data"};
  for (int i = 0; i < kStrings; ++i) book.sharedStrings.push_back("Item " + std::to_string(i));
  std::string styles = xlxtest::DefaultStylesPart();
  AppendRecord(&styles, 615, Payload().U32(1));
  AppendRecord(&styles, 44, Payload().U16(164).Wide("yyyy-mm-dd"));
  AppendRecord(&styles, 616, "");
  AppendRecord(&styles, 617, Payload().U32(2));
  for (uint16_t format : {uint16_t(164), uint16_t(4)})
    AppendRecord(&styles, 47, Payload().U16(0).U16(format).U16(0).U16(0).U16(0).U8(0).U8(0).U16(0x1010).U8(1).U8(0));
  AppendRecord(&styles, 618, "");
  book.styles = styles;
  std::string data;
  data.reserve(size_t(kRows) * kColumns * 18);
  for (int r = 0; r < kRows; ++r) {
    data += xlxtest::RowRecord(uint32_t(r));
    for (int c = 0; c < kColumns; ++c) {
      double v = Value(r, c);
      switch (c % 4) {
        case 0: AppendRecord(&data, 2, Payload().U32(uint32_t(c)).U32(1).U32(uint32_t(int(v)) << 2 | 2)); break;
        case 1: data += xlxtest::SharedStringCellRecord(uint32_t(c), uint32_t(v)); break;
        case 2: data += xlxtest::NumberCellRecord(uint32_t(c), v, 2); break;
        default: AppendRecord(&data, 2, Payload().U32(uint32_t(c)).U32(0).U32(uint32_t(int(v)) << 2 | 2)); break;
      }
    }
  }
  book.sheetRecords = {data};
  return xlxtest::BinaryWorkbookEntries(book);
}

std::string WriteFile(const std::string& name, const std::vector<xlxtest::ZipEntry>& entries) {
  std::vector<unsigned char> bytes = xlxtest::BuildZip(entries);
  std::string path = "/tmp/xlx_bench_" + std::to_string(getpid()) + "_" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  std::printf("%s: %zu KiB\n", name.c_str(), bytes.size() / 1024);
  return path;
}

double Inches(double v, int32_t, uint32_t, uint32_t, uint32_t, uint32_t) { return v; }

// One information call without a filter-data holder, so that every call parses the file.
double InfoSeconds(const std::string& path, int32_t* pages) {
  std::u16string path16 = xlx::Utf8ToUtf16(path);
  _INFODISPATCH d;
  std::memset(&d, 0, sizeof d);
  _FILEINFO fi;
  std::memset(&fi, 0, sizeof fi);
  fi.uStructSize = sizeof fi;
  _LOADFILEOPTION lfo;
  std::memset(&lfo, 0, sizeof lfo);
  lfo.nPageNumber = 1;
  d.pszFileName = path16.c_str();
  d.hFile = VkOpenFile(path16.c_str(), VK_OPEN_READ, 0);
  d.pFileInfo = &fi;
  d.pLoadFileOption = &lfo;
  d.dispatchXlxFlags = 1;
  _RASTERIZEDOCOPTIONS& o = d.dispatchRasterizeDocOptions;
  o.uStructSize = 68;
  o.dPageWidth = 8.5;
  o.dPageHeight = 11;
  o.uUnit = 1;
  o.uXResolution = o.uYResolution = 96;
  o.uSizeMode = 1;
  d.pfnUnitConverter = Inches;
  double start = xlxbench::NowSeconds();
  int32_t rc = fltInfo(&d);
  double seconds = xlxbench::NowSeconds() - start;
  VkCloseFile(d.hFile);
  *pages = rc == 1 ? int32_t(fi.uTotalPages) : rc;
  return seconds;
}

double Best(const std::string& path, int32_t* pages) {
  double best = 1e30;
  for (int i = 0; i < kRuns; ++i) {
    double s = InfoSeconds(path, pages);
    if (s < best) best = s;
  }
  return best;
}

}  // namespace

int main() {
  std::string xlsx = WriteFile("sheet.xlsx", XmlWorkbook());
  std::string xlsb = WriteFile("sheet.xlsb", BinaryWorkbook());
  int32_t xmlPages = 0, binaryPages = 0;
  double xml = Best(xlsx, &xmlPages);
  double binary = Best(xlsb, &binaryPages);
  std::remove(xlsx.c_str());
  std::remove(xlsb.c_str());
  std::printf("pages: xlsx %d, xlsb %d\n", xmlPages, binaryPages);
  xlxbench::Report("info call, 100,000 x 20 cells, xlsb against xlsx", xlxbench::Seconds(binary), xlxbench::Seconds(xml),
                   binary / xml);
  return binaryPages == xmlPages && binaryPages > 0 && binary < xml ? 0 : 1;
}
