// Helpers of the rendering tests: pages of a workbook drawn through the filter's entry points,
// PNG files read and written with libpng, the cell grid found from drawn gridlines, ink probes
// and the tolerance compare of golden pages.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace rendertest {

struct Rgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
};
std::ostream& operator<<(std::ostream& os, const Rgb& c);
// 0xRRGGBB as written in the fixture scripts.
inline Rgb Hex(uint32_t rgb) { return {int(rgb >> 16), int((rgb >> 8) & 0xFF), int(rgb & 0xFF)}; }

const Rgb kWhite{255, 255, 255}, kBlack{0, 0, 0}, kGrid{192, 192, 192};

// A page as RGB pixels, top row first.
struct Image {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;
  Rgb At(int x, int y) const;
  // Darkness of a pixel: 0 on white, 765 on black.
  int Ink(int x, int y) const;
  bool Empty() const { return width == 0 || height == 0; }
};

// One page of a workbook, drawn in this process through fltInfo and fltLoad.
struct PageRequest {
  std::string path;
  int32_t page = 1;
  uint32_t flags = 0;        // option flags of the host request (0x40 gridlines, 0x01 paginate)
  uint32_t dpi = 96;
  double pageWidthIn = 8.5, pageHeightIn = 11;
};
// Draws the page; false with the filter's result code in `code` when a call fails.
bool RenderPage(const PageRequest& request, Image* out, int32_t* code, uint32_t* totalPages = nullptr);

// PNG through libpng: 8-bit RGB, RGBA, grey or palette files are read as RGB.
bool ReadPng(const std::string& path, Image* out);
bool WritePng(const Image& image, const std::string& path);
// Width and height from the PNG header only.
bool ReadPngSize(const std::string& path, uint32_t* width, uint32_t* height);

// Edges of the cell grid in pixels, found on a page drawn with gridlines: `columnEdges[i]` is
// the pixel column of the left edge of column i + 1 (A = index 0), found along the empty row 1;
// `rowEdges[i]` the pixel row of the top edge of row i + 1, found down the empty column A.
struct Grid {
  std::vector<int> columnEdges, rowEdges;
  int Left(int column) const { return columnEdges[column - 1]; }   // column 1-based
  int Right(int column) const { return columnEdges[column]; }
  int Top(int row) const { return rowEdges[row - 1]; }              // row 1-based
  int Bottom(int row) const { return rowEdges[row]; }
  int CentreX(int column) const { return (Left(column) + Right(column)) / 2; }
  int CentreY(int row) const { return (Top(row) + Bottom(row)) / 2; }
};
Grid FindGrid(const Image& withGridlines);

// First and last pixel column in [x0, x1) of a horizontal band [y0, y1) holding ink darker than
// `threshold`; -1 when there is none.
int FirstInkColumn(const Image& page, int x0, int x1, int y0, int y1, int threshold = 200);
int LastInkColumn(const Image& page, int x0, int x1, int y0, int y1, int threshold = 200);

// Runs of equal on/off state along a line of pixels, starting with an "on" run (ink below
// `threshold` brightness counts as on). Used to read dash patterns.
std::vector<int> Runs(const std::vector<bool>& on);

// Compares a page with its golden PNG under tests/render/golden/<name>.png. A pixel differs when
// a channel is off by more than `channelTolerance`; the share of differing pixels must stay at
// or below `maxShare`. With XLX_UPDATE_GOLDEN=1 in the environment the golden is written
// instead. Empty when the page matches, else what went wrong (the page drawn is then left in the
// build folder as <name>-actual.png).
std::string CompareWithGolden(const Image& page, const std::string& name, int channelTolerance = 48,
                              double maxShare = 0.004);
bool UpdatingGoldens();

std::string FixturePath(const std::string& name);  // tests/fixtures/render/<name>
std::string XlxrenderPath();

// Runs a command line through the shell; its exit status, stdout and stderr.
struct CommandResult {
  int status = -1;
  std::string out, err;
};
CommandResult RunCommand(const std::string& commandLine);
std::string Quote(const std::string& argument);
// A fresh private folder under /tmp, removed with its files by the destructor.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::string& path() const { return path_; }
  std::vector<std::string> Files() const;  // sorted names
 private:
  std::string path_;
};

}  // namespace rendertest
