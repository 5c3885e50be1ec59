// The icons of icon sets as vector shapes: arrows, flags, traffic lights, signs, symbols, stars,
// triangles, rating bars, quarter pies and boxes. Each is laid out in a unit square and scaled to
// the size asked for, so it stays crisp at any resolution.
#include <cmath>
#include <vector>

#include "view/condfmt/condfmt.h"

namespace xlx {
namespace {

constexpr double kPi = 3.14159265358979323846;

// The colours of the icons.
const CellColor kRed = MakeCellColor(0xE0, 0x32, 0x2B);
const CellColor kYellow = MakeCellColor(0xF7, 0xC3, 0x1A);
const CellColor kGreen = MakeCellColor(0x2E, 0xA8, 0x4A);
const CellColor kGray = MakeCellColor(0x80, 0x80, 0x80);
const CellColor kBlack = MakeCellColor(0x30, 0x30, 0x30);
const CellColor kPink = MakeCellColor(0xF2, 0x94, 0x94);
const CellColor kBlue = MakeCellColor(0x2E, 0x75, 0xB6);
const CellColor kGold = MakeCellColor(0xF5, 0xB3, 0x00);
const CellColor kPale = MakeCellColor(0xD9, 0xD9, 0xD9);
const CellColor kWhite = MakeCellColor(0xFF, 0xFF, 0xFF);

// Draws in the unit square mapped onto (left, top, size).
class Painter {
 public:
  Painter(DrawingSurface* s, double left, double top, double size) : s_(s), l_(left), t_(top), k_(size) {}

  DrawPoint P(double x, double y) const { return DrawPoint{l_ + x * k_, t_ + y * k_}; }

  int32_t Polygon(std::vector<DrawPoint> unit, CellColor fill, CellColor outline = 0, double turn = 0) {
    const double c = std::cos(turn * kPi / 180), sn = std::sin(turn * kPi / 180);
    for (DrawPoint& p : unit) {
      const double dx = p.x - 0.5, dy = p.y - 0.5;
      p = P(0.5 + dx * c - dy * sn, 0.5 + dx * sn + dy * c);
    }
    return Shape([&](VkPen* pen, VkBrush* brush) {
      return AddDrawPolygon(s_, pen, brush, unit.data(), int32_t(unit.size()));
    }, fill, outline);
  }

  int32_t Circle(double cx, double cy, double r, CellColor fill, CellColor outline = 0) {
    const DrawPoint a = P(cx - r, cy - r);
    return Shape([&](VkPen* pen, VkBrush* brush) {
      return AddDrawEllipse(s_, pen, brush, DrawRect{a.x, a.y, 2 * r * k_, 2 * r * k_});
    }, fill, outline);
  }

  int32_t Rect(double x, double y, double w, double h, CellColor fill, CellColor outline = 0) {
    const DrawPoint a = P(x, y);
    return Shape([&](VkPen* pen, VkBrush* brush) { return AddDrawRectangle(s_, pen, brush, a.x, a.y, w * k_, h * k_); },
                 fill, outline);
  }

  // A stroke `width` units wide through the points.
  int32_t Stroke(std::vector<DrawPoint> unit, CellColor color, double width) {
    for (DrawPoint& p : unit) p = P(p.x, p.y);
    VkPen* pen = nullptr;
    int32_t rc = SetDrawPen(color, kPenSolid, std::max(1.0, width * k_), nullptr, 0, &pen);
    if (rc == XLX_OK) rc = AddDrawPolyline(s_, pen, unit.data(), int32_t(unit.size()));
    FreeDrawPen(pen);
    return rc;
  }

