// Opening workbooks, against the floor of what any reader must do with the same parts: list the
// package, inflate every part the open reads and parse it into a DOM.
//  1. Workbook-level parts: 200,000 unique shared strings (a few rich) and 5,000 cell formats.
//  2. One sheet of 100,000 rows x 20 columns (numbers, shared strings, dates, booleans, formulas
//     with cached values): the open keeps only compact cell records, so besides time it reports
//     peak memory against the floor's.
#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>
#include <zip.h>

#include "bench/benchsupport.h"
#include "common/apiutils.h"
#include "host/kernel/vkkrnx.h"
#include "package/relationships.h"
#include "package/xlsxunzip.h"
#include "parser/xlsxprsr.h"
#include "parser/xlsxprsr.h"

namespace {

constexpr int kStrings = 200000;
constexpr int kCellFormats = 5000;
constexpr int kRuns = 5;

const char* const kMainNs = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
const char* const kRelNs = "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"";
const char* const kRelType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

std::string Rel(const char* id, const char* type, const char* target) {
  return std::string("<Relationship Id=\"") + id + "\" Type=\"" + kRelType + type + "\" Target=\"" + target + "\"/>";
}

std::string SharedStrings() {
  std::mt19937 random(11);
  static const char* const kWords[] = {"north", "customer", "invoice", "Berlin", "quarter", "total", "widget",
                                       "Zürich", "delivery", "pending", "approved", "région", "東京", "account"};
  std::string xml = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<sst ") + kMainNs +
                    " count=\"" + std::to_string(kStrings * 3) + "\" uniqueCount=\"" + std::to_string(kStrings) + "\">";
  for (int i = 0; i < kStrings; ++i) {
    std::string text = kWords[random() % 14];
    for (int w = 0, n = 1 + random() % 4; w < n; ++w) text += std::string(" ") + kWords[random() % 14];
    text += " " + std::to_string(i);
    if (i % 100 == 0) {
      size_t cut = text.find(' ');
      xml += "<si><r><t>" + text.substr(0, cut) + "</t></r><r><rPr><b/><sz val=\"11\"/><color rgb=\"FFFF0000\"/>"
             "<rFont val=\"Calibri\"/><family val=\"2\"/></rPr><t xml:space=\"preserve\">" + text.substr(cut) + "</t></r></si>";
    } else {
      xml += "<si><t>" + text + "</t></si>";
    }
  }
  return xml + "</sst>";
}

std::string Styles() {
  std::string xml = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<styleSheet ") + kMainNs + ">";
  xml += "<numFmts count=\"100\">";
  for (int i = 0; i < 100; ++i)
    xml += "<numFmt numFmtId=\"" + std::to_string(164 + i) + "\" formatCode=\"#,##0." + std::string(size_t(1 + i % 6), '0') +
           " &quot;u" + std::to_string(i) + "&quot;\"/>";
  xml += "</numFmts><fonts count=\"200\">";
  for (int i = 0; i < 200; ++i)
    xml += std::string("<font>") + (i % 3 == 1 ? "<b/>" : "") + (i % 5 == 2 ? "<i/>" : "") + "<sz val=\"" +
           std::to_string(8 + i % 12) + "\"/><color theme=\"" + std::to_string(i % 10) + "\" tint=\"" +
           (i % 4 ? "0.3999" : "-0.25") + "\"/><name val=\"" + (i % 2 ? "Arial" : "Calibri") +
           "\"/><family val=\"2\"/><scheme val=\"minor\"/></font>";
  xml += "</fonts><fills count=\"100\"><fill><patternFill patternType=\"none\"/></fill>"
         "<fill><patternFill patternType=\"gray125\"/></fill>";
  for (int i = 2; i < 100; ++i)
    xml += "<fill><patternFill patternType=\"solid\"><fgColor theme=\"" + std::to_string(4 + i % 6) + "\" tint=\"0." +
           std::to_string(i) + "\"/><bgColor indexed=\"64\"/></patternFill></fill>";
  xml += "</fills><borders count=\"50\">";
  static const char* const kSides[] = {"thin", "medium", "dashed", "dotted", "thick", "double", "hair"};
  for (int i = 0; i < 50; ++i) {
    std::string style = kSides[i % 7];
    xml += "<border><left style=\"" + style + "\"><color indexed=\"64\"/></left><right style=\"" + style +
           "\"><color rgb=\"FF00FF00\"/></right><top/><bottom style=\"thin\"><color theme=\"4\"/></bottom><diagonal/></border>";
  }
  xml += "</borders><cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>";
  xml += "<cellXfs count=\"" + std::to_string(kCellFormats) + "\">";
  for (int i = 0; i < kCellFormats; ++i) {
    xml += "<xf numFmtId=\"" + std::to_string(i % 3 ? 164 + i % 100 : i % 50) + "\" fontId=\"" + std::to_string(i % 200) +
           "\" fillId=\"" + std::to_string(i % 100) + "\" borderId=\"" + std::to_string(i % 50) +
           "\" xfId=\"0\" applyNumberFormat=\"1\" applyFont=\"1\" applyFill=\"1\" applyBorder=\"1\"";
    xml += i % 4 ? "/>" : " applyAlignment=\"1\"><alignment horizontal=\"center\" vertical=\"top\" wrapText=\"1\"/></xf>";
  }
  xml += "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
         "<dxfs count=\"20\">";
  for (int i = 0; i < 20; ++i)
    xml += "<dxf><font><b/><color rgb=\"FF9C0006\"/></font><fill><patternFill><bgColor rgb=\"FFFFC7CE\"/></patternFill></fill></dxf>";
  return xml + "</dxfs><tableStyles count=\"0\" defaultTableStyle=\"TableStyleMedium2\"/></styleSheet>";
}

std::string Theme() {
  std::string xml = "<?xml version=\"1.0\"?><a:theme xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
                    "name=\"Office\"><a:themeElements><a:clrScheme name=\"Office\">"
                    "<a:dk1><a:sysClr val=\"windowText\" lastClr=\"000000\"/></a:dk1>"
                    "<a:lt1><a:sysClr val=\"window\" lastClr=\"FFFFFF\"/></a:lt1>";
  static const char* const kSlots[] = {"dk2", "lt2", "accent1", "accent2", "accent3", "accent4", "accent5", "accent6",
                                       "hlink", "folHlink"};
  static const char* const kValues[] = {"1F497D", "EEECE1", "4F81BD", "C0504D", "9BBB59", "8064A2", "4BACC6", "F79646",
                                        "0000FF", "800080"};
  for (int i = 0; i < 10; ++i)
    xml += std::string("<a:") + kSlots[i] + "><a:srgbClr val=\"" + kValues[i] + "\"/></a:" + kSlots[i] + ">";
  return xml + "</a:clrScheme><a:fontScheme name=\"Office\"><a:majorFont><a:latin typeface=\"Cambria\"/></a:majorFont>"
               "<a:minorFont><a:latin typeface=\"Calibri\"/></a:minorFont></a:fontScheme><a:fmtScheme name=\"Office\"/>"
               "</a:themeElements></a:theme>";
}

struct Part {
  const char* name;
  std::string data;
};

std::string SheetData(int rows, int columns) {
  std::string xml = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet ") + kMainNs +
                    "><dimension ref=\"A1:T" + std::to_string(rows) + "\"/><sheetFormatPr defaultRowHeight=\"15\"/>"
                    "<cols><col min=\"1\" max=\"3\" width=\"14\" customWidth=\"1\"/></cols><sheetData>";
  xml.reserve(size_t(rows) * size_t(columns) * 40);
  char cell[160];
  for (int r = 1; r <= rows; ++r) {
    xml += "<row r=\"" + std::to_string(r) + "\" spans=\"1:" + std::to_string(columns) + "\">";
    for (int c = 0; c < columns; ++c) {
      char col = char('A' + c);
      switch (c % 10) {
        case 1:
        case 5:
          std::snprintf(cell, sizeof cell, "<c r=\"%c%d\" t=\"s\"><v>%d</v></c>", col, r, (r * 7 + c) % 1000);
          break;
        case 3:
          std::snprintf(cell, sizeof cell, "<c r=\"%c%d\" s=\"2\"><v>%d</v></c>", col, r, 40000 + r % 3000);
          break;
        case 7:
          std::snprintf(cell, sizeof cell, "<c r=\"%c%d\"><f>C%d*2</f><v>%.2f</v></c>", col, r, r, r * 0.5);
          break;
        case 9:
          std::snprintf(cell, sizeof cell, "<c r=\"%c%d\" t=\"b\"><v>%d</v></c>", col, r, r & 1);
          break;
        default:
          std::snprintf(cell, sizeof cell, "<c r=\"%c%d\" s=\"1\"><v>%.4f</v></c>", col, r, r * 1.37 + c * 0.01);
          break;
      }
      xml += cell;
    }
    xml += "</row>";
  }
  return xml + "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
               "footer=\"0.3\"/></worksheet>";
}

std::string SmallSharedStrings() {
  std::string xml = std::string("<?xml version=\"1.0\"?><sst ") + kMainNs + " uniqueCount=\"1000\">";
  for (int i = 0; i < 1000; ++i) xml += "<si><t>label " + std::to_string(i) + "</t></si>";
  return xml + "</sst>";
}

std::string SmallStyles() {
  return std::string("<?xml version=\"1.0\"?><styleSheet ") + kMainNs +
         "><numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"0.0000\"/></numFmts><fonts count=\"1\"><font>"
         "<sz val=\"11\"/><name val=\"Calibri\"/></font></fonts><fills count=\"2\"><fill><patternFill patternType=\"none\"/>"
         "</fill><fill><patternFill patternType=\"gray125\"/></fill></fills><borders count=\"1\"><border/></borders>"
         "<cellXfs count=\"3\"><xf/><xf numFmtId=\"164\" applyNumberFormat=\"1\"/><xf numFmtId=\"14\" "
         "applyNumberFormat=\"1\"/></cellXfs></styleSheet>";
}

// A package: the parts in the order written. `bigSheet` chooses the second scenario.
std::vector<Part> Parts(bool bigSheet) {
  std::vector<Part> parts;
  parts.push_back({"[Content_Types].xml", "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"});
  parts.push_back({"_rels/.rels", std::string("<?xml version=\"1.0\"?><Relationships ") + kRelNs + ">" +
                                      Rel("rId1", "officeDocument", "xl/workbook.xml") + "</Relationships>"});
  parts.push_back({"xl/workbook.xml", std::string("<?xml version=\"1.0\"?><workbook ") + kMainNs +
                                          " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                                          "<sheets><sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"});
  parts.push_back({"xl/_rels/workbook.xml.rels",
                   std::string("<?xml version=\"1.0\"?><Relationships ") + kRelNs + ">" +
                       Rel("rId1", "worksheet", "worksheets/sheet1.xml") + Rel("rId2", "theme", "theme/theme1.xml") +
                       Rel("rId3", "styles", "styles.xml") + Rel("rId4", "sharedStrings", "sharedStrings.xml") +
                       "</Relationships>"});
  parts.push_back({"xl/worksheets/sheet1.xml",
                   bigSheet ? SheetData(100000, 20)
                            : std::string("<?xml version=\"1.0\"?><worksheet ") + kMainNs +
                                  "><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row></sheetData></worksheet>"});
  parts.push_back({"xl/theme/theme1.xml", Theme()});
  parts.push_back({"xl/styles.xml", bigSheet ? SmallStyles() : Styles()});
  parts.push_back({"xl/sharedStrings.xml", bigSheet ? SmallSharedStrings() : SharedStrings()});
  return parts;
}

bool WritePackage(const std::string& path, const std::vector<Part>& parts) {
  zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  if (!zip) return false;
  for (const Part& part : parts) {
    zip_fileinfo info{};
    if (zipOpenNewFileInZip64(zip, part.name, &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION,
                              part.data.size() > 0xFFFFFFFFu) != ZIP_OK ||
        zipWriteInFileInZip(zip, part.data.data(), unsigned(part.data.size())) != ZIP_OK || zipCloseFileInZip(zip) != ZIP_OK) {
      zipClose(zip, nullptr);
      return false;
    }
  }
  return zipClose(zip, nullptr) == ZIP_OK;
}

// The floor: list the package and parse every part the open reads into a DOM.
double FloorSeconds(const std::u16string& path, const std::vector<Part>& parts) {
  double start = xlxbench::NowSeconds();
  int64_t handle = VkOpenFile(path.c_str(), VK_OPEN_READ, 0);
  xlx::PartList list;
  if (xlx::BuildPartList(handle, &list, nullptr, nullptr) != 1) return -1;
  for (const Part& part : parts) {
    std::string name = part.name;
    if (name == "[Content_Types].xml") continue;
    pugi::xml_document doc;
    if (xlx::LoadXmlPart(handle, &list, xlx::Utf8ToUtf16(name).c_str(), &doc) != 1) return -1;
  }
  xlx::FreePartList(&list);
  VkCloseFile(handle);
  return xlxbench::NowSeconds() - start;
}

double OpenSeconds(const std::u16string& path, int32_t* strings, int32_t* formats, int64_t* cells) {
  double start = xlxbench::NowSeconds();
  xlx::Workbook* workbook = nullptr;
  int32_t rc = xlx::ReadWorkbook(path.c_str(), xlx::WorkbookOpenOptions(), &workbook);
  if (rc != 1) return -1;
  *strings = workbook->sharedStrings.count;
  *formats = workbook->styles.cellXfs.items.Count();
  *cells = xlx::GetSheet(workbook, 0)->cells.Count();
  xlx::FreeWorkbook(workbook);
  return xlxbench::NowSeconds() - start;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Measured {
  double open = 0, floor = 0;
  size_t openPeak = 0, floorPeak = 0;
  int32_t strings = 0, formats = 0;
  int64_t cells = 0;
  size_t xmlBytes = 0;
};

// Writes the package, then times the floor and the open in turns. False when something failed.
bool Measure(bool bigSheet, int runs, Measured* m) {
  std::string file = std::string(XLX_BINARY_DIR) + "/bench_workbook_" + std::to_string(getpid()) + ".xlsx";
  std::vector<Part> parts = Parts(bigSheet);
  for (const Part& part : parts) m->xmlBytes += part.data.size();
  bool written = WritePackage(file, parts);
  parts.clear();
  parts.shrink_to_fit();
  if (!written) {
    std::fprintf(stderr, "cannot write %s\n", file.c_str());
    return false;
  }
  std::u16string path = xlx::Utf8ToUtf16(file);
  std::vector<Part> names = Parts(false);  // the same part names; contents unused
  std::vector<double> floors, opens;
  bool ok = true;
  for (int run = 0; run < runs && ok; ++run) {
    xlxbench::ResetPeakRss();
    size_t base = xlxbench::PeakRssBytes();
    double floor = FloorSeconds(path, names);
    m->floorPeak = std::max(m->floorPeak, xlxbench::PeakRssBytes() - base);
    xlxbench::ResetPeakRss();
    base = xlxbench::PeakRssBytes();
    double open = OpenSeconds(path, &m->strings, &m->formats, &m->cells);
    m->openPeak = std::max(m->openPeak, xlxbench::PeakRssBytes() - base);
    ok = floor >= 0 && open >= 0;
    floors.push_back(floor);
    opens.push_back(open);
  }
  unlink(file.c_str());
  if (!ok) {
    std::fprintf(stderr, "reading %s failed\n", file.c_str());
    return false;
  }
  m->floor = Median(floors);
  m->open = Median(opens);
  return true;
}

}  // namespace

int main() {
  Measured parts;
  if (!Measure(false, kRuns, &parts)) return 1;
  std::printf("workbook open: %d shared strings, %d cell formats, %.1f MB of XML; median of %d runs\n", parts.strings,
              parts.formats, double(parts.xmlBytes) / 1e6, kRuns);
  xlxbench::Report("workbook open (styles + strings)", xlxbench::Seconds(parts.open),
                   xlxbench::Seconds(parts.floor) + " unzip+DOM", parts.open / parts.floor);

  Measured sheet;
  if (!Measure(true, 3, &sheet)) return 1;
  std::printf("sheet open: %lld cells, %.1f MB of XML; median of 3 runs\n", static_cast<long long>(sheet.cells),
              double(sheet.xmlBytes) / 1e6);
  xlxbench::Report("sheet 100,000 x 20 open", xlxbench::Seconds(sheet.open), xlxbench::Seconds(sheet.floor) + " unzip+DOM",
                   sheet.open / sheet.floor);
  xlxbench::Report("sheet 100,000 x 20 peak memory", xlxbench::Megabytes(sheet.openPeak),
                   xlxbench::Megabytes(sheet.floorPeak) + " unzip+DOM", double(sheet.openPeak) / double(sheet.floorPeak));
  bool complete = parts.strings == kStrings && parts.formats == kCellFormats && sheet.cells == 2000000;
  return complete ? 0 : 1;
}
