// Scale: many pages, many rows, many files. Measures in one run:
//  1. xlxrender writing all 190 paginated PNG pages of a 5,000 x 20 workbook on 1, 2 and 4 threads
//     (best of two runs each, whole process), and whether the pages are byte-identical across -j;
//  2. the cell store: bytes per stored cell (records and their text) of a 100,000 x 20 sheet;
//  3. the info call on 100,000 x 20 and 1,000,000 x 20 sheets in fresh processes: seconds, time
//     per cell and peak memory against the sheet XML;
//  4. batch throughput over the corpus: `xlxrender --batch -j 2` against one process per file,
//     two at a time, in files per second; the first three pages of each file, so that the few
//     workbooks of thousands of pages do not stand for the whole corpus.
// The workbooks are written by bench_pages --workbook. The load average is printed with the
// thread figures: on a shared machine wall times only scale as far as idle cores allow.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/benchsupport.h"
#include "filter/workbookopen.h"
#include "parser/xlsxprsr.h"

using namespace xlxbench;

namespace {

const std::string kBin = XLX_BINARY_DIR;
const std::string kTool = kBin + "/tools/xlxrender/xlxrender";

double Run(const std::string& command) {
  const double t = NowSeconds();
  const int rc = std::system(command.c_str());
  return rc == 0 ? NowSeconds() - t : -1;
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one;
  in >> one;
  return one;
}

bool WriteWorkbook(const std::string& path, int rows) {
  return Run(kBin + "/bench/bench_pages --workbook " + std::to_string(rows) + " " + path) >= 0;
}

// Size of the sheet XML inside the package (its uncompressed size).
size_t SheetXmlBytes(const std::string& path) {
  std::string cmd = "unzip -l " + path + " xl/worksheets/sheet1.xml | awk 'NR==4{print $1}'";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return 0;
  unsigned long long n = 0;
  if (std::fscanf(p, "%llu", &n) != 1) n = 0;
  pclose(p);
  return static_cast<size_t>(n);
}

struct Measured {
  double seconds = 0;
  size_t peak = 0, cells = 0, cellBytes = 0;
  size_t recordBytes = 0, arenaBytes = 0, rowBytes = 0;  // the cell store by component
  size_t arenaUsed = 0;  // of arenaBytes, handed out (the rest of the blocks is never touched)
  int32_t code = 0;  // OpenWorkbook's result
};

// Opens the workbook in a child process (no layout): seconds, peak memory, cells and the bytes
// the cell store holds for them (records and the sheet's text arena).
Measured OpenInChild(const std::string& path) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    Measured m;
    std::u16string p16(path.begin(), path.end());
    xlx::Workbook* wb = nullptr;
    xlx::WorkbookOpenOptions options;
    const double t = NowSeconds();
    m.code = xlx::OpenWorkbook(p16.c_str(), options, &wb);
    if (m.code == 1) {
      m.seconds = NowSeconds() - t;
      m.peak = PeakRssBytes();
      for (int32_t i = 0; i < xlx::GetSheetCount(wb); ++i) {
        const xlx::MyWorksheet* s = xlx::GetSheet(wb, i);
        m.cells += static_cast<size_t>(s->cells.Count());
        m.recordBytes += static_cast<size_t>(s->cells.Count()) * sizeof(xlx::CellRecord);
        m.arenaBytes += s->arena.HeldBytes();
        m.arenaUsed += s->arena.UsedBytes();
        m.rowBytes += static_cast<size_t>(s->rows.Count()) * sizeof(xlx::RowEntry);
      }
      m.cellBytes = m.recordBytes + m.arenaBytes;
      xlx::FreeWorkbook(wb);
    }
    if (write(fds[1], &m, sizeof m) != sizeof m) _exit(1);
    _exit(0);
  }
  close(fds[1]);
  Measured m;
  if (read(fds[0], &m, sizeof m) != sizeof m) m = Measured{};
  close(fds[0]);
  waitpid(pid, nullptr, 0);
  return m;
}

