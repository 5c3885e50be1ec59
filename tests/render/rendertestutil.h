// Helpers of the rendering tests: pages drawn through the filter's entry points, PNG files, the
// cell grid found from drawn gridlines, ink probes, the tolerance compare of golden pages and
// xlxrender run in a subprocess.
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
const Rgb kWhite{255, 255, 255}, kGrid{192, 192, 192};

// A page as RGB pixels, top row first; pixels outside read as white.
struct Image {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;
  Rgb At(int x, int y) const;
  int Ink(int x, int y) const {  // 0 on white, 765 on black
    const Rgb c = At(x, y);
    return 765 - c.r - c.g - c.b;
  }
};

// Page `page` of a workbook drawn at 96 dpi through fltInfo and fltLoad (flags: 0x40 gridlines);
// false with the filter's result in *code when a call fails or rows are missing.
bool RenderPage(const std::string& path, uint32_t flags, Image* out, int32_t* code, int32_t page = 1);

// PNG files as 8-bit RGB, whatever their colour type.
bool ReadPng(const std::string& path, Image* out);
bool WritePng(const Image& image, const std::string& path);

// Cell edges from a page drawn with gridlines: columnEdges[i] is the pixel column of the left
// edge of column i + 1, found along empty row 1; rowEdges[i] the top of row i + 1, found down
// empty column A. Accessors take 1-based columns and rows.
struct Grid {
  std::vector<int> columnEdges, rowEdges;
  bool Reaches(int column, int row) const {
    return static_cast<int>(columnEdges.size()) > column && static_cast<int>(rowEdges.size()) > row;
  }
  int Left(int column) const { return columnEdges[column - 1]; }
  int Right(int column) const { return columnEdges[column]; }
  int Top(int row) const { return rowEdges[row - 1]; }
  int Bottom(int row) const { return rowEdges[row]; }
  int CentreX(int column) const { return (Left(column) + Right(column)) / 2; }
  int CentreY(int row) const { return (Top(row) + Bottom(row)) / 2; }
};
Grid FindGrid(const Image& withGridlines);

// First / last pixel column in [x0, x1) with ink darker than `threshold` in rows [y0, y1); -1 if none.
int FirstInkColumn(const Image& page, int x0, int x1, int y0, int y1, int threshold = 200);
int LastInkColumn(const Image& page, int x0, int x1, int y0, int y1, int threshold = 200);
// Lengths of the on/off runs along a line, starting with the first "on" run.
std::vector<int> Runs(const std::vector<bool>& on);

// Compares a page with tests/render/golden/<name>.png: a pixel differs when a channel is off by
// more than `channelTolerance`, and at most `maxShare` of the pixels may differ. With
// XLX_UPDATE_GOLDEN=1 the golden is written instead. Empty when the page matches, else why (the
// page is then left in the build folder as <name>-actual.png).
std::string CompareWithGolden(const Image& page, const std::string& name, int channelTolerance = 48,
                              double maxShare = 0.004);
bool UpdatingGoldens();
// Share of pixels with a channel off by more than `channelTolerance`; 1 when the sizes differ.
double DifferingShare(const Image& a, const Image& b, int channelTolerance);

std::string FixturePath(const std::string& name);  // tests/fixtures/render/<name>
std::string XlxrenderPath();

// A command line run through the shell: exit status, stdout and stderr.
struct CommandResult {
  int status = -1;
  std::string out, err;
};
CommandResult RunCommand(const std::string& commandLine);
std::string Quote(const std::string& argument);

// A fresh folder under /tmp, removed with its files at scope end.
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
