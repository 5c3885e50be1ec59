// Computing formulas against reading the sheet that holds them: one sheet of 10,000 data rows and
// 100,000 formula cells without cached values (window sums, exact and sorted lookups over the
// 10,000 rows, INDEX/MATCH, XLOOKUP, conditional sums, arithmetic). The sheet is read with the
// formulas left alone, then every formula is computed; the ratio of the two times is the figure
// (the goal is at most 2). Lookups of one table share an index, so the time stays linear.
#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>
#include <zip.h>

#include "bench/benchsupport.h"
#include "common/apiutils.h"
#include "filter/workbookopen.h"
#include "parser/xlsxprsr.h"
#include "values/formula/formula.h"

namespace {

constexpr int kRows = 10000;
constexpr int kRuns = 3;
const char* const kMainNs = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
const char* const kRelNs = "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"";

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) out += c == '"' ? "&quot;" : c == '<' ? "&lt;" : c == '&' ? "&amp;" : std::string(1, c);
  return out;
}

// Ten formulas per row; `k` is a pseudo-random row for the lookups.
std::string SheetXml() {
  std::mt19937 random(5);
  std::string xml = std::string("<?xml version=\"1.0\"?><worksheet ") + kMainNs + "><sheetData>";
  for (int r = 1; r <= kRows; ++r) {
    const std::string R = std::to_string(r), K = std::to_string(1 + random() % kRows);
    const std::string W = std::to_string(std::min(kRows, r + 49));
    const std::string formulas[10] = {
        "SUM(B" + R + ":B" + W + ")",
        "VLOOKUP(A" + K + ",$A$1:$C$10000,2,FALSE)",
        "MATCH(C" + K + ",$C$1:$C$10000,0)",
        "INDEX($B$1:$B$10000,MATCH(A" + K + ",$A$1:$A$10000,0))",
        "VLOOKUP(A" + R + "+0.5,$A$1:$B$10000,2,TRUE)",
        "B" + R + "*2+D" + R,
        "IF(B" + R + ">50,\"high\",\"low\")&\"-\"&C" + R,
        "SUMIF($B$1:$B$100,\"<\"&B" + R + ",$A$1:$A$100)",
        "AVERAGE(B" + R + ":B" + std::to_string(std::min(kRows, r + 9)) + ")",
        "XLOOKUP(A" + K + ",$A$1:$A$10000,$B$1:$B$10000)",
    };
    xml += "<row r=\"" + R + "\"><c r=\"A" + R + "\"><v>" + std::to_string(r * 3) + "</v></c><c r=\"B" + R +
           "\"><v>" + std::to_string(random() % 100) + "</v></c><c r=\"C" + R + "\" t=\"inlineStr\"><is><t>key" +
           std::to_string(r) + "</t></is></c>";
    for (int f = 0; f < 10; ++f) {
      std::string col(1, char('D' + f));
      xml += "<c r=\"" + col + R + "\"><f>" + Escape(formulas[f]) + "</f></c>";
    }
    xml += "</row>";
  }
  return xml + "</sheetData></worksheet>";
}

bool WritePackage(const std::string& path) {
  struct Part {
    const char* name;
    std::string data;
  };
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
  std::vector<Part> parts = {
      {"[Content_Types].xml", "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
      {"_rels/.rels", std::string("<?xml version=\"1.0\"?><Relationships ") + kRelNs + "><Relationship Id=\"rId1\" Type=\"" +
                          rel + "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/workbook.xml", std::string("<?xml version=\"1.0\"?><workbook ") + kMainNs +
                              " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
                              "<sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels", std::string("<?xml version=\"1.0\"?><Relationships ") + kRelNs +
                                         "><Relationship Id=\"rId1\" Type=\"" + rel +
                                         "worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
      {"xl/worksheets/sheet1.xml", SheetXml()},
  };
  zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  if (!zip) return false;
  for (const Part& part : parts) {
    zip_fileinfo info{};
    if (zipOpenNewFileInZip64(zip, part.name, &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION,
                              0) != ZIP_OK ||
        zipWriteInFileInZip(zip, part.data.data(), unsigned(part.data.size())) != ZIP_OK || zipCloseFileInZip(zip) != ZIP_OK) {
      zipClose(zip, nullptr);
      return false;
    }
  }
  return zipClose(zip, nullptr) == ZIP_OK;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main() {
  std::string file = std::string(XLX_BINARY_DIR) + "/bench_formulas_" + std::to_string(getpid()) + ".xlsx";
  if (!WritePackage(file)) {
    std::fprintf(stderr, "cannot write %s\n", file.c_str());
    return 1;
  }
  std::u16string path = xlx::Utf8ToUtf16(file);
  std::vector<double> reads, computes;
  xlx::FormulaRunReport last;
  for (int run = 0; run < kRuns; ++run) {
    xlx::WorkbookOpenOptions options;
    options.formulaMode = xlx::kFormulaEvalNone;
    xlx::Workbook* wb = nullptr;
    double start = xlxbench::NowSeconds();
    if (xlx::OpenWorkbook(path.c_str(), options, &wb) != 1) {
      unlink(file.c_str());
      return 1;
    }
    double read = xlxbench::NowSeconds() - start;
    xlx::FormulaRunReport report;
    start = xlxbench::NowSeconds();
    if (xlx::EvaluateWorkbookFormulas(wb, xlx::kFormulaEvalAll, &report) != 1) return 1;
    computes.push_back(xlxbench::NowSeconds() - start);
    reads.push_back(read);
    last = report;
    xlx::FreeWorkbook(wb);
  }
  unlink(file.c_str());
  double read = Median(reads), compute = Median(computes);
  std::printf("formulas: %d cells, %d computed, %d kept; read %.3f s, compute %.3f s (median of %d runs)\n", last.nTotal,
              last.nComputed, last.nUnsupported, read, compute, kRuns);
  xlxbench::Report("compute 100,000 formulas", xlxbench::Seconds(compute), xlxbench::Seconds(read) + " read",
                   compute / read);
  return last.nComputed == last.nTotal ? 0 : 1;
}
