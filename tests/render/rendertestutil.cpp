#include "tests/render/rendertestutil.h"

#include <dirent.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/hostcalls.h"
#include "tests/support/testsupport.h"

namespace rendertest {

std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "rgb(" << c.r << "," << c.g << "," << c.b << ")";
}

Rgb Image::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= static_cast<int>(width) || y >= static_cast<int>(height)) return kWhite;
  const uint8_t* p = rgb.data() + (static_cast<size_t>(y) * width + static_cast<size_t>(x)) * 3;
  return {p[0], p[1], p[2]};
}

namespace {
struct Delivery {
  Image* image;
  int32_t rows = 0;
};

// Rows arrive as 24-bit BGR.
int32_t DeliverRow(_FILEINFO*, _BITMAPHANDLE*, const uint8_t* row, uint32_t, int32_t y, int32_t count, uint64_t user) {
  auto* d = reinterpret_cast<Delivery*>(user);
  Image& im = *d->image;
  for (int32_t k = 0; k < count; ++k, ++d->rows) {
    if (y + k < 0 || y + k >= static_cast<int32_t>(im.height)) return -13;
    const uint8_t* src = row + static_cast<size_t>(k) * im.width * 3;
    uint8_t* dst = im.rgb.data() + static_cast<size_t>(y + k) * im.width * 3;
    for (uint32_t x = 0; x < 3 * im.width; x += 3) dst[x] = src[x + 2], dst[x + 1] = src[x + 1], dst[x + 2] = src[x];
  }
  return 1;
}
}  // namespace

bool RenderPage(const std::string& path, uint32_t flags, Image* out, int32_t* code, int32_t page) {
  *out = Image{};
  xlxtest::HostCall call(path, xlxtest::HostRequest{page, flags});
  *code = call.Info();
  // A page beyond what a host would hold as one bitmap is refused as the host's allocation would be.
  if (*code == 1 && uint64_t(call.info().uWidth) * call.info().uHeight > 100000000ull) *code = -1;
  if (*code == 1) {
    out->width = call.info().uWidth;
    out->height = call.info().uHeight;
    out->rgb.assign(static_cast<size_t>(out->width) * out->height * 3, 0);
    Delivery delivery{out};
    *code = call.Load(DeliverRow, &delivery);
    if (*code == 1 && delivery.rows != static_cast<int32_t>(out->height)) *code = -2;
  }
  if (*code != 1) *out = Image{};
  return *code == 1;
}

bool ReadPng(const std::string& path, Image* out) {
  *out = Image{};
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  if (static_cast<uint64_t>(image.width) * image.height > 200000000ull) return png_image_free(&image), false;
  out->rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out->rgb.data(), 0, nullptr)) return *out = Image{}, false;
  out->width = image.width;
  out->height = image.height;
  return true;
}

bool WritePng(const Image& page, const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = page.width;
  image.height = page.height;
  image.format = PNG_FORMAT_RGB;
  return page.width && page.height && png_image_write_to_file(&image, path.c_str(), 0, page.rgb.data(), 0, nullptr);
}

Grid FindGrid(const Image& page) {
  auto isGrid = [](const Rgb& c) {
    return std::abs(c.r - kGrid.r) <= 24 && std::abs(c.g - kGrid.g) <= 24 && std::abs(c.b - kGrid.b) <= 24;
  };
  Grid g;
  const int probeRow = 10;  // inside row 1, 20 px tall at 96 dpi
  for (int x = 0; x < static_cast<int>(page.width); ++x)
    if (isGrid(page.At(x, probeRow)) && (g.columnEdges.empty() || g.columnEdges.back() != x - 1)) g.columnEdges.push_back(x);
  if (g.columnEdges.size() < 2) return g;
  const int probeColumn = (g.columnEdges[0] + g.columnEdges[1]) / 2;
  for (int y = 0; y < static_cast<int>(page.height); ++y)
    if (isGrid(page.At(probeColumn, y)) && (g.rowEdges.empty() || g.rowEdges.back() != y - 1)) g.rowEdges.push_back(y);
  return g;
}

