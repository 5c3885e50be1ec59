#include "tests/render/rendertestutil.h"

#include <dirent.h>
#include <png.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "filter/xlxfilter.h"
#include "host/kernel/vkkrnx.h"
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

int Image::Ink(int x, int y) const {
  Rgb c = At(x, y);
  return 765 - c.r - c.g - c.b;
}

// ---- pages through the entry points -----------------------------------------------------------
namespace {

double ToInches(double v, int32_t, uint32_t resolution, uint32_t unit, uint32_t, uint32_t) {
  return unit == 0 ? v / (resolution ? resolution : 96) : v;
}

void FillOptions(const PageRequest& r, _RASTERIZEDOCOPTIONS* o) {
  std::memset(o, 0, sizeof *o);
  o->uStructSize = sizeof *o;
  o->dPageWidth = r.pageWidthIn;
  o->dPageHeight = r.pageHeightIn;
  o->uUnit = 1;
  o->uXResolution = r.dpi;
  o->uYResolution = r.dpi;
}

struct Delivery {
  Image* image;
  int32_t rows = 0;
};

int32_t DeliverRow(_FILEINFO*, _BITMAPHANDLE*, const uint8_t* row, uint32_t, int32_t y, int32_t count, uint64_t user) {
  auto* d = reinterpret_cast<Delivery*>(user);
  Image& im = *d->image;
  for (int32_t k = 0; k < count; ++k) {
    if (y + k < 0 || y + k >= static_cast<int32_t>(im.height)) return -13;
    const uint8_t* src = row + static_cast<size_t>(k) * im.width * 3;
    uint8_t* dst = im.rgb.data() + static_cast<size_t>(y + k) * im.width * 3;
    for (uint32_t x = 0; x < im.width; ++x) {  // the bitmap is BGR
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
    ++d->rows;
  }
  return 1;
}

}  // namespace

bool RenderPage(const PageRequest& r, Image* out, int32_t* code, uint32_t* totalPages) {
  *out = Image{};
  *code = 1;
  const std::u16string path16 = xlxtest::U16(r.path);
  FilterDataHolder holder{};
  _FILEINFO info{};
  info.uStructSize = sizeof info;
  _LOADFILEOPTION option{};
  option.nPageNumber = r.page;
  int64_t file = VkOpenFile(path16.c_str(), VK_OPEN_READ | VK_OPEN_BINARY, 0);
  if (file == -1) return *code = -10, false;
  _INFODISPATCH id;
  std::memset(&id, 0, sizeof id);
  id.pszFileName = path16.c_str();
  id.hFile = file;
  id.pFileInfo = &info;
  id.pFilterData = &holder;
  id.pLoadFileOption = &option;
  id.dispatchXlxFlags = r.flags;
  FillOptions(r, &id.dispatchRasterizeDocOptions);
  id.pfnUnitConverter = ToInches;
  *code = fltInfo(&id);
  VkCloseFile(file);
  if (*code == 1) {
    if (totalPages) *totalPages = info.uTotalPages;
    out->width = info.uWidth;
    out->height = info.uHeight;
    out->rgb.assign(static_cast<size_t>(out->width) * out->height * 3, 0);
    _BITMAPHANDLE templ{};
    templ.uStructSize = sizeof templ;
    templ.uWidth = info.uWidth;
    templ.uHeight = info.uHeight;
    templ.uBitsPerPixel = 24;
    templ.uXResolution = r.dpi;
    templ.uYResolution = r.dpi;
    Delivery delivery{out};
    _LOADFILEOPTION loadOption{};
    loadOption.nPageNumber = r.page;
    _FILEINFO loadInfo{};
    loadInfo.uStructSize = sizeof loadInfo;
    _LOADDISPATCH ld;
    std::memset(&ld, 0, sizeof ld);
    ld.pszFileName = path16.c_str();
    ld.pBitmap = &templ;
    ld.pfnRowDelivery = DeliverRow;
    ld.uRowDeliveryUser = reinterpret_cast<uint64_t>(&delivery);
    ld.pFileInfo = &loadInfo;
    ld.pFilterData = &holder;
    ld.pLoadFileOption = &loadOption;
    ld.dispatchXlxFlags = r.flags;
    FillOptions(r, &ld.dispatchRasterizeDocOptions);
    ld.pfnUnitConverter = ToInches;
    *code = fltLoad(&ld);
    if (*code == 1 && delivery.rows != static_cast<int32_t>(out->height)) *code = -2;
  }
  if (holder.pData) fltFreeData(holder.pData, 0);
  if (*code != 1) *out = Image{};
  return *code == 1;
}

// ---- PNG ---------------------------------------------------------------------------------------
namespace {

struct PngFile {
  FILE* f = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  bool writing = false;
  ~PngFile() {
    if (png) {
      if (writing) png_destroy_write_struct(&png, &info);
      else png_destroy_read_struct(&png, &info, nullptr);
    }
    if (f) std::fclose(f);
  }
};

bool OpenPngForReading(const std::string& path, PngFile* p) {
  p->f = std::fopen(path.c_str(), "rb");
  if (!p->f) return false;
  uint8_t signature[8];
  if (std::fread(signature, 1, 8, p->f) != 8 || png_sig_cmp(signature, 0, 8) != 0) return false;
  p->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!p->png) return false;
  p->info = png_create_info_struct(p->png);
  if (!p->info) return false;
  png_init_io(p->png, p->f);
  png_set_sig_bytes(p->png, 8);
  return true;
}

}  // namespace

