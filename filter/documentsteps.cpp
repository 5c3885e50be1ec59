// The real parse, layout and drawing steps behind the drivers: the workbook reader, the host
// drawing engine that measures text, and the layout of every sheet.
#include <algorithm>
#include <cmath>
#include <atomic>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "common/limits.h"
#include "common/resultcodes.h"
#include "common/workbudget.h"
#include "filter/documentcontext.h"
#include "host/drawing/vkdrwx.h"
#include "host/kernel/vkkrnx.h"
#include "model/workbook.h"
#include "filter/workbookopen.h"
#include "parser/xlsxprsr.h"
#include "view/layout/columnunit.h"
#include "view/layout/layout.h"
#include "view/print/print.h"
#include "view/print/printrender.h"
#include "view/drawlayer/picturecache.h"
#include "view/page/render.h"

namespace xlx {

// A parsed workbook with its page tables and the drawing engine that measured it.
struct ParsedWorkbook {
  WorkBudget budget{kWorkBudgetSeconds};  // polled by the parse and every page; outlives the workbook
  Workbook* workbook = nullptr;
  VkDrawingEngine* engine = nullptr;
  std::vector<SheetLayout> layouts;
  std::u16string path;  // the file the host named; headers and footers print its name
  PictureCache pictures;  // decoded once, drawn by every page and thread
  uint32_t warnings = 0;  // XlxWarning bits: what the pages leave out
  ~ParsedWorkbook() {
    FreeWorkbook(workbook);
    if (engine) VkDestroyDrawingObject(engine);
  }
};

namespace {

// The layout options of one call, from the context the drivers filled.
LayoutOptions LayoutOptionsFrom(const DocumentContext& c) {
  LayoutOptions o;
  o.loadMode = c.view.loadMode;
  o.sizeMode = c.view.sizeMode;
  o.pageWidth = c.dPageWidth;
  o.pageHeight = c.dPageHeight;
  o.marginTop = c.dMarginTop;
  o.marginBottom = c.dMarginBottom;
  o.marginLeft = c.dMarginLeft;
  o.marginRight = c.dMarginRight;
  o.bClipCells = c.view.bClipCells != 0;
  o.bPageOrderDownThenOver = c.view.bPageOrderDownThenOver != 0;
  o.bUseSheetWidth = c.view.bUseSheetWidth != 0;
  o.bPrintSetup = c.view.bPrintSetup != 0;
  o.xResolution = c.uXResolution ? c.uXResolution : 96;
  o.yResolution = c.uYResolution ? c.uYResolution : 96;
  return o;
}

// Width of "0" in the font at a pixel height, through the layer's font cache (and so its face
// substitution), as the cells are drawn.
double MeasureZero(void* context, const MyLogFont& font, double heightPx) {
  auto* fonts = static_cast<FontCache*>(context);
  const double base = std::fabs(font.lfUnconvertedFontSize > 0 ? font.lfUnconvertedFontSize : font.lfHeight);
  if (!(heightPx > 0) || heightPx > 4000 || !(base > 0)) return 0;
  const CachedDrawFont* f = fonts->Get(font, heightPx / base);
  if (!f) return 0;
  const double substitute = SubstituteDigitWidth(font.lfFaceName, f->family, heightPx);
  return substitute > 0 ? substitute : f->widthZero;
}

struct TextPassContext {
  const Workbook* workbook;
  const MyWorksheet* sheet;
  FontCache* fonts;
  const ProgressCallback* progress;
};

int32_t RunTextPass(void* context, SheetLayout* layout) {
  auto* t = static_cast<TextPassContext*>(context);
  return PrepareCellTexts(*t->workbook, *t->sheet, layout, *t->fonts, t->progress);
}

// Printed pages with nothing on them are left out, and so are sheets with nothing to print; a
// workbook with nothing at all keeps its first sheet's first page, so that it still shows.
int32_t DropBlankPrintedPages(ParsedWorkbook* parsed, const std::vector<std::vector<MyCellBounds>>& anchors) {
  try {
    std::vector<std::vector<bool>> blank(parsed->layouts.size());
    bool anyKept = false;
    for (size_t i = 0; i < parsed->layouts.size(); ++i) {
      blank[i] = FindBlankPrintedPages(*GetSheet(parsed->workbook, int32_t(i)), anchors[i], parsed->layouts[i]);
      anyKept = anyKept || std::find(blank[i].begin(), blank[i].end(), false) != blank[i].end();
    }
    for (size_t i = 0; i < blank.size() && !anyKept; ++i)
      if (!blank[i].empty()) blank[i][0] = false, anyKept = true;
    for (size_t i = 0; i < parsed->layouts.size(); ++i) RemovePrintedPages(blank[i], &parsed->layouts[i]);
  } catch (...) {
    return XLX_ERR_MEMORY;
  }
  return XLX_OK;
}

int32_t LayoutWorkbook(DocumentContext* c, ParsedWorkbook* parsed) {
  const LayoutOptions options = LayoutOptionsFrom(*c);
  FontCache fonts(parsed->engine);
  const DigitMeasure measure{&fonts, VkGetTextResolution(parsed->engine), MeasureZero};
  const int32_t count = GetSheetCount(parsed->workbook);
  parsed->layouts.resize(static_cast<size_t>(count));
  uint64_t gridEntries = 0, pages = 0;
  std::vector<std::vector<MyCellBounds>> sheetAnchors;
  try {
    sheetAnchors.resize(size_t(count));
  } catch (...) {
    return XLX_ERR_MEMORY;
  }
  int32_t r = XLX_OK;
  for (int32_t i = 0; i < count; ++i) {
    r = PollProgress(parsed->budget.Progress());
    if (r != XLX_OK) return r;
    const MyWorksheet* sheet = GetSheet(parsed->workbook, i);
    MyCellBounds area;
    const bool hasArea = ParsePrintAreaBounds(GetPrintArea(parsed->workbook, sheet->workbookIndex), nullptr, &area);
    std::vector<MyCellBounds> anchorCells;
    try {
      MyCellBounds cells;
      // Printed pages measure the drawing objects whole on the laid-out grid; other modes take
      // the cells of their anchors.
      for (const DrawingObject& o : sheet->drawing.objects)
        if (!options.bPrintSetup && o.nParent < 0 && AnchorCells(o.anchor, &cells)) anchorCells.push_back(cells);
      for (const LegacyObject& o : sheet->drawing.legacyObjects)
        if (!options.bPrintSetup && AnchorCells(o.anchor, &cells)) anchorCells.push_back(cells);
      for (const VmlShape& s : sheet->legacy.shapes)  // shown notes and controls of the legacy drawing
        if (s.client.hasAnchor && (s.client.kind == kControlNote ? s.client.visible : !s.hidden) &&
            AnchorCells(s.client.anchor, &cells))
          anchorCells.push_back(cells);
    } catch (...) {
      return XLX_ERR_MEMORY;
    }
    TextPassContext texts{parsed->workbook, sheet, &fonts, parsed->budget.Progress()};
    CellTextHook hook{&texts, RunTextPass};
    r = LayoutSheet(*sheet, hasArea ? &area : nullptr, anchorCells, options, measure, &parsed->layouts[i], &hook);
    if (r != XLX_OK) return r;
    if (options.bPrintSetup) sheetAnchors[size_t(i)] = parsed->layouts[i].reach;
    // One sheet's extent is capped by the sheet limits; many sheets that each claim a far cell
    // are capped together here, so that between them they cannot exhaust memory or time.
    gridEntries += parsed->layouts[i].grid.rows.size() + parsed->layouts[i].grid.columns.size();
    pages += parsed->layouts[i].pages.size();
    if (parsed->layouts[i].pagesCut) parsed->warnings |= XLX_WARN_PAGES_CUT;
    if (gridEntries > kMaxLayoutGridEntries || pages > kMaxWorkbookPages)
      return XLX_CORRUPT(XLX_ERR_LIMIT, "workbook extent over the layout limits");
  }
  if (parsed->workbook->sheetsLeftOut) parsed->warnings |= XLX_WARN_SHEETS_LEFT_OUT;
  if (options.bPrintSetup) {
    r = DropBlankPrintedPages(parsed, sheetAnchors);
    if (r != XLX_OK) return r;
  }
  c->totalPageCount = NumberPages(parsed->layouts, c->view.loadMode);
  if (options.bPrintSetup) {
    std::vector<const MyWorksheet*> sheets;
    for (int32_t i = 0; i < count; ++i) sheets.push_back(GetSheet(parsed->workbook, i));
    NumberPrintedPages(parsed->layouts, sheets);
  }
  c->nSheetCount = count;
  return XLX_OK;
}

// Loads the fonts' configuration on a thread of its own while the workbook is read, which the
// first text measured after the read would otherwise wait for. Without a thread the first text
// loads it.
class FontsPreparedMeanwhile {
 public:
  FontsPreparedMeanwhile() {
    try {
      thread_ = std::thread(VkPrepareFonts);
    } catch (...) {
    }
  }
  ~FontsPreparedMeanwhile() {
    if (thread_.joinable()) thread_.join();
  }
  FontsPreparedMeanwhile(const FontsPreparedMeanwhile&) = delete;
  FontsPreparedMeanwhile& operator=(const FontsPreparedMeanwhile&) = delete;

