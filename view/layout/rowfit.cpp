// Row heights fitted to the content of the cells, as the application fits them on opening.
#include "view/layout/rowfit.h"

#include <algorithm>
#include <cmath>

namespace xlx {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int32_t kMaxTurnedUnits = 511;

// Degrees a cell's text is turned by (0 for level text), from the written code.
int32_t TurnDegrees(int32_t rotation) {
  if (rotation >= 1 && rotation <= 90) return rotation;
  if (rotation >= 91 && rotation <= 180) return rotation - 90;
  return 0;
}

// The tallest line among the cell's font and its rich-text runs' fonts.
double TallestLine(FontCache& fonts, const CachedDrawFont& font, double scale, const CellText* text, double pixel) {
  double tallest = FontRowHeight(font, pixel);
  if (!text || !text->rich) return tallest;
  const RichString& rich = *text->rich;
  for (int32_t i = 0; i < rich.runCount && i < 4096; ++i) {
    const TextRun& run = rich.runs[i];
    if (!run.font || run.length <= 0) continue;
    const CachedDrawFont* f = fonts.Get(*run.font, scale);
    if (f) tallest = std::max(tallest, FontRowHeight(*f, pixel));
  }
  return tallest;
}

}  // namespace

double FontRowHeight(const CachedDrawFont& font, double pixel) {
  const double ascent = std::max(0.0, font.ascent), descent = std::max(0.0, font.lineHeight - font.ascent);
  return std::ceil(ascent - 1e-6) + std::ceil(descent - 1e-6) + 2 * pixel;
}

bool RowFitsContent(const MyWorksheet& sheet, double defaultRowPx, int32_t row) {
  const RowProps* props = FindRow(sheet, row);
  if (!props || !props->heightStored || props->heightNotCustom) return true;
  return std::fabs(props->height - defaultRowPx) < 0.01;
}

double CellContentHeight(FontCache& fonts, const CachedDrawFont& font, double scale, const CellXf& xf,
                         const CellText* text, double columnWidth, double pixel) {
  const double line = TallestLine(fonts, font, scale, text, pixel);
  if (!text || text->text.empty()) return line;
  const int32_t length = static_cast<int32_t>(std::min<size_t>(text->text.size(), 32767));
  const int32_t rotation = xf.alignment.textRotation;
  if (rotation == 255) return line * length;  // stacked: a character a line
  const int32_t degrees = TurnDegrees(rotation);
  if (degrees > 0) {
    // A long text is measured by its first units and scaled to its length.
    int32_t measured = std::min(length, kMaxTurnedUnits);
    if (measured < length && text->text[measured - 1] >= 0xD800 && text->text[measured - 1] <= 0xDBFF) --measured;
    double w = 0, h = 0;
    fonts.Measure(font, text->text.c_str(), measured, 0, &w, &h);
    w = w * length / std::max(1, measured);
    const double a = degrees * kPi / 180;
    return std::ceil(w * std::sin(a) + line * std::cos(a));
  }
  if (!xf.alignment.wrapText) return line;
  const TextBox box = InnerBox(0, columnWidth, font, xf.alignment.indent);
  double w = 0, h = 0;
  fonts.Measure(font, text->text.c_str(), length, std::max(1.0, box.innerWidth), &w, &h);
  // Lines counted by the height one line measures in the same way.
  double oneW = 0, oneH = 0;
  fonts.Measure(font, u"0", 1, 0, &oneW, &oneH);
  const double lines = std::max(1.0, std::round(h / std::max(1.0, oneH > 0 ? oneH : font.lineHeight)));
  return lines * line;
}

void UseDefaultFontRowHeight(const MyWorksheet& sheet, FontCache& fonts, double pixel, XlsxGridInfo* g) {
  const double scale = g->scale > 0 ? g->scale : 1.0;
  if (!sheet.bDefRowHeightStored) {
    const CachedDrawFont* f = fonts.Get(sheet.normalFont, 1.0);  // at 100%, as rows are fitted
    if (f) g->defRowHeightPx = FontRowHeight(*f, pixel);
  }
  const double size = g->defRowHeightPx * scale;
  for (size_t i = 0; i < g->rows.size(); ++i) {
    RowGeometry& r = g->rows[i];
    const RowProps* props = FindRow(sheet, static_cast<int32_t>(i) + 1);
    if (props ? props->hidden || props->heightStored : sheet.bRowsZeroHeight) continue;
    r.size = size;
  }
}

}  // namespace xlx
