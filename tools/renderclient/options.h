// Command-line options of xlxrender.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct RenderOptions {
  std::string input;
  std::string outRoot;          // OUTROOT: pages go to OUTROOT-N.png
  std::string pattern;          // -o: PATTERN with %d, or the PDF's file name
  enum class Format { kPng, kPdf, kSvg, kJpeg } format = Format::kPng;  // --format
  uint32_t dpi = 96;
  uint32_t dpiY = 0;            // vertical resolution when it differs from dpi; 0: dpi
  uint32_t scaleTo = 0;         // --scale-to: longest side of each page in pixels; 0: none
  uint32_t scaleToX = 0, scaleToY = 0;  // --scale-to-x, --scale-to-y: width, height in pixels
  int jpegQuality = 75;         // --jpeg-quality, 1 to 100
  int32_t firstPage = 1;
  int32_t lastPage = 0;         // 0: the last page
  std::vector<std::pair<int32_t, int32_t>> pageRanges;  // --pages; 0 as an end means the last page
  uint32_t flags = 0;           // the filter's option flag word
  bool paperGiven = false;
  double paperWidthIn = 8.5, paperHeightIn = 11.0;
  double marginTop = 0.75, marginBottom = 0.75, marginLeft = 0.7, marginRight = 0.7;  // inches
  uint32_t sizeMode = 0;        // 0 unless --paper or --fit choose one
  bool fitGiven = false;
  bool printGiven = false;      // --print
  bool sheetPages = false;      // --sheet-pages: one page per sheet at actual size
  double defaultPaperWidthIn = 8.5, defaultPaperHeightIn = 11.0;  // --default-paper
  bool info = false, json = false, metadata = false, quiet = false, progress = false, reportFonts = false;
  int threads = 1;
  std::string password;
  std::string batchList;        // --batch: a file of workbook paths, "-" for standard input
};

// Whether a page's resolution comes from --scale-to, --scale-to-x or --scale-to-y.
inline bool ScalesPages(const RenderOptions& o) { return o.scaleTo || o.scaleToX || o.scaleToY; }

// The pages the options select (-f/-l or --pages) of a workbook of `total` pages, in order.
std::vector<int32_t> SelectedPages(const RenderOptions& options, int32_t total);

// Parses argv; on a usage error returns false with a message.
bool ParseOptions(int argc, char** argv, RenderOptions* options, std::string* error);
const char* UsageText();
// The file of one page: -o PATTERN with the page number, or OUTROOT-N.EXT with N padded to the
// digits of `total`. False with a message when the name is longer than the system allows.
bool MakePageOutputName(const RenderOptions& options, int32_t page, int32_t total, const char* extension,
                        std::string* name, std::string* error);
// The same name, or "" when MakePageOutputName refuses it.
std::string PageOutputName(const RenderOptions& options, int32_t page, int32_t total, const char* extension);
