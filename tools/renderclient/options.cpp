#include "options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "host/hostrecords.h"
#include "outputpattern.h"

namespace {

bool ParseNumber(const std::string& text, double* value) {
  char* end = nullptr;
  *value = std::strtod(text.c_str(), &end);
  return end && *end == 0 && !text.empty();
}

bool ParseInt(const std::string& text, int32_t* value) {
  char* end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (!end || *end || text.empty() || v < 0 || v > 1000000000) return false;
  *value = static_cast<int32_t>(v);
  return true;
}

// letter, a4, legal, or WxH followed by "in" or "mm".
bool ParsePaper(const std::string& text, double* w, double* h) {
  if (text == "letter") return *w = 8.5, *h = 11, true;
  if (text == "legal") return *w = 8.5, *h = 14, true;
  if (text == "a4") return *w = 210 / 25.4, *h = 297 / 25.4, true;
  size_t x = text.find('x');
  if (x == std::string::npos || text.size() < 3) return false;
  std::string unit = text.substr(text.size() - 2);
  double scale = unit == "in" ? 1.0 : unit == "mm" ? 1 / 25.4 : 0;
  if (scale == 0) return false;
  double a, b;
  if (!ParseNumber(text.substr(0, x), &a) || !ParseNumber(text.substr(x + 1, text.size() - x - 3), &b)) return false;
  if (a <= 0 || b <= 0 || a > 1000 || b > 1000) return false;
  *w = a * scale, *h = b * scale;
  return true;
}

bool ParseMargins(const std::string& text, RenderOptions* o) {
  std::vector<double> v;
  std::stringstream in(text);
  std::string part;
  while (std::getline(in, part, ',')) {
    double d;
    if (!ParseNumber(part, &d) || d < 0) return false;
    v.push_back(d);
  }
  if (v.size() == 1) v = {v[0], v[0], v[0], v[0]};
  if (v.size() != 4) return false;
  o->marginTop = v[0], o->marginBottom = v[1], o->marginLeft = v[2], o->marginRight = v[3];
  return true;
}

bool ParsePages(const std::string& text, RenderOptions* o) {
  std::stringstream in(text);
  std::string part;
  while (std::getline(in, part, ',')) {
    size_t dash = part.find('-');
    int32_t a = 0, b = 0;
    if (dash == std::string::npos) {
      if (!ParseInt(part, &a) || a < 1) return false;
      b = a;
    } else {
      if (!ParseInt(part.substr(0, dash), &a) || a < 1) return false;
      std::string end = part.substr(dash + 1);
      if (end == "N" || end.empty())
        b = 0;
      else if (!ParseInt(end, &b) || b < a)
        return false;
    }
    o->pageRanges.push_back({a, b});
  }
  return !o->pageRanges.empty();
}

bool ParseFit(const std::string& text, uint32_t* mode) {
  const char* names[] = {"none", "shrink", "fit", "width", "stretch"};
  for (uint32_t i = 0; i < 5; ++i)
    if (text == names[i]) return *mode = i, true;
  return false;
}

}  // namespace

