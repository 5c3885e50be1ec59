// Differential formats over a cell's own style, and data bars.
#include "view/condfmt/condfmt.h"

#include <algorithm>
#include <cmath>

namespace xlx {
namespace {


// `c` moved toward white by t (0 keeps it, 1 is white).
CellColor Lighter(CellColor c, double t) {
  auto ch = [t](uint8_t x) { return uint8_t(std::lround(x + (255.0 - x) * t)); };
  return MakeCellColor(ch(ColorRed(c)), ch(ColorGreen(c)), ch(ColorBlue(c)));
}

void MergeSide(const BorderSide& from, BorderSide* into) {
  if (from.pattern != kLineNone) *into = from;
}

// One bar from x0 to x1 (either order) with the full colour at x0's end when it fades.
int32_t Bar(DrawingSurface* s, const CfDataBar& bar, bool negative, double x0, double x1, double top, double height) {
  const double left = std::round(std::min(x0, x1)), width = std::round(std::max(x0, x1)) - left;
  top = std::round(top), height = std::round(height);
  if (width < 0.5 || height < 0.5) return XLX_OK;
  const CellColor fill = Opaque(negative && !bar.negativeSameAsPositive ? bar.negativeColor : bar.color);
  VkBrush* brush = nullptr;
  int32_t rc = XLX_OK;
  if (bar.gradient) {
    // The 2007 bar fades to white; the current one to a pale tint of its colour.
    const DrawGradientStop stops[2] = {{0.0, fill}, {1.0, Lighter(fill, bar.extended ? 0.9 : 1.0)}};
    rc = SetDrawLinearGradientBrush(DrawRect{left, top, width, height}, x1 >= x0 ? 0.0 : 180.0, false, stops, 2, &brush);
  } else {
    rc = SetDrawBrush(fill, kBrushSolid, 0, &brush);
  }
  VkPen* pen = nullptr;
  if (rc == XLX_OK && bar.border) {
    const CellColor line = negative && !bar.negativeBorderSameAsPositive ? bar.negativeBorderColor : bar.borderColor;
    rc = SetDrawPen(Opaque(line), kPenSolid, 1.0, nullptr, 0, &pen);
  }
  // Bars lie on whole pixels and are drawn without smoothing (the fast path of the engine); the
  // border runs along the middle of the outermost pixels.
  SetDrawSmoothing(s, false);
  if (rc == XLX_OK) rc = AddDrawRectangle(s, nullptr, brush, left, top, width, height);
  if (rc == XLX_OK && pen) rc = AddDrawRectangle(s, pen, nullptr, left + 0.5, top + 0.5, std::max(0.0, width - 1), height - 1);
  SetDrawSmoothing(s, true);
  FreeDrawPen(pen);
  FreeDrawBrush(brush);
  return rc;
}

}  // namespace

FillSpec CondFill(const FillSpec& own, const CellCondResult& cond) {
  if (!(cond.dxf.mask & kDxfFill)) return own;
  FillSpec fill = cond.dxf.fill;
  if (fill.kind == kFillPattern && fill.backColor == kColorAutomatic) fill.backColor = MakeCellColor(255, 255, 255);
  return fill;
}

MyLogFont CondFont(const MyLogFont& own, const CellCondResult& cond) {
  MyLogFont font = own;
  if (!(cond.dxf.mask & kDxfFont)) return font;
  const DxfFont& d = cond.dxf.font;
  if (d.flags & kDxfFontColor) font.color = d.font.color;
  if (d.flags & kDxfFontBold) font.lfWeight = d.font.lfWeight;
  if (d.flags & kDxfFontItalic) font.lfItalic = d.font.lfItalic;
  if (d.flags & kDxfFontUnderline) font.lfUnderline = d.font.lfUnderline;
  if (d.flags & kDxfFontStrike) font.lfStrikeOut = d.font.lfStrikeOut;
  return font;
}

MyBorder CondBorder(const MyBorder& own, const CellCondResult& cond) {
  MyBorder border = own;
  if (!(cond.dxf.mask & kDxfBorder)) return border;
  const MyBorder& d = cond.dxf.border;
  MergeSide(d.left, &border.left);
  MergeSide(d.right, &border.right);
  MergeSide(d.top, &border.top);
  MergeSide(d.bottom, &border.bottom);
  UpdateNoBorder(&border);
  return border;
}

int32_t DrawCondDataBar(DrawingSurface* surface, const CellCondResult& cond, const DrawRect& cell) {
  if (!surface || !cond.bar) return XLX_OK;
  const CfDataBar& bar = *cond.bar;
  // The bar keeps 2 px clear of the cell's edges (one more at the bottom, for the gridline).
  const double left = cell.left + 2, width = cell.width - 4, top = cell.top + 2, height = cell.height - 4;
  if (width < 1 || height < 1) return XLX_OK;
  const bool rtl = bar.direction == kBarRightToLeft;
  auto x = [&](double fraction) { return rtl ? left + width - fraction * width : left + fraction * width; };
  const double lo = bar.minLength / 100.0, hi = std::max(lo, bar.maxLength / 100.0);
  int32_t rc = XLX_OK;
  if (!cond.barNegative && cond.barZero <= 0) {
    // No axis: the length runs from the minimum to the maximum length.
    rc = Bar(surface, bar, false, x(0), x(lo + cond.barFraction * (hi - lo)), top, height);
  } else {
    // With an axis the bar grows from it toward the value, each side in its own direction.
    const double zero = cond.barZero;
    rc = Bar(surface, bar, cond.barNegative, x(zero), x(cond.barFraction), top, height);
    if (rc == XLX_OK && bar.axisPosition != kAxisNone) {
      VkPen* pen = nullptr;
      rc = SetDrawPen(Opaque(bar.axisColor), kPenDot, 1.0, nullptr, 0, &pen);
      const double ax = std::floor(x(zero)) + 0.5;
      if (rc == XLX_OK) rc = AddDrawLine(surface, pen, ax, cell.top, ax, cell.top + cell.height);
      FreeDrawPen(pen);
    }
  }
  return rc;
}

// Icons are as tall as the font's line, at most the cell's height.
double CondIconWidth(double fontPx, double rowHeight) { return std::min(std::max(4.0, fontPx * 1.1), rowHeight - 2); }

int32_t DrawCondCellIcon(DrawingSurface* surface, const CellCondResult& cond, const DrawRect& cell, double fontPx,
                         int32_t vertical) {
  if (!surface || !cond.icons) return XLX_OK;
  const double size = CondIconWidth(fontPx, cell.height);
  if (size < 2 || cell.width < size) return XLX_OK;
  double top = cell.top + cell.height - size - 1;  // bottom alignment, the default
  if (vertical == kVAlignTop) top = cell.top + 1;
  else if (vertical == kVAlignCenter || vertical == kVAlignJustify || vertical == kVAlignDistributed)
    top = cell.top + (cell.height - size) / 2;
  return DrawCondIcon(surface, cond.icon, cell.left + 2, top, size);
}

}  // namespace xlx