 private:
  std::thread thread_;
};

// Opens and lays out the workbook into `parsed`, its time charged to the workbook's budget.
int32_t OpenAndLayOut(DocumentContext* c, const char16_t* path, ParsedWorkbook* parsed) {
  FontsPreparedMeanwhile fonts;
  WorkBudget::Call call(&parsed->budget, c->pProgress);
  WorkbookOpenOptions options;
  options.showHiddenSheets = c->view.showHiddenSheets != 0;
  options.loadMode = static_cast<int32_t>(c->view.loadMode);
  options.dpi = static_cast<int32_t>(c->uXResolution ? c->uXResolution : 96);
  options.progress = parsed->budget.Progress();
  int32_t format = 0;
  try {
    const char16_t* named = c->pszSourcePath && *c->pszSourcePath ? c->pszSourcePath : path;
    parsed->path = named ? named : u"";
  } catch (...) {
    return XLX_ERR_MEMORY;
  }
  int32_t r = OpenWorkbook(path, options, &parsed->workbook, &format);
  c->xlsxFormatCode = format == kFormatCodeXlsb ? kXlsbFormatCode : kXlsxFormatCode;
  void* engine = nullptr;
  if (r == XLX_OK) r = VkCreateDrawingObject(VkQueryDrawingEngine(), &engine);
  parsed->engine = static_cast<VkDrawingEngine*>(engine);
  if (r == XLX_OK) r = VkSetTextResolution(parsed->engine, options.dpi);
  if (r == XLX_OK) r = PollProgress(parsed->budget.Progress());
  if (r == XLX_OK) r = LayoutWorkbook(c, parsed);
  return r;
}

int32_t ParseWorkbook(DocumentContext* c, const char16_t* path) {
  auto* parsed = new (std::nothrow) ParsedWorkbook;
  if (!parsed) return XLX_ERR_MEMORY;
  const int32_t r = OpenAndLayOut(c, path, parsed);
  if (r != XLX_OK) {
    delete parsed;
    return r;
  }
  c->pParsed = parsed;
  c->hDrawingObject = parsed->engine;
  return XLX_OK;
}

int32_t SheetPages(const ParsedWorkbook* p, int32_t sheet) {
  if (!p || sheet < 0 || sheet >= static_cast<int32_t>(p->layouts.size())) return 0;
  return static_cast<int32_t>(p->layouts[sheet].pages.size());
}

int32_t PageInfoOf(const ParsedWorkbook* p, int32_t sheet, int32_t page, _PAGEINFO* info) {
  if (page < 0 || page >= SheetPages(p, sheet)) return XLX_ERR_ARGUMENT;
  *info = p->layouts[sheet].pages[page];
  return XLX_OK;
}

int32_t DrawPage(DocumentContext* c, _BITMAPHANDLE* bitmap, bool headerOnly) {
  if (headerOnly) return XLX_OK;
  ParsedWorkbook* parsed = c->pParsed;
  if (!parsed || c->nCurrWorksheet < 0 || c->nCurrWorksheet >= static_cast<int32_t>(parsed->layouts.size()))
    return XLX_OK;  // a workbook without sheets draws a blank page
  PageRenderRequest request;
  request.workbook = parsed->workbook;
  request.sheet = GetSheet(parsed->workbook, c->nCurrWorksheet);
  request.layout = &parsed->layouts[c->nCurrWorksheet];
  request.pageIndex = c->nCurrPageInSheet;
  request.engine = parsed->engine;
  request.bitmap = bitmap;
  request.options = LayoutOptionsFrom(*c);
  request.showGridLines = c->view.bShowGridLines != 0;
  request.gridColor = c->view.gridColor;
  WorkBudget::Call call(&parsed->budget, c->pProgress);
  request.progress = parsed->budget.Progress();
  request.pictures = &parsed->pictures;
  if (request.pageIndex >= static_cast<int32_t>(request.layout->pages.size())) request.pageIndex = 0;
  if (c->view.bPrintSetup) {
    PrintedPageFields fields;
    fields.filePath = parsed->path;
    CurrentDateTimeFields(&fields);
    return RenderPrintedPage(request, fields);
  }
  return RenderSheetPage(request);
}

void ReleaseParsed(ParsedWorkbook* parsed) { delete parsed; }

// A sheet name as a reference writes it: quoted (quotes doubled) unless it is letters, digits,
// '_' and '.' only.
std::u16string ReferenceSheetName(const char16_t* name) {
  std::u16string plain(name), quoted(u"'");
  bool needsQuotes = plain.empty();
  for (char16_t ch : plain) {
    const bool simple = (ch >= u'A' && ch <= u'Z') || (ch >= u'a' && ch <= u'z') || (ch >= u'0' && ch <= u'9') ||
                        ch == u'_' || ch == u'.' || ch > 0x7F;
    needsQuotes = needsQuotes || !simple;
    quoted += ch;
    if (ch == u'\'') quoted += ch;
  }
  return needsQuotes ? quoted + u"'" : plain;
}

void PrintedPageRangeOf(const ParsedWorkbook* p, int32_t sheet, int32_t page, char16_t* text, int32_t capacity) {
  if (!text || capacity < 1) return;
  text[0] = 0;
  if (!p || sheet < 0 || sheet >= static_cast<int32_t>(p->layouts.size())) return;
  const std::vector<PrintedPage>& pages = p->layouts[sheet].printed.pages;
  const MyWorksheet* ws = GetSheet(p->workbook, sheet);
  if (page < 0 || page >= static_cast<int32_t>(pages.size()) || !ws) return;
  const std::u16string range = ReferenceSheetName(ws->sheetName) + u"!" + PrintedPageRange(pages[page]);
  const size_t n = std::min(range.size(), static_cast<size_t>(capacity - 1));
  std::copy_n(range.begin(), n, text);
  text[n] = 0;
}

uint32_t WarningsOf(const ParsedWorkbook* p) { return p ? p->warnings : 0; }

const DocumentSteps kRealSteps = {ParseWorkbook, SheetPages, PageInfoOf, DrawPage,
                                  ReleaseParsed, PrintedPageRangeOf, WarningsOf};
std::atomic<const DocumentSteps*> g_steps{&kRealSteps};

}  // namespace

const DocumentSteps& GetDocumentSteps() { return *g_steps.load(); }
void SetDocumentStepsForTesting(const DocumentSteps* steps) { g_steps.store(steps ? steps : &kRealSteps); }

}  // namespace xlx
