// Pages end to end. Makes its own workbooks (N rows x 20 columns of dates, text, formatted numbers
// and integers) and measures in one run:
//  1. the info call (parse + paginate) of a 100,000 x 20 sheet against the DOM floor (unzip and a
//     pugixml DOM of the same parts, touching every cell) and the streaming floor (unzip and one
//     pass over the XML), with peak memory against the XML size, each in its own process;
//  2. one page from the cached parse: the first and the last page;
//  3. a page from the cache against a page parsed afresh (no holder) on a 200-page workbook;
//  4. xlxrender writing every paginated page of a 5,000 x 20 workbook as PNG, on 1 and 2 threads;
//  5. one dense page drawn at 96 and 300 dpi.
// With --workbook ROWS PATH it only writes the workbook (bench/pdf times PDF output on it).
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/benchsupport.h"
#include "filter/xlxfilter.h"
#include "host/kernel/vkkrnx.h"
#include "package/xlsxunzip.h"

using namespace xlxbench;

namespace {

const char* const kNs = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
const char* const kRelNs = "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"";

std::string Column(int c) {
  std::string s;
  for (c += 1; c > 0; c = (c - 1) / 26) s.insert(s.begin(), static_cast<char>('A' + (c - 1) % 26));
  return s;
}

std::string SheetXml(int rows) {
  std::string x = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet ") + kNs + "><sheetData>";
  x.reserve(static_cast<size_t>(rows) * 20 * 40);
  char buf[128];
  for (int r = 1; r <= rows; ++r) {
    x += "<row r=\"" + std::to_string(r) + "\">";
    for (int c = 0; c < 20; ++c) {
      std::string ref = Column(c) + std::to_string(r);
      switch (c % 4) {
        case 0: std::snprintf(buf, sizeof buf, "<c r=\"%s\" s=\"1\"><v>%d</v></c>", ref.c_str(), 43831 + r % 1000); break;
        case 1: std::snprintf(buf, sizeof buf, "<c r=\"%s\" t=\"inlineStr\"><is><t>Item %d-%d</t></is></c>", ref.c_str(), r, c); break;
        case 2: std::snprintf(buf, sizeof buf, "<c r=\"%s\" s=\"2\"><v>%.2f</v></c>", ref.c_str(), r * 1.5 + c); break;
        default: std::snprintf(buf, sizeof buf, "<c r=\"%s\"><v>%d</v></c>", ref.c_str(), r * 7 + c); break;
      }
      x += buf;
    }
    x += "</row>";
  }
  return x + "</sheetData></worksheet>";
}

// Writes a one-sheet workbook; returns the size of the sheet XML.
size_t WriteWorkbook(const std::string& path, int rows) {
  std::vector<std::pair<std::string, std::string>> parts = {
      // Content types in full, so that other spreadsheet programs open the workbook too.
      {"[Content_Types].xml",
       "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
       "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
       "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument."
       "spreadsheetml.sheet.main+xml\"/><Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"application/"
       "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/><Override PartName=\"/xl/styles.xml\" "
       "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/></Types>"},
      {"_rels/.rels", std::string("<?xml version=\"1.0\"?><Relationships ") + kRelNs +
                          "><Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                          "relationships/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/workbook.xml", std::string("<?xml version=\"1.0\"?><workbook ") + kNs +
                              " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
                              "<sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       std::string("<?xml version=\"1.0\"?><Relationships ") + kRelNs +
           "><Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
           "worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"http://schemas."
           "openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/></Relationships>"},
      {"xl/styles.xml", std::string("<?xml version=\"1.0\"?><styleSheet ") + kNs +
                            "><numFmts count=\"2\"><numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd\"/></numFmts>"
                            "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
                            "<fills count=\"1\"><fill><patternFill patternType=\"none\"/></fill></fills>"
                            "<borders count=\"1\"><border/></borders><cellXfs count=\"3\"><xf numFmtId=\"0\"/>"
                            "<xf numFmtId=\"164\" applyNumberFormat=\"1\"/><xf numFmtId=\"4\" applyNumberFormat=\"1\"/>"
                            "</cellXfs></styleSheet>"},
      {"xl/worksheets/sheet1.xml", SheetXml(rows)},
  };
  xlxbench::WriteZip(path, parts);
  return parts.back().second.size();
}

double Inches(double v, int32_t, uint32_t, uint32_t, uint32_t, uint32_t) { return v; }