const char* UsageText() {
  return "usage: xlxrender [options] INPUT [OUTROOT]\n"
         "Renders the pages of a workbook (.xlsx, .xlsm, .xlsb) as PNG files OUTROOT-N.png,\n"
         "JPEG files OUTROOT-N.jpg, one PDF OUTROOT.pdf with a page per page, or SVG files OUTROOT-N.svg.\n"
         "  --format FORMAT      png (default), jpeg, pdf or svg\n"
         "  -r DPI               resolution (default 96)\n"
         "  --scale-to N         draw each page at the resolution that makes its longest side N pixels\n"
         "                       (at most N: resolutions are whole dots per inch)\n"
         "  --scale-to-x N       ... its width at most N pixels; --scale-to-y N: its height (pages keep\n"
         "                       their proportions and fit within every size given)\n"
         "  --jpeg-quality Q     JPEG quality from 1 to 100 (default 75)\n"
         "  -f N, -l N           first and last page\n"
         "  --pages LIST         pages to render, e.g. 1,3,5-N\n"
         "  -o PATTERN           output names with %d (or %0Nd, zero-padded) for the page number, %%\n"
         "                       for a percent sign; with pdf, the file name as it is\n"
         "  --print              printed pages as each sheet's page setup says (the default)\n"
         "  --default-paper SIZE paper of sheets that name none: letter (default), a4, legal or WxH\n"
         "  --sheet-pages        one page per sheet at actual size\n"
         "  --paginate           print pages: every sheet cut into pages of --paper with --margins\n"
         "  --paper SIZE         letter (default), a4, legal, or WxH with in or mm (e.g. 8.5x14in)\n"
         "  --margins V|T,B,L,R  margins in inches, drawn around each page (with --paginate)\n"
         "  --fit MODE           one page per sheet on --paper: none, shrink, fit, width, stretch\n"
         "  --cell-breaks        page breaks on cell boundaries instead of fixed page tiles\n"
         "  --down-then-over     number pages down first, then across\n"
         "  --sheet-width        pages as wide as the sheet (with --paginate)\n"
         "  --gridlines          draw cell gridlines\n"
         "  --hidden-sheets      include hidden sheets\n"
         "  --password TEXT      password of a protected workbook (or XLX_PASSWORD in the environment)\n"
         "  --password-file FILE the password is the first line of FILE\n"
         "  --info [--json]      print sheets, pages and page sizes; render nothing\n"
         "  --metadata           print the document properties\n"
         "  --report-fonts       after rendering, list requested faces and the faces used\n"
         "  -j N                 render pages on N threads (with --batch: N files at a time)\n"
         "  --batch LIST         render every workbook named in LIST (one path a line, - for standard\n"
         "                       input) into OUTROOT/NAME/, keep going past failures, and print a JSON\n"
         "                       line per file: path, status, code, pages, seconds, output\n"
         "  -q                   quiet\n"
         "  --progress           a line per page on stderr\n";
}