namespace {
int InkColumn(const Image& page, int from, int to, int step, int y0, int y1, int threshold) {
  for (int x = from; x != to; x += step)
    for (int y = y0; y < y1; ++y)
      if (page.Ink(x, y) > 765 - 3 * threshold) return x;
  return -1;
}
}  // namespace

int FirstInkColumn(const Image& page, int x0, int x1, int y0, int y1, int threshold) {
  return x0 < x1 ? InkColumn(page, x0, x1, 1, y0, y1, threshold) : -1;
}

int LastInkColumn(const Image& page, int x0, int x1, int y0, int y1, int threshold) {
  return x0 < x1 ? InkColumn(page, x1 - 1, x0 - 1, -1, y0, y1, threshold) : -1;
}

std::vector<int> Runs(const std::vector<bool>& on) {
  std::vector<int> runs;
  size_t i = 0;
  while (i < on.size() && !on[i]) ++i;
  for (size_t j = i; i < on.size(); i = j) {
    while (j < on.size() && on[j] == on[i]) ++j;
    runs.push_back(static_cast<int>(j - i));
  }
  return runs;
}

bool UpdatingGoldens() {
  const char* update = std::getenv("XLX_UPDATE_GOLDEN");
  return update && *update == '1';
}

double DifferingShare(const Image& a, const Image& b, int tolerance) {
  if (a.width != b.width || a.height != b.height || a.rgb.empty()) return 1;
  size_t differing = 0;
  for (size_t i = 0; i + 2 < a.rgb.size(); i += 3)
    differing += std::abs(a.rgb[i] - b.rgb[i]) > tolerance || std::abs(a.rgb[i + 1] - b.rgb[i + 1]) > tolerance ||
                 std::abs(a.rgb[i + 2] - b.rgb[i + 2]) > tolerance;
  return double(differing) / (a.rgb.size() / 3);
}

std::string CompareWithGolden(const Image& page, const std::string& name, int tolerance, double maxShare) {
  const std::string golden = xlxtest::SourceDir() + "/tests/render/golden/" + name + ".png";
  if (UpdatingGoldens()) return WritePng(page, golden) ? "" : "cannot write " + golden;
  Image want;
  if (!ReadPng(golden, &want)) return "no golden at " + golden + "; make one with XLX_UPDATE_GOLDEN=1";
  const std::string actual = std::string(XLX_BINARY_DIR) + "/" + name + "-actual.png";
  std::ostringstream why;
  if (want.width != page.width || want.height != page.height) {
    WritePng(page, actual);
    why << "page is " << page.width << "x" << page.height << ", golden " << want.width << "x" << want.height;
    return why.str();
  }
  const double share = DifferingShare(want, page, tolerance);
  if (share <= maxShare) return "";
  WritePng(page, actual);
  why << size_t(share * page.width * page.height + 0.5) << " pixels (" << share * 100 << "%) differ from " << golden << "; the page drawn is " << actual;
  return why.str();
}

std::string FixturePath(const std::string& name) { return xlxtest::SourceDir() + "/tests/fixtures/render/" + name; }

std::string XlxrenderPath() { return std::string(XLX_BINARY_DIR) + "/tools/xlxrender/xlxrender"; }

std::string Quote(const std::string& a) {
  std::string out = "'";
  for (char c : a) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

CommandResult RunCommand(const std::string& commandLine) {
  CommandResult r;
  TempFolder scratch;
  const std::string errPath = scratch.path() + "/stderr";
  FILE* p = popen((commandLine + " 2>" + Quote(errPath)).c_str(), "r");
  if (!p) return r;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  const int status = pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  std::ifstream err(errPath);
  std::stringstream text;
  text << err.rdbuf();
  r.err = text.str();
  return r;
}

TempFolder::TempFolder() {
  char templ[] = "/tmp/xlxrenderXXXXXX";
  if (mkdtemp(templ)) path_ = templ;
}

TempFolder::~TempFolder() {
  if (path_.empty()) return;
  for (const std::string& f : Files()) unlink((path_ + "/" + f).c_str());
  rmdir(path_.c_str());
}

std::vector<std::string> TempFolder::Files() const {
  std::vector<std::string> names;
  if (DIR* d = opendir(path_.c_str())) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') names.push_back(e->d_name);
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace rendertest
