// Conditional formats on a page: a 10,000 x 10 sheet of numbers covered by 20 rules of every
// kind (comparisons, a relative expression, rank, average, duplicates, text, a colour scale, a data
// bar and an icon set) against the same sheet without rules. Pages are drawn from the cached
// parse; the figure is the time of a page with rules over the time of the page without them. Last,
// a page of a sheet of 1,048,576 rows under a rule whose formula reads the whole column per cell,
// which the per-page work bound on rule formulas keeps short.
#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "bench/benchsupport.h"
#include "filter/xlxfilter.h"
#include "host/kernel/vkkrnx.h"
#include "tests/support/zipbuilder.h"

using namespace xlxbench;

namespace {

constexpr int kRows = 10000, kCols = 10;

// 20 rules over the whole sheet; with `pictures` two of the comparisons give way to a data bar and
// an icon set, which draw in every cell.
std::string Rules(bool pictures) {
  const char* ref = "A1:J10000";
  std::string x;
  auto rule = [&](int priority, const std::string& body) {
    x += std::string("<conditionalFormatting sqref=\"") + ref + "\"><cfRule priority=\"" + std::to_string(priority) +
         "\" " + body + "</conditionalFormatting>";
  };
  int p = 1;
  for (int k = 0; k < (pictures ? 6 : 8); ++k)
    rule(p++, "type=\"cellIs\" dxfId=\"" + std::to_string(k % 3) + "\" operator=\"" +
                  (k % 2 ? "greaterThan" : "lessThan") + "\"><formula>" + std::to_string(k * 9000) + "</formula></cfRule>");
  rule(p++, "type=\"cellIs\" dxfId=\"1\" operator=\"between\"><formula>500</formula><formula>700</formula></cfRule>");
  rule(p++, "type=\"expression\" dxfId=\"2\"><formula>MOD($A1,7)=0</formula></cfRule>");
  rule(p++, "type=\"expression\" dxfId=\"0\"><formula>AND(B1&gt;A1,ROW()&gt;5)</formula></cfRule>");
  rule(p++, "type=\"top10\" dxfId=\"1\" rank=\"10\" percent=\"1\"></cfRule>");
  rule(p++, "type=\"top10\" dxfId=\"2\" rank=\"50\" bottom=\"1\"></cfRule>");
  rule(p++, "type=\"aboveAverage\" dxfId=\"0\"></cfRule>");
  rule(p++, "type=\"aboveAverage\" dxfId=\"1\" aboveAverage=\"0\" stdDev=\"1\"></cfRule>");
  rule(p++, "type=\"duplicateValues\" dxfId=\"2\"></cfRule>");
  rule(p++, "type=\"uniqueValues\" dxfId=\"0\"></cfRule>");
  rule(p++, "type=\"containsText\" dxfId=\"1\" operator=\"containsText\" text=\"77\"></cfRule>");
  rule(p++, "type=\"containsBlanks\" dxfId=\"2\"></cfRule>");
  rule(p++, "type=\"colorScale\"><colorScale><cfvo type=\"min\"/><cfvo type=\"percentile\" val=\"50\"/>"
            "<cfvo type=\"max\"/><color rgb=\"FFF8696B\"/><color rgb=\"FFFFEB84\"/><color rgb=\"FF63BE7B\"/></colorScale></cfRule>");
  if (pictures) rule(p++, "type=\"dataBar\"><dataBar><cfvo type=\"min\"/><cfvo type=\"max\"/><color rgb=\"FF638EC6\"/></dataBar></cfRule>");
  if (pictures) rule(p++, "type=\"iconSet\"><iconSet iconSet=\"5Arrows\"><cfvo type=\"percent\" val=\"0\"/><cfvo type=\"percent\" val=\"20\"/>"
            "<cfvo type=\"percent\" val=\"40\"/><cfvo type=\"percent\" val=\"60\"/><cfvo type=\"percent\" val=\"80\"/></iconSet></cfRule>");
  return x;
}

enum Kind { kNoRules, kFormatRules, kPictureRules };

void WriteWorkbook(const std::string& path, Kind kind) {
  std::string sheet = "<?xml version=\"1.0\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
  for (int r = 1; r <= kRows; ++r) {
    sheet += "<row r=\"" + std::to_string(r) + "\">";
    for (int c = 0; c < kCols; ++c)
      sheet += "<c r=\"" + std::string(1, char('A' + c)) + std::to_string(r) + "\"><v>" +
               std::to_string((r * 37 + c * 101) % 10007) + "</v></c>";
    sheet += "</row>";
  }
  sheet += "</sheetData>" + (kind == kNoRules ? std::string() : Rules(kind == kPictureRules)) + "</worksheet>";
  std::vector<xlxtest::ZipEntry> entries = xlxtest::MinimalWorkbookEntries({"Data"});
  for (xlxtest::ZipEntry& e : entries) {
    if (e.name == "xl/worksheets/sheet1.xml") e.data = sheet;
    if (e.name == "xl/_rels/workbook.xml.rels")
      e.data.insert(e.data.find("</Relationships>"),
                    "<Relationship Id=\"rIdS\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                    "relationships/styles\" Target=\"styles.xml\"/>");
  }
  std::string dxfs;
  for (const char* rgb : {"FFFFC7CE", "FFC6EFCE", "FFFFEB9C"})
    dxfs += std::string("<dxf><font><b/><color rgb=\"FF9C0006\"/></font><fill><patternFill><bgColor rgb=\"") + rgb +
            "\"/></patternFill></fill></dxf>";
  entries.push_back({"xl/styles.xml",
                     "<?xml version=\"1.0\"?><styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                     "<dxfs count=\"3\">" + dxfs + "</dxfs></styleSheet>"});
  const std::vector<unsigned char> zip = xlxtest::BuildZip(entries);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(zip.data(), 1, zip.size(), f);
  std::fclose(f);
}

// One column of `rows` numbers under a rule over the whole column whose formula counts the whole
// column for every cell (a hostile sheet: without the work bound a page costs rows x cells).
void WriteColumnWorkbook(const std::string& path, int rows, bool rule) {
  std::string sheet;
  sheet.reserve(size_t(rows) * 48);
  sheet = "<?xml version=\"1.0\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
  for (int r = 1; r <= rows; ++r) {
    const std::string R = std::to_string(r);
    sheet += "<row r=\"" + R + "\"><c r=\"A" + R + "\"><v>" + std::to_string(r % 1000) + "</v></c></row>";
  }
  sheet += "</sheetData>";
  if (rule)
    sheet += "<conditionalFormatting sqref=\"A1:B1048576\"><cfRule type=\"expression\" dxfId=\"0\" priority=\"1\">"
             "<formula>COUNTIF($A$1:$A$1048576,A1)&gt;1</formula></cfRule></conditionalFormatting>";
  sheet += "</worksheet>";
  std::vector<xlxtest::ZipEntry> entries = xlxtest::MinimalWorkbookEntries({"Data"});
  for (xlxtest::ZipEntry& e : entries) {
    if (e.name == "xl/worksheets/sheet1.xml") e.data = std::move(sheet);
    if (e.name == "xl/_rels/workbook.xml.rels")
      e.data.insert(e.data.find("</Relationships>"),
                    "<Relationship Id=\"rIdS\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                    "relationships/styles\" Target=\"styles.xml\"/>");
  }
  entries.push_back({"xl/styles.xml",
                     "<?xml version=\"1.0\"?><styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                     "<dxfs count=\"1\"><dxf><fill><patternFill><bgColor rgb=\"FFFFC7CE\"/></patternFill></fill></dxf></dxfs>"
                     "</styleSheet>"});
  const std::vector<unsigned char> zip = xlxtest::BuildZip(entries);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(zip.data(), 1, zip.size(), f);
  std::fclose(f);
}

double Inches(double v, int32_t, uint32_t, uint32_t, uint32_t, uint32_t) { return v; }
int32_t Row(_FILEINFO*, _BITMAPHANDLE*, const uint8_t*, uint32_t, int32_t, int32_t, uint64_t) { return 1; }

// The fastest of `pages` drawings of page 1 from the cached parse (the first, which parses, is not
// counted): the machine is shared, and the fastest drawing is the one least disturbed.
double PageSeconds(const std::string& file, int pages) {
  const std::u16string path(file.begin(), file.end());
  FilterDataHolder holder{};
  auto options = [](_RASTERIZEDOCOPTIONS* o) {
    std::memset(o, 0, sizeof *o);
    o->uStructSize = 68;
    o->dPageWidth = 8.5;
    o->dPageHeight = 11;
    o->uUnit = 1;
    o->uXResolution = o->uYResolution = 96;
    o->uSizeMode = 1;
  };
  double best = 1e9;
  for (int i = 0; i <= pages; ++i) {
    const double t = NowSeconds();
    _FILEINFO fi;
    std::memset(&fi, 0, sizeof fi);
    fi.uStructSize = sizeof fi;
    _LOADFILEOPTION lfo;
    std::memset(&lfo, 0, sizeof lfo);
    lfo.nPageNumber = 1;
    _INFODISPATCH d;
    std::memset(&d, 0, sizeof d);
    d.pszFileName = path.c_str();
    d.hFile = VkOpenFile(path.c_str(), VK_OPEN_READ, 0);
    d.pFileInfo = &fi;
    d.pFilterData = &holder;
    d.pLoadFileOption = &lfo;
    d.dispatchXlxFlags = 1;
    options(&d.dispatchRasterizeDocOptions);
    d.pfnUnitConverter = Inches;
    if (fltInfo(&d) != 1) std::fprintf(stderr, "info failed\n");
    VkCloseFile(d.hFile);
    _BITMAPHANDLE bitmap;
    std::memset(&bitmap, 0, sizeof bitmap);
    bitmap.uWidth = fi.uWidth;
    bitmap.uHeight = fi.uHeight;
    bitmap.uXResolution = bitmap.uYResolution = 96;
    _LOADDISPATCH l;
    std::memset(&l, 0, sizeof l);
    l.pszFileName = path.c_str();
    l.pBitmap = &bitmap;
    l.pfnRowDelivery = Row;
    l.pFileInfo = &fi;
    l.pFilterData = &holder;
    l.pLoadFileOption = &lfo;
    l.dispatchXlxFlags = 1;
    options(&l.dispatchRasterizeDocOptions);
    l.pfnUnitConverter = Inches;
    if (fltLoad(&l) != 1) std::fprintf(stderr, "load failed\n");
    if (i > 0) best = std::min(best, NowSeconds() - t);
  }
  if (holder.pData) fltFreeData(holder.pData, 0);
  return best;
}

}  // namespace