namespace {

// -o names the PDF as it is; for pages it is a pattern with the page number. Either way the name
// must fit the system's limits (checked again with each page's number when written).
bool CheckOutputPattern(const RenderOptions& o, std::string* error) {
  if (o.pattern.empty()) return true;
  if (o.format == RenderOptions::Format::kPdf) return CheckOutputName(o.pattern, error);
  OutputPattern pattern;
  std::string first;
  return ParseOutputPattern(o.pattern, &pattern, error) && FormatOutputName(pattern, 1, &first, error);
}

// Options that only set a bit of the filter's flag word, and options that only switch a field on.
struct FlagOption {
  const char* name;
  uint32_t flag;
};
constexpr FlagOption kFlagOptions[] = {
    {"--paginate", kFlagUseLayoutOptions},      {"--cell-breaks", kFlagCellBreaks},
    {"--hidden-sheets", kFlagShowHiddenSheets}, {"--sheet-width", kFlagUseSheetWidth},
    {"--down-then-over", kFlagDownThenOver},    {"--gridlines", kFlagShowGridLines},
};
struct SwitchOption {
  const char* name;
  bool RenderOptions::*field;
};
constexpr SwitchOption kSwitchOptions[] = {
    {"--print", &RenderOptions::printGiven},
    {"--sheet-pages", &RenderOptions::sheetPages},
    {"--info", &RenderOptions::info},
    {"--json", &RenderOptions::json},
    {"--metadata", &RenderOptions::metadata},
    {"--report-fonts", &RenderOptions::reportFonts},
    {"-q", &RenderOptions::quiet},
    {"--progress", &RenderOptions::progress},
};

enum OptionResult { kOptionRead, kOptionPositional, kOptionFailed };

// Reads argv[*i] (and the value after it, moving *i past it) into the options.
OptionResult ReadOption(int argc, char** argv, int* i, RenderOptions* o, bool* passwordGiven, std::string* error) {
  const std::string a = argv[*i];
  auto value = [&](std::string* out) {
    if (*i + 1 >= argc) return false;
    *out = argv[++*i];
    return true;
  };
  for (const FlagOption& f : kFlagOptions)
    if (a == f.name) return o->flags |= f.flag, kOptionRead;
  for (const SwitchOption& f : kSwitchOptions)
    if (a == f.name) return o->*f.field = true, kOptionRead;
  std::string v;
  int32_t n = 0;
  if (a == "-r") {
    if (!value(&v) || !ParseInt(v, &n) || n < 1 || n > 2400)
      return *error = "-r needs a resolution from 1 to 2400", kOptionFailed;
    o->dpi = static_cast<uint32_t>(n);
  } else if (a == "--scale-to" || a == "--scale-to-x" || a == "--scale-to-y") {
    if (!value(&v) || !ParseInt(v, &n) || n < 1 || n > 100000)
      return *error = a + " needs a size from 1 to 100000 pixels", kOptionFailed;
    (a == "--scale-to" ? o->scaleTo : a == "--scale-to-x" ? o->scaleToX : o->scaleToY) = static_cast<uint32_t>(n);
  } else if (a == "--jpeg-quality") {
    if (!value(&v) || !ParseInt(v, &n) || n < 1 || n > 100)
      return *error = "--jpeg-quality needs a quality from 1 to 100", kOptionFailed;
    o->jpegQuality = n;
  } else if (a == "-f" || a == "-l") {
    if (!value(&v) || !ParseInt(v, &n) || n < 1) return *error = a + " needs a page number", kOptionFailed;
    (a == "-f" ? o->firstPage : o->lastPage) = n;
  } else if (a == "--pages") {
    if (!value(&v) || !ParsePages(v, o)) return *error = "--pages needs a list such as 1,3,5-N", kOptionFailed;
  } else if (a == "-o") {
    if (!value(&v) || v.empty()) return *error = "-o needs a pattern with %d, or a file name with pdf", kOptionFailed;
    o->pattern = v;
  } else if (a == "--default-paper") {
    if (!value(&v) || !ParsePaper(v, &o->defaultPaperWidthIn, &o->defaultPaperHeightIn))
      return *error = "--default-paper needs letter, a4, legal or WxH{in,mm}", kOptionFailed;
  } else if (a == "--format") {
    if (!value(&v) || (v != "png" && v != "pdf" && v != "svg" && v != "jpeg" && v != "jpg"))
      return *error = "--format needs png, jpeg, pdf or svg", kOptionFailed;
    o->format = v == "pdf"   ? RenderOptions::Format::kPdf
                : v == "svg" ? RenderOptions::Format::kSvg
                : v == "png" ? RenderOptions::Format::kPng
                             : RenderOptions::Format::kJpeg;
  } else if (a == "--margins") {
    if (!value(&v) || !ParseMargins(v, o)) return *error = "--margins needs V or T,B,L,R in inches", kOptionFailed;
    o->flags |= kFlagEnableMargins;
  } else if (a == "--paper") {
    if (!value(&v) || !ParsePaper(v, &o->paperWidthIn, &o->paperHeightIn))
      return *error = "--paper needs letter, a4, legal or WxH{in,mm}", kOptionFailed;
    o->paperGiven = true;
  } else if (a == "--fit") {
    if (!value(&v) || !ParseFit(v, &o->sizeMode))
      return *error = "--fit needs none, shrink, fit, width or stretch", kOptionFailed;
    o->fitGiven = true;
  } else if (a == "--password") {
    if (!value(&o->password)) return *error = "--password needs a text", kOptionFailed;
    *passwordGiven = true;
  } else if (a == "--password-file") {
    if (!value(&v)) return *error = "--password-file needs a file", kOptionFailed;
    std::ifstream in(v);
    if (!in || !std::getline(in, o->password)) return *error = "cannot read the password file " + v, kOptionFailed;
    if (!o->password.empty() && o->password.back() == '\r') o->password.pop_back();
    *passwordGiven = true;
  } else if (a == "-j") {
    if (!value(&v) || !ParseInt(v, &n) || n < 1 || n > 64)
      return *error = "-j needs a thread count from 1 to 64", kOptionFailed;
    o->threads = n;
  } else if (a == "--batch") {
    if (!value(&o->batchList) || o->batchList.empty()) return *error = "--batch needs a list file or -", kOptionFailed;
  } else if (a == "-h" || a == "--help") {
    return *error = "", kOptionFailed;
  } else if (!a.empty() && a[0] == '-' && a.size() > 1) {
    return *error = "unknown option " + a, kOptionFailed;
  } else {
    return kOptionPositional;
  }
  return kOptionRead;
}

// What the options mean together: the password from the environment, the input and OUTROOT, and
// the page mode.
bool FinishOptions(std::vector<std::string> positional, bool passwordGiven, RenderOptions* o, std::string* error) {
  // The environment keeps a password out of the process list.
  if (!passwordGiven) {
    const char* env = std::getenv("XLX_PASSWORD");
    if (env) o->password = env;
  }
  if (ScalesPages(*o) && (o->format == RenderOptions::Format::kPdf || o->format == RenderOptions::Format::kSvg))
    return *error = "--scale-to sizes PNG and JPEG pages; PDF and SVG pages keep their paper size", false;
  if (o->lastPage > 0 && o->firstPage > o->lastPage)
    return *error = "-f " + std::to_string(o->firstPage) + " is after -l " + std::to_string(o->lastPage), false;
  if (!CheckOutputPattern(*o, error)) return false;
  if (!o->batchList.empty()) {
    // Batch mode: the only positional argument is the folder that receives the output folders.
    if (positional.size() > 1) return *error = "with --batch give at most one OUTROOT folder", false;
    if (!o->pattern.empty() || o->info || o->metadata)
      return *error = "--batch writes each file's pages into its own folder: leave out -o, --info and --metadata",
             false;
    positional.insert(positional.begin(), std::string());
    if (positional.size() < 2) positional.push_back(".");
  }
  if (positional.empty() || positional.size() > 2) return *error = "give one input file and at most one OUTROOT", false;
  o->input = positional[0];
  if (positional.size() == 2) {
    o->outRoot = positional[1];
  } else {
    std::string base = o->input.substr(o->input.find_last_of('/') + 1);
    size_t dot = base.find_last_of('.');
    o->outRoot = dot == std::string::npos ? base : base.substr(0, dot);
  }
  // Printed pages unless asked for sheet pages or for the page options that override the sheets'
  // own setup.
  const bool overridden = (o->flags & (kFlagUseLayoutOptions | kFlagEnableMargins)) || o->paperGiven || o->fitGiven;
  if (o->printGiven && (overridden || o->sheetPages))
    return *error =
               "--print takes the paper, margins and scale from each sheet: leave out --paginate, --paper, "
               "--margins, --fit and --sheet-pages",
           false;
  if (!overridden && !o->sheetPages) {
    o->flags |= kFlagPrintSetup;
    o->paperWidthIn = o->defaultPaperWidthIn;
    o->paperHeightIn = o->defaultPaperHeightIn;
    o->sizeMode = 1;
    return true;
  }
  // A paper size without --paginate chooses shrink-to-fit unless --fit says otherwise.
  if (o->paperGiven && !o->fitGiven) o->sizeMode = 1;
  if (o->fitGiven && !o->paperGiven && o->sizeMode != 0) o->paperGiven = true;
  if ((o->flags & kFlagUseLayoutOptions) && o->sizeMode == 0) o->sizeMode = 1;
  return true;
}

}  // namespace

