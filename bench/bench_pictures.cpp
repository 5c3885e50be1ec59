// Pictures on a page. Makes two one-sheet workbooks with the same 40 x 20 cells of numbers, one of
// them with 50 pictures (distinct 160 x 120 BMP parts, each over 2 x 4 cells) on the first page,
// and measures a page loaded from the cached parse of each: the pictures are decoded by the first
// load and drawn from the workbook's picture cache after it.
#include <zip.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/benchhost.h"
#include "bench/benchsupport.h"
#include "filter/xlxfilter.h"
#include "host/kernel/vkkrnx.h"

using namespace xlxbench;

namespace {

constexpr int kPictures = 50;

std::string Bmp(int w, int h, int seed) {
  const int stride = (w * 3 + 3) & ~3;
  std::string b(54 + stride * h, '\0');
  auto put32 = [&b](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char(v >> (8 * i));
  };
  b[0] = 'B', b[1] = 'M';
  put32(2, uint32_t(b.size())), put32(10, 54), put32(14, 40), put32(18, uint32_t(w)), put32(22, uint32_t(h));
  b[26] = 1, b[28] = 24;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      char* p = &b[54 + y * stride + x * 3];
      p[0] = char(x * 3 + seed), p[1] = char(y * 2 + seed * 5), p[2] = char((x ^ y) + seed * 11);
    }
  return b;
}

std::string Marker(const char* name, int col, int row) {
  return std::string("<xdr:") + name + "><xdr:col>" + std::to_string(col) + "</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>" +
         std::to_string(row) + "</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:" + name + ">";
}

void WriteWorkbook(const std::string& path, bool pictures) {
  std::vector<std::pair<std::string, std::string>> parts = xlxbench::GridWorkbookParts(pictures);
  if (pictures) {
    std::string anchors, rels;
    for (int i = 0; i < kPictures; ++i) {
      const int col = (i % 5) * 2, row = (i / 5) * 4;
      const std::string id = "rId" + std::to_string(i + 1);
      anchors += "<xdr:twoCellAnchor>" + Marker("from", col, row) + Marker("to", col + 2, row + 4) +
                 "<xdr:pic><xdr:nvPicPr><xdr:cNvPr id=\"" + std::to_string(i + 2) + "\" name=\"P\"/></xdr:nvPicPr><xdr:blipFill>"
                 "<a:blip r:embed=\"" + id + "\"/></xdr:blipFill><xdr:spPr/></xdr:pic><xdr:clientData/></xdr:twoCellAnchor>";
      rels += "<Relationship Id=\"" + id + "\" Type=\"http://x/image\" Target=\"../media/image" + std::to_string(i) + ".bmp\"/>";
      parts.push_back({"xl/media/image" + std::to_string(i) + ".bmp", Bmp(160, 120, i)});
    }
    xlxbench::AddDrawingParts(anchors, rels, &parts);
  }
  xlxbench::WriteZip(path, parts);
}

using xlxbench::Host;
using xlxbench::kR;
using xlxbench::kRelNs;

// Seconds of one load from the cache, best of `runs` (after a first load that warms every cache).
double PageSeconds(const std::string& file, double* firstLoad) {
  Host host;
  host.path = std::u16string(file.begin(), file.end());
  if (host.Info() != 1) return -1;
  double t = NowSeconds();
  if (host.Load() != 1) return -1;
  *firstLoad = NowSeconds() - t;
  double best = 1e9;
  for (int i = 0; i < 30; ++i) {
    t = NowSeconds();
    if (host.Load() != 1) return -1;
    best = std::min(best, NowSeconds() - t);
  }
  return best;
}

}  // namespace

int main() {
  char dir[] = "/tmp/xlxbenchXXXXXX";
  if (!mkdtemp(dir)) return 1;
  const std::string plain = std::string(dir) + "/plain.xlsx", withPictures = std::string(dir) + "/pictures.xlsx";
  WriteWorkbook(plain, false);
  WriteWorkbook(withPictures, true);
  double firstPlain = 0, firstPictures = 0;
  const double a = PageSeconds(plain, &firstPlain), b = PageSeconds(withPictures, &firstPictures);
  std::remove(plain.c_str());
  std::remove(withPictures.c_str());
  rmdir(dir);
  if (a <= 0 || b <= 0) {
    std::fprintf(stderr, "a page failed to load\n");
    return 1;
  }
  Report("letter page at 96 dpi with 50 pictures (160 x 120) from the cache, against the page without them",
         Seconds(b), Seconds(a), b / a);
  Report("first load of that page (50 pictures read and decoded)", Seconds(firstPictures), Seconds(firstPlain),
         firstPictures / firstPlain);
  return 0;
}