struct Host {
  std::u16string path;
  FilterDataHolder holder{};
  uint32_t flags = 1;
  uint32_t dpi = 96;
  ~Host() {
    if (holder.pData) fltFreeData(holder.pData, 0);
  }
  void Options(_RASTERIZEDOCOPTIONS* o) const {
    std::memset(o, 0, sizeof *o);
    o->uStructSize = 68;
    o->dPageWidth = 8.5;
    o->dPageHeight = 11;
    o->uUnit = 1;
    o->uXResolution = o->uYResolution = dpi;
    o->uSizeMode = 1;
  }
  int32_t Info(int32_t page, _FILEINFO* fi, bool useHolder = true) {
    _INFODISPATCH d;
    std::memset(&d, 0, sizeof d);
    std::memset(fi, 0, sizeof *fi);
    fi->uStructSize = sizeof *fi;
    _LOADFILEOPTION lfo;
    std::memset(&lfo, 0, sizeof lfo);
    lfo.nPageNumber = page;
    d.pszFileName = path.c_str();
    d.hFile = VkOpenFile(path.c_str(), VK_OPEN_READ, 0);
    d.pFileInfo = fi;
    d.pFilterData = useHolder ? &holder : nullptr;
    d.pLoadFileOption = &lfo;
    d.dispatchXlxFlags = flags;
    Options(&d.dispatchRasterizeDocOptions);
    d.pfnUnitConverter = Inches;
    int32_t r = fltInfo(&d);
    VkCloseFile(d.hFile);
    return r;
  }
  static int32_t Row(_FILEINFO*, _BITMAPHANDLE*, const uint8_t*, uint32_t, int32_t, int32_t, uint64_t) { return 1; }
  int32_t Load(int32_t page, const _FILEINFO& fi, bool useHolder = true) {
    _LOADDISPATCH d;
    std::memset(&d, 0, sizeof d);
    _LOADFILEOPTION lfo;
    std::memset(&lfo, 0, sizeof lfo);
    lfo.nPageNumber = page;
    _BITMAPHANDLE t;
    std::memset(&t, 0, sizeof t);
    t.uWidth = fi.uWidth;
    t.uHeight = fi.uHeight;
    t.uXResolution = t.uYResolution = dpi;
    _FILEINFO info = fi;
    d.pszFileName = path.c_str();
    d.pBitmap = &t;
    d.pfnRowDelivery = Row;
    d.pFileInfo = &info;
    d.pFilterData = useHolder ? &holder : nullptr;
    d.pLoadFileOption = &lfo;
    d.dispatchXlxFlags = flags;
    Options(&d.dispatchRasterizeDocOptions);
    d.pfnUnitConverter = Inches;
    return fltLoad(&d);
  }
};

// Runs `work` in a child process; returns its seconds and peak memory.
struct Measured {
  double seconds = 0;
  size_t peak = 0;
};
template <typename Work>
Measured InChild(Work work) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    Measured m;
    double t = NowSeconds();
    work();
    m.seconds = NowSeconds() - t;
    m.peak = PeakRssBytes();
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

void DomFloor(const std::u16string& path) {
  int64_t h = VkOpenFile(path.c_str(), VK_OPEN_READ, 0);
  xlx::PartList list;
  pugi::xml_document doc;
  if (xlx::BuildPartList(h, &list, nullptr, nullptr) != 1 ||
      xlx::LoadXmlPart(h, &list, u"xl/worksheets/sheet1.xml", &doc) != 1)
    std::fprintf(stderr, "bench: the DOM floor could not read its workbook\n");
  size_t touched = 0;
  for (pugi::xml_node row : doc.document_element().child("sheetData").children())
    for (pugi::xml_node c : row.children()) touched += std::strlen(c.attribute("r").value()) + std::strlen(c.child_value("v"));
  if (touched == 1) std::puts("");
  xlx::FreePartList(&list);
  VkCloseFile(h);
}

void StreamFloor(const std::u16string& path) {
  int64_t h = VkOpenFile(path.c_str(), VK_OPEN_READ, 0);
  xlx::PartList list;
  if (xlx::BuildPartList(h, &list, nullptr, nullptr) != 1) std::fprintf(stderr, "bench: no part list\n");
  uint8_t* data = nullptr;
  uint64_t size = 0;
  int64_t n = xlx::ReadPart(h, u"xl/worksheets/sheet1.xml", &data, &size, &list);
  size_t cells = 0;
  for (int64_t i = 0; i + 2 < n; ++i) cells += data[i] == '<' && data[i + 1] == 'c' && data[i + 2] == ' ';
  if (cells == 1) std::puts("");
  VK_FREE(data);
  xlx::FreePartList(&list);
  VkCloseFile(h);
}

}  // namespace