bool ParseOptions(int argc, char** argv, RenderOptions* o, std::string* error) {
  std::vector<std::string> positional;
  bool passwordGiven = false;
  for (int i = 1; i < argc; ++i) {
    const OptionResult r = ReadOption(argc, argv, &i, o, &passwordGiven, error);
    if (r == kOptionFailed) return false;
    if (r == kOptionPositional) positional.push_back(argv[i]);
  }
  return FinishOptions(std::move(positional), passwordGiven, o, error);
}

bool MakePageOutputName(const RenderOptions& o, int32_t page, int32_t total, const char* extension, std::string* name,
                        std::string* error) {
  OutputPattern pattern;
  if (!o.pattern.empty() && o.pattern.find('%') == std::string::npos) {
    // A name without a field, given by a program rather than a command line (which must name a
    // field): the one page it writes, as it is.
    if (!CheckOutputName(o.pattern, error)) return false;
    *name = o.pattern;
    return true;
  }
  if (!o.pattern.empty()) {
    if (!ParseOutputPattern(o.pattern, &pattern, error)) return false;
  } else {
    pattern.before = o.outRoot + "-";
    pattern.after = std::string(".") + extension;
    pattern.zeroPadDigits = static_cast<int>(std::to_string(total).size());
  }
  return FormatOutputName(pattern, page, name, error);
}

std::string PageOutputName(const RenderOptions& o, int32_t page, int32_t total, const char* extension) {
  std::string name, error;
  return MakePageOutputName(o, page, total, extension, &name, &error) ? name : std::string();
}

std::vector<int32_t> SelectedPages(const RenderOptions& o, int32_t total) {
  std::vector<int32_t> pages;
  if (!o.pageRanges.empty()) {
    for (auto [a, b] : o.pageRanges)
      for (int32_t p = a; p <= (b == 0 ? total : b) && p <= total; ++p) pages.push_back(p);
    return pages;
  }
  const int32_t last = o.lastPage > 0 && o.lastPage < total ? o.lastPage : total;
  for (int32_t p = o.firstPage; p <= last; ++p) pages.push_back(p);
  return pages;
}