void Threads(const std::string& dir) {
  const std::string book = dir + "/pages.xlsx";
  if (!WriteWorkbook(book, 5000)) return;
  double one = 0;
  for (int threads : {1, 2, 4}) {
    const std::string out = dir + "/j" + std::to_string(threads);
    double best = 1e9;
    for (int k = 0; k < 2; ++k) {
      Run("rm -rf " + out + " && mkdir -p " + out);
      const double s = Run(kTool + " -q --paginate -j " + std::to_string(threads) + " " + book + " " + out + "/p");
      if (s > 0) best = std::min(best, s);
    }
    if (threads == 1) one = best;
    const std::string name = "xlxrender 190 PNG pages, -j " + std::to_string(threads) + " (load " + LoadAverage() + ")";
    if (threads == 1) Report(name, Seconds(best), "", 0);
    else Report(name, Seconds(best), "-j 1 " + Seconds(one), one / best);
  }
  const bool same = Run("diff -rq " + dir + "/j1 " + dir + "/j2 >/dev/null && diff -rq " + dir + "/j1 " + dir +
                        "/j4 >/dev/null") >= 0;
  Report("pages byte-identical across -j 1/2/4", same ? "yes" : "NO", "", 0);
}

void Cells(const std::string& dir) {
  double perCellSmall = 0;
  for (int rows : {100000, 1000000}) {
    const std::string book = dir + "/rows" + std::to_string(rows) + ".xlsx";
    if (!WriteWorkbook(book, rows)) return;
    const size_t xml = SheetXmlBytes(book);
    const Measured m = OpenInChild(book);
    Run("rm -f " + book);
    if (m.cells == 0) {
      // A sheet part inflated whole must stay within the package's part limit.
      Report("open " + std::to_string(rows) + " x 20 (XML " + Megabytes(xml) + ")", "failed, code " + std::to_string(m.code),
             "", 0);
      continue;
    }
    const std::string name = std::to_string(rows / 1000) + "k x 20";
    const double perCell = m.seconds / m.cells;
    if (rows == 100000) {
      perCellSmall = perCell;
      char perCellText[32];
      std::snprintf(perCellText, sizeof perCellText, "%.1f B", double(m.cellBytes) / m.cells);
      Report("cell store, bytes per cell (" + name + ")", perCellText, "target 24 B",
             static_cast<double>(m.cellBytes) / m.cells / 24);
      char parts[160];
      std::snprintf(parts, sizeof parts, "records %.1f B, text arena %.1f B (%.1f B used), row map %.1f B",
                    double(m.recordBytes) / m.cells, double(m.arenaBytes) / m.cells, double(m.arenaUsed) / m.cells,
                    double(m.rowBytes) / m.cells);
      Report("cell store by component, per cell (" + name + ")", parts, "", 0);
    }
    Report("open " + name + ", time per cell", std::to_string(perCell * 1e9).substr(0, 6) + " ns",
           rows == 100000 ? "" : "100k x 20", rows == 100000 ? 0 : perCell / perCellSmall);
    Report("open " + name + ", peak memory vs XML", Megabytes(m.peak), "XML " + Megabytes(xml),
           static_cast<double>(m.peak) / xml);
  }
}

void Batch(const std::string& dir) {
  const std::string corpus = std::string(XLX_SOURCE_DIR) + "/../shared/corpus";
  const std::string list = dir + "/list.txt";
  if (Run("find " + corpus + "/xlsx " + corpus + "/xlsb -type f | sort > " + list + " 2>/dev/null") < 0) return;
  std::ifstream in(list);
  size_t files = 0;
  for (std::string line; std::getline(in, line);) files += !line.empty();
  if (files == 0) return;
  // Both keep going past failures; both write the same pages.
  const double batch = Run(kTool + " -l 3 --batch " + list + " -j 2 " + dir + "/batch > /dev/null 2>&1 || true");
  const double single = Run("mkdir -p " + dir + "/single && cd " + dir + "/single && xargs -P 2 -I{} sh -c '" + kTool +
                            " -q -l 3 \"$1\" \"$(basename \"$1\")\" >/dev/null 2>&1 || true' _ {} < " + list);
  if (batch <= 0 || single <= 0) return;
  char value[64], base[64];
  std::snprintf(value, sizeof value, "%.1f files/s", files / batch);
  std::snprintf(base, sizeof base, "process per file %.1f files/s", files / single);
  Report("batch over the corpus (" + std::to_string(files) + " files, 3 pages each, -j 2)", value, base, single / batch);
}

}  // namespace

// With an argument (threads, batch or cells) only that part runs.
int main(int argc, char** argv) {
  char dir[] = "/tmp/xlxscaleXXXXXX";
  if (!mkdtemp(dir)) return 1;
  const std::string only = argc > 1 ? argv[1] : "";
  if (only.empty() || only == "threads") Threads(dir);
  if (only.empty() || only == "batch") Batch(dir);
  if (only.empty() || only == "cells") Cells(dir);
  Run(std::string("rm -rf ") + dir);
  return 0;
}