bool ReadPngSize(const std::string& path, uint32_t* width, uint32_t* height) {
  PngFile p;
  if (!OpenPngForReading(path, &p)) return false;
  if (setjmp(png_jmpbuf(p.png))) return false;
  png_read_info(p.png, p.info);
  *width = png_get_image_width(p.png, p.info);
  *height = png_get_image_height(p.png, p.info);
  return true;
}

bool ReadPng(const std::string& path, Image* out) {
  *out = Image{};
  PngFile p;
  if (!OpenPngForReading(path, &p)) return false;
  Image image;
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(p.png))) return false;
  png_read_info(p.png, p.info);
  const uint32_t w = png_get_image_width(p.png, p.info), h = png_get_image_height(p.png, p.info);
  if (w == 0 || h == 0 || static_cast<uint64_t>(w) * h > 200000000ull) return false;
  const int type = png_get_color_type(p.png, p.info);
  if (png_get_bit_depth(p.png, p.info) == 16) png_set_strip_16(p.png);
  if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(p.png);
  if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_expand_gray_1_2_4_to_8(p.png);
    png_set_gray_to_rgb(p.png);
  }
  if (type & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(p.png);
  png_set_interlace_handling(p.png);
  png_read_update_info(p.png, p.info);
  if (png_get_rowbytes(p.png, p.info) != static_cast<size_t>(w) * 3) return false;
  image.width = w;
  image.height = h;
  image.rgb.resize(static_cast<size_t>(w) * h * 3);
  rows.resize(h);
  for (uint32_t y = 0; y < h; ++y) rows[y] = image.rgb.data() + static_cast<size_t>(y) * w * 3;
  png_read_image(p.png, rows.data());
  png_read_end(p.png, nullptr);
  *out = std::move(image);
  return true;
}

bool WritePng(const Image& image, const std::string& path) {
  if (image.Empty()) return false;
  PngFile p;
  p.writing = true;
  p.f = std::fopen(path.c_str(), "wb");
  if (!p.f) return false;
  p.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!p.png) return false;
  p.info = png_create_info_struct(p.png);
  if (!p.info) return false;
  if (setjmp(png_jmpbuf(p.png))) return false;
  png_init_io(p.png, p.f);
  png_set_IHDR(p.png, p.info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(p.png, 9);
  png_write_info(p.png, p.info);
  for (uint32_t y = 0; y < image.height; ++y)
    png_write_row(p.png, const_cast<png_bytep>(image.rgb.data() + static_cast<size_t>(y) * image.width * 3));
  png_write_end(p.png, nullptr);
  return true;
}