  // A pie of `quarters` quarters of the circle, clockwise from twelve o'clock.
  int32_t Pie(double cx, double cy, double r, int32_t quarters, CellColor fill) {
    if (quarters <= 0) return XLX_OK;
    if (quarters >= 4) return Circle(cx, cy, r, fill);
    std::vector<DrawPoint> unit{{cx, cy}};
    const int32_t steps = 12 * quarters;
    for (int32_t i = 0; i <= steps; ++i) {
      const double a = -kPi / 2 + (kPi / 2) * quarters * i / steps;
      unit.push_back(DrawPoint{cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return Polygon(unit, fill);
  }

  // A five-pointed star; `half` fills only its left half.
  int32_t Star(CellColor fill, bool half, bool empty) {
    std::vector<DrawPoint> unit;
    for (int32_t i = 0; i < 10; ++i) {
      const double r = i % 2 ? 0.21 : 0.5, a = -kPi / 2 + i * kPi / 5;
      unit.push_back(DrawPoint{0.5 + r * std::cos(a), 0.54 + r * std::sin(a)});
    }
    int32_t rc = Polygon(unit, empty || half ? kWhite : fill, fill);
    if (rc != XLX_OK || !half) return rc;
    int32_t saved = -1;
    const DrawPoint a = P(0, 0), b = P(0.5, 1);
    rc = SetDrawClipRgn(s_, a.x, a.y, b.x, b.y, &saved);
    if (rc == XLX_OK) rc = Polygon(unit, fill, fill);
    FreeDrawClipRgn(s_, saved);
    return rc;
  }

 private:
  template <typename Draw>
  int32_t Shape(Draw draw, CellColor fill, CellColor outline) {
    VkBrush* brush = nullptr;
    VkPen* pen = nullptr;
    int32_t rc = SetDrawBrush(fill, kBrushSolid, 0, &brush);
    if (rc == XLX_OK && outline) rc = SetDrawPen(outline, kPenSolid, std::max(1.0, k_ / 16), nullptr, 0, &pen);
    if (rc == XLX_OK) rc = draw(pen, brush);
    FreeDrawPen(pen);
    FreeDrawBrush(brush);
    return rc;
  }

  DrawingSurface* s_;
  double l_, t_, k_;
};

// An arrow pointing up, turned clockwise by `turn` degrees.
int32_t Arrow(Painter& p, double turn, CellColor color) {
  return p.Polygon({{0.5, 0.06}, {0.92, 0.5}, {0.66, 0.5}, {0.66, 0.94}, {0.34, 0.94}, {0.34, 0.5}, {0.08, 0.5}},
                   color, 0, turn);
}

int32_t Flag(Painter& p, CellColor color) {
  int32_t rc = p.Rect(0.14, 0.06, 0.08, 0.88, kBlack);
  if (rc == XLX_OK) rc = p.Polygon({{0.22, 0.08}, {0.9, 0.08}, {0.74, 0.3}, {0.9, 0.52}, {0.22, 0.52}}, color);
  return rc;
}

// A disc with a dark rim, as in a traffic light's housing.
int32_t RimmedLight(Painter& p, CellColor color) {
  int32_t rc = p.Circle(0.5, 0.5, 0.48, kBlack);
  if (rc == XLX_OK) rc = p.Circle(0.5, 0.5, 0.36, color);
  return rc;
}

int32_t Check(Painter& p, CellColor color, double width) {
  return p.Stroke({{0.24, 0.52}, {0.43, 0.71}, {0.77, 0.3}}, color, width);
}
int32_t Cross(Painter& p, CellColor color, double width) {
  int32_t rc = p.Stroke({{0.3, 0.3}, {0.7, 0.7}}, color, width);
  if (rc == XLX_OK) rc = p.Stroke({{0.7, 0.3}, {0.3, 0.7}}, color, width);
  return rc;
}
int32_t Exclamation(Painter& p, CellColor color, double width) {
  int32_t rc = p.Stroke({{0.5, 0.2}, {0.5, 0.58}}, color, width);
  if (rc == XLX_OK) rc = p.Circle(0.5, 0.76, width / 1.6, color);
  return rc;
}

// Signal bars: `lit` of `bars` bars in the colour, the others pale.
int32_t Rating(Painter& p, int32_t lit, int32_t bars) {
  int32_t rc = XLX_OK;
  const double w = 0.84 / bars;
  for (int32_t i = 0; i < bars && rc == XLX_OK; ++i) {
    const double h = 0.25 + 0.7 * (i + 1) / bars;
    rc = p.Rect(0.08 + i * w, 0.95 - h, w * 0.7, h, i < lit ? kBlue : kPale);
  }
  return rc;
}

int32_t Boxes(Painter& p, int32_t lit) {
  int32_t rc = XLX_OK;
  for (int32_t i = 0; i < 4 && rc == XLX_OK; ++i)
    rc = p.Rect(0.08 + (i % 2) * 0.44, 0.08 + (i / 2) * 0.44, 0.4, 0.4, i < lit ? kBlue : kPale);
  return rc;
}

int32_t Quarters(Painter& p, int32_t quarters) {
  int32_t rc = p.Circle(0.5, 0.5, 0.45, kWhite, kBlack);
  if (rc == XLX_OK) rc = p.Pie(0.5, 0.5, 0.45, quarters, kBlack);
  return rc;
}

// Turns of the arrows of the 4- and 5-arrow sets, lowest icon first.
const double kTurns4[] = {180, 135, 45, 0};
const double kTurns5[] = {180, 135, 90, 45, 0};

}  // namespace

int32_t DrawCondIcon(DrawingSurface* surface, const CfIcon& icon, double left, double top, double size) {
  if (!surface || size <= 0) return XLX_OK;
  const int32_t count = CfIconCount(icon.set), i = icon.index;
  if (i < 0 || i >= count) return XLX_OK;
  Painter p(surface, left, top, size);
  const CellColor traffic[3] = {kRed, kYellow, kGreen};
  switch (icon.set) {
    case kIcons3Arrows: return Arrow(p, i == 0 ? 180 : i == 1 ? 90 : 0, traffic[i]);
    case kIcons3ArrowsGray: return Arrow(p, i == 0 ? 180 : i == 1 ? 90 : 0, kGray);
    case kIcons4Arrows: return Arrow(p, kTurns4[i], i == 0 ? kRed : i == 3 ? kGreen : kYellow);
    case kIcons4ArrowsGray: return Arrow(p, kTurns4[i], kGray);
    case kIcons5Arrows: return Arrow(p, kTurns5[i], i == 0 ? kRed : i == 4 ? kGreen : kYellow);
    case kIcons5ArrowsGray: return Arrow(p, kTurns5[i], kGray);
    case kIcons3Flags: return Flag(p, traffic[i]);
    case kIcons3TrafficLights1: return p.Circle(0.5, 0.5, 0.45, traffic[i]);
    case kIcons3TrafficLights2: return RimmedLight(p, traffic[i]);
    case kIcons4TrafficLights: {
      const CellColor lights[4] = {kBlack, kRed, kYellow, kGreen};
      return p.Circle(0.5, 0.5, 0.45, lights[i]);
    }
    case kIcons4RedToBlack: {
      const CellColor discs[4] = {kBlack, kGray, kPink, kRed};
      return p.Circle(0.5, 0.5, 0.45, discs[i]);
    }
    case kIcons3Signs:
      if (i == 0) return p.Polygon({{0.5, 0.04}, {0.96, 0.5}, {0.5, 0.96}, {0.04, 0.5}}, kRed);
      if (i == 1) return p.Polygon({{0.5, 0.08}, {0.96, 0.9}, {0.04, 0.9}}, kYellow);
      return p.Circle(0.5, 0.5, 0.45, kGreen);
    case kIcons3Symbols: {
      int32_t rc = p.Circle(0.5, 0.5, 0.47, traffic[i]);
      if (rc != XLX_OK) return rc;
      return i == 0 ? Cross(p, kWhite, 0.12) : i == 1 ? Exclamation(p, kWhite, 0.12) : Check(p, kWhite, 0.12);
    }
    case kIcons3Symbols2:
      return i == 0 ? Cross(p, kRed, 0.18) : i == 1 ? Exclamation(p, kYellow, 0.18) : Check(p, kGreen, 0.18);
    case kIcons3Stars: return p.Star(kGold, i == 1, i == 0);
    case kIcons3Triangles:
      if (i == 0) return p.Polygon({{0.1, 0.25}, {0.9, 0.25}, {0.5, 0.85}}, kRed);
      if (i == 1) return p.Rect(0.15, 0.4, 0.7, 0.2, kYellow);
      return p.Polygon({{0.5, 0.15}, {0.9, 0.75}, {0.1, 0.75}}, kGreen);
    case kIcons4Rating: return Rating(p, i + 1, 4);
    case kIcons5Rating: return Rating(p, i, 4);
    case kIcons5Quarters: return Quarters(p, i);
    case kIcons5Boxes: return Boxes(p, i);
    default: return XLX_OK;
  }
}

}  // namespace xlx