int main(int argc, char** argv) {
  // "--workbook ROWS PATH" only writes the workbook, for the scripts that time other tools on it.
  if (argc == 4 && std::strcmp(argv[1], "--workbook") == 0) return WriteWorkbook(argv[3], std::atoi(argv[2])) ? 0 : 1;
  char dir[] = "/tmp/xlxbenchXXXXXX";
  if (!mkdtemp(dir)) return 1;
  const std::string big = std::string(dir) + "/big.xlsx", mid = std::string(dir) + "/mid.xlsx";
  const size_t xmlBytes = WriteWorkbook(big, 100000);
  WriteWorkbook(mid, 5000);
  Host host;
  host.path = std::u16string(big.begin(), big.end());

  // 1. Info call against the floors, each in a fresh process.
  Measured dom = InChild([&] { DomFloor(host.path); });
  Measured stream = InChild([&] { StreamFloor(host.path); });
  for (uint32_t flags : {0u, 1u}) {
    Measured info = InChild([&] {
      Host h;
      h.path = host.path;
      h.flags = flags;
      _FILEINFO fi;
      h.Info(1, &fi, false);
    });
    const std::string mode = flags ? "paginated" : "default";
    Report("info 100k x 20, " + mode, Seconds(info.seconds), "DOM floor " + Seconds(dom.seconds), info.seconds / dom.seconds);
    Report("info 100k x 20, " + mode + " vs streaming floor", Seconds(info.seconds), "stream " + Seconds(stream.seconds),
           info.seconds / stream.seconds);
    Report("info 100k x 20, " + mode + " peak memory", Megabytes(info.peak), "DOM floor " + Megabytes(dom.peak),
           static_cast<double>(info.peak) / dom.peak);
    Report("info 100k x 20, " + mode + " peak memory vs XML", Megabytes(info.peak), "XML " + Megabytes(xmlBytes),
           static_cast<double>(info.peak) / xmlBytes);
  }

  // 2. Pages from the cache: first and last.
  _FILEINFO fi;
  double t = NowSeconds();
  host.Info(1, &fi);
  Report("info 100k x 20 paginated, with holder", Seconds(NowSeconds() - t), "", 0);
  const int32_t total = static_cast<int32_t>(fi.uTotalPages);
  auto timeLoad = [&](int32_t page) {
    _FILEINFO pageInfo;
    host.Info(page, &pageInfo);
    double best = 1e9;
    for (int k = 0; k < 3; ++k) {
      double s = NowSeconds();
      host.Load(page, pageInfo);
      best = std::min(best, NowSeconds() - s);
    }
    return best;
  };
  const double first = timeLoad(1), last = timeLoad(total);
  Report("page 1 of " + std::to_string(total) + " from the cache", Seconds(first), "", 0);
  Report("last page from the cache", Seconds(last), "page 1 " + Seconds(first), last / first);

  // 3. Cached page against a fresh parse per page, on a workbook of about 200 pages.
  Host h200;
  h200.path = std::u16string(mid.begin(), mid.end());
  _FILEINFO f200;
  h200.Info(1, &f200);
  const int32_t pages200 = static_cast<int32_t>(f200.uTotalPages);
  t = NowSeconds();
  for (int32_t p = 1; p <= pages200; ++p) {
    _FILEINFO pi;
    h200.Info(p, &pi);
    h200.Load(p, pi);
  }
  const double cachedPerPage = (NowSeconds() - t) / pages200;
  t = NowSeconds();
  const int32_t sample = 5;
  for (int32_t p = 1; p <= sample; ++p) {
    _FILEINFO pi;
    h200.Info(p, &pi, false);
    h200.Load(p, pi, false);
  }
  const double freshPerPage = (NowSeconds() - t) / sample;
  Report("page of " + std::to_string(pages200) + " (5,000 x 20), cached", Seconds(cachedPerPage),
         "parsed afresh " + Seconds(freshPerPage), freshPerPage / cachedPerPage);

  // 4. xlxrender: every paginated page as PNG, one and two threads.
  const std::string tool = std::string(XLX_BINARY_DIR) + "/tools/xlxrender/xlxrender";
  double one = 0;
  for (int threads : {1, 2}) {
    std::string cmd = tool + " -q --paginate -j " + std::to_string(threads) + " " + mid + " " + dir + "/png";
    t = NowSeconds();
    int rc = std::system(cmd.c_str());
    double s = NowSeconds() - t;
    if (threads == 1) one = s;
    Report("xlxrender " + std::to_string(pages200) + " PNG pages, -j " + std::to_string(threads), rc == 0 ? Seconds(s) : "failed",
           threads == 1 ? "target 4 s" : "-j 1 " + Seconds(one), threads == 1 ? s / 4.0 : one / s);
  }

  // 5. One dense page at 96 and 300 dpi from the parsed workbook.
  for (uint32_t dpi : {96u, 300u}) {
    Host hd;
    hd.path = h200.path;
    hd.dpi = dpi;
    _FILEINFO pi;
    hd.Info(2, &pi);
    double best = 1e9;
    for (int k = 0; k < 3; ++k) {
      double s = NowSeconds();
      hd.Load(2, pi);
      best = std::min(best, NowSeconds() - s);
    }
    Report("dense letter page at " + std::to_string(dpi) + " dpi (no PNG)", Seconds(best), "", 0);
  }
  std::system((std::string("rm -rf ") + dir).c_str());
  return 0;
}
