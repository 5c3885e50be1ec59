// Colours, pens, brushes, text and number labels of chart drawing.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "model/colormath.h"
#include "values/format/numformat.h"
#include "chart/draw/internal.h"

namespace xlx {

namespace {

// Lightness steps of the passes after the first through the six accents, as tints.
constexpr double kPassTints[] = {0, -0.4, 0.2, -0.2, 0.4, -0.5, 0.3, -0.3, 0.5};

bool IsGeneral(const std::u16string& code) {
  if (code.size() != 7) return code.empty();
  static const char16_t kWord[] = u"general";
  for (size_t i = 0; i < 7; ++i)
    if ((code[i] | 0x20) != kWord[i]) return false;
  return true;
}

}  // namespace

CellColor AutoSeriesColor(const ChartModel& chart, int32_t index) {
  if (index < 0) index = 0;
  const CellColor base = chart.accents[index % 6];
  const int32_t pass = (index / 6) % int32_t(sizeof kPassTints / sizeof kPassTints[0]);
  return pass == 0 ? base : ApplyTint(base, kPassTints[pass]);
}

CellColor PrintColor(const ChartCanvas& c, CellColor color) {
  if (!c.options.blackAndWhite) return color;
  const uint32_t r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
  const uint32_t y = (r * 299 + g * 587 + b * 114) / 1000;
  return (color & 0xFF000000u) | y | y << 8 | y << 16;
}

void MakePaint(ChartCanvas& c, const ChartShapeProps& p, CellColor autoFill, CellColor autoLine, double autoWidthPt,
               ChartPaint* paint, const DrawRect* box) {
  CellColor fill = p.fillKind == kChartFillNone ? 0xFFFFFFFF : p.fillKind == kChartFillAuto ? autoFill : p.fillColor;
  CellColor line = p.lineKind == kChartFillNone ? 0xFFFFFFFF : p.lineKind == kChartFillAuto ? autoLine : p.lineColor;
  if (p.fillKind == kChartFillGradient && box && p.stops.size() >= 2 && !c.options.blackAndWhite) {
    DrawGradientStop stops[kMaxChartGradientStops];
    const int32_t n = int32_t(std::min<size_t>(p.stops.size(), kMaxChartGradientStops));
    for (int32_t i = 0; i < n; ++i) stops[i] = DrawGradientStop{p.stops[size_t(i)].position, p.stops[size_t(i)].color};
    c.Ok(SetDrawLinearGradientBrush(*box, p.gradientAngle, true, stops, n, &paint->brush));
  } else if (p.fillKind == kChartFillPattern) {
    MakePatternBrush(c, p, &paint->brush);
  } else if (p.fillKind == kChartFillPicture && box && CanDrawChartPicture(c, p)) {
    paint->picture = &p, paint->pictureBox = *box;
  } else if (p.fillKind == kChartFillPicture) {
    c.Ok(SetDrawBrush(PrintColor(c, 0xFFBFBFBF), kBrushSolid, 0, &paint->brush));  // a picture it cannot draw
  } else if (fill != 0xFFFFFFFF) {
    c.Ok(SetDrawBrush(PrintColor(c, fill), kBrushSolid, 0, &paint->brush));
  }
  if (line != 0xFFFFFFFF) {
    const double widthPt = p.lineWidthPt >= 0 ? p.lineWidthPt : autoWidthPt;
    const double width = std::max(0.5, std::min(c.Px(widthPt), 100.0));
    c.Ok(SetDrawPen(PrintColor(c, line), p.lineStyle, width, nullptr, 0, &paint->pen));
  }
}

void FillShapeRect(ChartCanvas& c, const ChartShapeProps& p, const DrawRect& r, CellColor autoFill, CellColor autoLine) {
  ChartPaint paint;
  MakePaint(c, p, autoFill, autoLine, 0.75, &paint, &r);
  if (paint.pen || paint.brush || paint.picture) ChartRect(c, paint, r);
}

DrawFontSpec ChartFont(const ChartCanvas& c, const ChartTextProps& p, double sizePt, bool bold) {
  DrawFontSpec f;
  const std::u16string& face = !p.face.empty() ? p.face : !c.chart.chartText.face.empty() ? c.chart.chartText.face
                                                                                         : c.chart.minorFont;
  const size_t n = std::min<size_t>(face.size(), 31);
  std::copy_n(face.data(), n, f.lfFaceName);
  f.lfFaceName[n] = 0;
  if (!f.lfFaceName[0]) std::copy_n(u"Calibri", 8, f.lfFaceName);
  const double pt = p.sizePt > 0 ? p.sizePt : sizePt;
  f.dHeightPx = std::max(1.0, std::min(c.Px(pt), 2000.0));
  f.lfHeight = int32_t(f.dHeightPx + 0.5);
  const int32_t b = p.bold >= 0 ? p.bold : c.chart.chartText.bold >= 0 && p.sizePt <= 0 ? c.chart.chartText.bold : bold;
  f.lfWeight = b ? 700 : 400;
  f.lfItalic = p.italic > 0 ? 1 : 0;
  return f;
}

CellColor ChartTextColor(const ChartCanvas& c, const ChartTextProps& p) {
  const CellColor color = p.color != 0xFFFFFFFF ? p.color : c.chart.chartText.color != 0xFFFFFFFF ? c.chart.chartText.color
                                                                                               : c.chart.textColor;
  return PrintColor(c, color);
}

void MeasureChartText(ChartCanvas& c, const std::u16string& text, const DrawFontSpec& font, double* w, double* h) {
  *w = *h = 0;
  if (text.empty()) return;
  size_t start = 0;
  // Lines are measured one by one: the widest sets the width.
  while (start <= text.size()) {
    size_t end = text.find(u'\n', start);
    if (end == std::u16string::npos) end = text.size();
    double lw = 0, lh = 0;
    if (GetDrawTextExtent(c.surface->pEngine, text.data() + start, int32_t(end - start), font, &lw, &lh) != XLX_OK)
      lw = (end - start) * font.dHeightPx * 0.5, lh = font.dHeightPx * 1.2;
    if (end == start) lh = font.dHeightPx * 1.2;
    *w = std::max(*w, lw);
    *h += lh;
    start = end + 1;
  }
}

void DrawChartTextAt(ChartCanvas& c, const std::u16string& text, const DrawFontSpec& font, CellColor color, double cx,
                     double cy, double degrees) {
  if (text.empty() || c.rc != XLX_OK) return;
  double w = 0, h = 0;
  MeasureChartText(c, text, font, &w, &h);
  double saved[6];
  const bool turned = std::fabs(degrees) > 0.01;
  if (turned) {
    if (!c.Ok(GetDrawTransform(c.surface, saved))) return;
    c.Ok(TranslateDrawTransform(c.surface, cx, cy));
    c.Ok(RotateDrawTransform(c.surface, -degrees));
    cx = cy = 0;
  }
  double y = cy - h / 2;
  size_t start = 0;
  const double lineH = h / std::max<size_t>(1, std::count(text.begin(), text.end(), u'\n') + 1);
  while (start <= text.size() && c.rc == XLX_OK) {
    size_t end = text.find(u'\n', start);
    if (end == std::u16string::npos) end = text.size();
    if (end > start)
      AddDrawText(c.surface, text.data() + start, int32_t(end - start), font, color,
                  DrawRect{cx - w / 2 - 2, y, w + 4, lineH}, kTextCenter | kTextVCenter);
    y += lineH;
    start = end + 1;
  }
  if (turned) c.Ok(SetDrawTransform(c.surface, saved));
}

std::u16string WrapChartText(ChartCanvas& c, const std::u16string& text, const DrawFontSpec& font, double maxW) {
  double w = 0, h = 0;
  MeasureChartText(c, text, font, &w, &h);
  if (w <= maxW || text.find(u' ') == std::u16string::npos || text.size() > 512) return text;
  std::u16string out, line;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of(u" \n", start);
    if (end == std::u16string::npos) end = text.size();
    const std::u16string word = text.substr(start, end - start);
    const std::u16string trial = line.empty() ? word : line + u' ' + word;
    MeasureChartText(c, trial, font, &w, &h);
    if (!line.empty() && w > maxW) {
      out += (out.empty() ? u"" : u"\n") + line;
      line = word;
    } else {
      line = trial;
    }
    if (end < text.size() && text[end] == u'\n') out += (out.empty() ? u"" : u"\n") + line, line.clear();
    start = end + 1;
  }
  if (!line.empty()) out += (out.empty() ? u"" : u"\n") + line;
  return out;
}

std::u16string FormatChartValue(double value, const std::u16string& code, bool date1904) {
  if (!std::isfinite(value)) return std::u16string();
  char16_t out[128];
  const char16_t* fmt = IsGeneral(code) ? u"General" : code.c_str();
  ParseNumberFormat(SerialForDisplay(value, fmt, date1904), fmt, true, out, 128, nullptr);
  return out;
}

std::u16string CategoryText(const ChartSeries& s, int32_t i, const std::u16string& axisCode, bool date1904) {
  const ChartData& d = s.categories;
  if (i >= 0 && i < int32_t(d.texts.size())) return d.texts[size_t(i)];
  if (i >= 0 && i < int32_t(d.values.size())) {
    const std::u16string& code = !IsGeneral(axisCode) ? axisCode : d.formatCode;
    return FormatChartValue(d.values[size_t(i)], code, date1904);
  }
  char buffer[16];
  snprintf(buffer, sizeof buffer, "%d", int(i + 1));
  return std::u16string(buffer, buffer + strlen(buffer));
}

}  // namespace xlx