// ---- grid and ink ------------------------------------------------------------------------------
namespace {
bool IsGridPixel(const Rgb& c) {
  return std::abs(c.r - kGrid.r) <= 24 && std::abs(c.g - kGrid.g) <= 24 && std::abs(c.b - kGrid.b) <= 24;
}
}  // namespace

Grid FindGrid(const Image& page) {
  Grid g;
  const int w = static_cast<int>(page.width), h = static_cast<int>(page.height);
  const int probeRow = 10;  // inside row 1, 20 px tall at 96 dpi
  for (int x = 0; x < w; ++x)
    if (IsGridPixel(page.At(x, probeRow)) && (g.columnEdges.empty() || g.columnEdges.back() != x - 1))
      g.columnEdges.push_back(x);
  if (g.columnEdges.size() < 2) return g;
  const int probeColumn = (g.columnEdges[0] + g.columnEdges[1]) / 2;
  for (int y = 0; y < h; ++y)
    if (IsGridPixel(page.At(probeColumn, y)) && (g.rowEdges.empty() || g.rowEdges.back() != y - 1))
      g.rowEdges.push_back(y);
  return g;
}

int FirstInkColumn(const Image& page, int x0, int x1, int y0, int y1, int threshold) {
  for (int x = x0; x < x1; ++x)
    for (int y = y0; y < y1; ++y)
      if (page.Ink(x, y) > 765 - 3 * threshold) return x;
  return -1;
}

int LastInkColumn(const Image& page, int x0, int x1, int y0, int y1, int threshold) {
  for (int x = x1 - 1; x >= x0; --x)
    for (int y = y0; y < y1; ++y)
      if (page.Ink(x, y) > 765 - 3 * threshold) return x;
  return -1;
}

std::vector<int> Runs(const std::vector<bool>& on) {
  std::vector<int> runs;
  size_t i = 0;
  while (i < on.size() && !on[i]) ++i;
  while (i < on.size()) {
    size_t j = i;
    while (j < on.size() && on[j] == on[i]) ++j;
    runs.push_back(static_cast<int>(j - i));
    i = j;
  }
  return runs;
}

// ---- goldens -----------------------------------------------------------------------------------
bool UpdatingGoldens() {
  const char* update = std::getenv("XLX_UPDATE_GOLDEN");
  return update && *update == '1';
}

std::string CompareWithGolden(const Image& page, const std::string& name, int tolerance, double maxShare) {
  const std::string golden = xlxtest::SourceDir() + "/tests/render/golden/" + name + ".png";
  if (UpdatingGoldens()) {
    if (!WritePng(page, golden)) return "cannot write " + golden;
    return "";
  }
  Image want;
  if (!ReadPng(golden, &want)) return "no golden at " + golden + "; make one with XLX_UPDATE_GOLDEN=1";
  const std::string actual = std::string(XLX_BINARY_DIR) + "/" + name + "-actual.png";
  std::ostringstream why;
  if (want.width != page.width || want.height != page.height) {
    WritePng(page, actual);
    why << "page is " << page.width << "x" << page.height << ", golden " << want.width << "x" << want.height;
    return why.str();
  }
  size_t differing = 0;
  for (size_t i = 0; i < want.rgb.size(); i += 3) {
    if (std::abs(want.rgb[i] - page.rgb[i]) > tolerance || std::abs(want.rgb[i + 1] - page.rgb[i + 1]) > tolerance ||
        std::abs(want.rgb[i + 2] - page.rgb[i + 2]) > tolerance)
      ++differing;
  }
  const double share = static_cast<double>(differing) / (static_cast<double>(page.width) * page.height);
  if (share <= maxShare) return "";
  WritePng(page, actual);
  why << differing << " pixels (" << share * 100 << "%) differ from " << golden << "; the page drawn is " << actual;
  return why.str();
}

// ---- files and commands ------------------------------------------------------------------------
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
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
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