int main() {
  char dir[] = "/tmp/xlxbenchXXXXXX";
  if (!mkdtemp(dir)) return 1;
  const std::string plain = std::string(dir) + "/plain.xlsx", rules = std::string(dir) + "/rules.xlsx",
                    pictures = std::string(dir) + "/pictures.xlsx";
  WriteWorkbook(plain, kNoRules);
  WriteWorkbook(rules, kFormatRules);
  WriteWorkbook(pictures, kPictureRules);
  const int pages = 40;
  const double without = PageSeconds(plain, pages), with = PageSeconds(rules, pages), drawn = PageSeconds(pictures, pages);
  Report("page of a 10,000 x 10 sheet with 20 format rules", Seconds(with), "no rules " + Seconds(without), with / without);
  Report("the same with a data bar and an icon in every cell", Seconds(drawn), "no rules " + Seconds(without),
         drawn / without);
  std::printf("ratio %.2f (target at most 1.5); with bars and icons %.2f\n", with / without, drawn / without);
  const std::string column = std::string(dir) + "/column.xlsx", columnRule = std::string(dir) + "/columnrule.xlsx";
  WriteColumnWorkbook(column, 1048576, false);
  WriteColumnWorkbook(columnRule, 1048576, true);
  const double bare = PageSeconds(column, 3), bounded = PageSeconds(columnRule, 3);
  Report("page of 1,048,576 rows under a whole-column COUNTIF rule", Seconds(bounded), "no rule " + Seconds(bare),
         bounded / bare);
  for (const std::string& f : {plain, rules, pictures, column, columnRule}) std::remove(f.c_str());
  rmdir(dir);
  return 0;
}
