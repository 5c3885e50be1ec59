#include "shapes/geometry.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "common/resultcodes.h"
#include "model/colormath.h"

namespace xlx {
namespace {

constexpr double kPi = 3.14159265;
constexpr double kMaxValue = 1e12;   // guide values are kept within this
constexpr double kMaxCoord = 1e6;    // px; figure coordinates are kept within this

double Sane(double v, double limit) {
  if (!std::isfinite(v)) return 0;
  return std::max(-limit, std::min(v, limit));
}

double Radians(double angle60k) { return angle60k / 60000.0 * kPi / 180.0; }

bool SameOperator(const std::string& op, const char* name) {
  if (op.size() != strlen(name)) return false;
  for (size_t i = 0; i < op.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(op[i])) != name[i]) return false;
  return true;
}

double Divide(double a, double b) { return b == 0 ? 0 : a / b; }

}  // namespace

bool GuideValues::BuiltIn(const std::string& n, double* v) const {
  const double ss = std::min(w_, h_), ls = std::max(w_, h_);
  struct Entry { const char* name; double value; };
  const Entry kNames[] = {
      {"l", 0}, {"t", 0}, {"r", w_}, {"b", h_}, {"w", w_}, {"h", h_}, {"hc", w_ / 2}, {"vc", h_ / 2},
      {"wd2", w_ / 2}, {"wd3", w_ / 3}, {"wd4", w_ / 4}, {"wd5", w_ / 5}, {"wd6", w_ / 6}, {"wd8", w_ / 8},
      {"wd10", w_ / 10}, {"wd32", w_ / 32}, {"hd2", h_ / 2}, {"hd3", h_ / 3}, {"hd4", h_ / 4}, {"hd5", h_ / 5},
      {"hd6", h_ / 6}, {"hd8", h_ / 8}, {"hd10", h_ / 10}, {"ss", ss}, {"ls", ls}, {"ssd2", ss / 2},
      {"ssd4", ss / 4}, {"ssd6", ss / 6}, {"ssd8", ss / 8}, {"ssd16", ss / 16}, {"ssd32", ss / 32},
      {"cd2", 10800000}, {"cd3", 7200000}, {"cd4", 5400000}, {"cd8", 2700000}, {"3cd4", 16200000},
      {"3cd8", 8100000}, {"5cd8", 13500000}, {"7cd8", 18900000}};
  for (const Entry& e : kNames) {
    if (n == e.name) {
      *v = e.value;
      return true;
    }
  }
  return false;
}

double GuideValues::Operand(const std::string& name) const {
  if (name.empty()) return 0;
  double v = 0;
  if (BuiltIn(name, &v)) return v;
  const char c = name[0];
  if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.')
    return Sane(std::strtod(name.c_str(), nullptr), kMaxValue);
  auto it = named_.find(name);
  return it == named_.end() ? 0 : it->second;
}

double GuideValues::Evaluate(const GeomFormula& f) const {
  const double x = Operand(f.args[0]), y = Operand(f.args[1]), z = Operand(f.args[2]);
  const std::string& op = f.op;
  double v = 0;
  if (op == "*/") v = Divide(x * y, z);
  else if (op == "+-") v = x + y - z;
  else if (op == "+/") v = Divide(x + y, z);
  else if (op == "?:") v = x > 0 ? y : z;
  else if (SameOperator(op, "abs")) v = std::fabs(x);
  else if (SameOperator(op, "at2")) v = std::atan2(y, x) * 180.0 / kPi * 60000.0;
  else if (SameOperator(op, "cat2")) v = x * std::cos(std::atan2(z, y));
  else if (SameOperator(op, "cos")) v = x * std::cos(Radians(y));
  else if (SameOperator(op, "max")) v = std::max(x, y);
  else if (SameOperator(op, "min")) v = std::min(x, y);
  else if (SameOperator(op, "mod")) v = std::sqrt(x * x + y * y + z * z);
  else if (SameOperator(op, "pin")) v = y < x ? x : y > z ? z : y;
  else if (SameOperator(op, "sat2")) v = x * std::sin(std::atan2(z, y));
  else if (SameOperator(op, "sin")) v = x * std::sin(Radians(y));
  else if (SameOperator(op, "sqrt")) v = x > 0 ? std::sqrt(x) : 0;
  else if (SameOperator(op, "tan")) v = x * std::tan(Radians(y));
  else if (SameOperator(op, "val")) v = x;
  return Sane(v, kMaxValue);
}

double ArcDegrees(double angle) { return std::fabs(angle) > 60000 ? angle / 60000.0 : angle; }

CellColor PathFillColor(CellColor color, uint8_t fill) {
  const uint32_t alpha = color & 0xFF000000u;
  auto scaled = [&](double share) {
    uint32_t out = alpha;
    for (int shift = 0; shift < 24; shift += 8) {
      const double c = ((color >> shift) & 0xFF) * share;
      out |= static_cast<uint32_t>(std::max(0.0, std::min(c, 255.0))) << shift;
    }
    return out;
  };
  if (fill == kPathFillDarken) return scaled(0.6);
  if (fill == kPathFillDarkenLess) return scaled(0.8);
  if (fill == kPathFillLighten || fill == kPathFillLightenLess) {
    double h, s, l;
    RgbToHsl(color, &h, &s, &l);
    const double gain = fill == kPathFillLightenLess || l > 0.6 ? 1.2 : 1.4;
    const CellColor out = HslToColor(h, s, std::min(1.0, l * gain), 1.0);
    return (out & 0xFFFFFFu) | alpha;
  }
  return color;
}

namespace {

// Builds the figures of one path.
class FigureBuilder {
 public:
  FigureBuilder(const GuideValues& values, double sx, double sy, ShapeFigure* figure)
      : v_(values), sx_(sx), sy_(sy), f_(figure) {}

  void Command(const GeomCommand& c) {
    switch (c.kind) {
      case kGeomMove: Move(Point(c.args[0], c.args[1])); break;
      case kGeomLine: Add(Point(c.args[0], c.args[1]), kPathLineTo); break;
      case kGeomArc: Arc(c); break;
      case kGeomQuad: Quad(Point(c.args[0], c.args[1]), Point(c.args[2], c.args[3])); break;
      case kGeomCubic: Cubic(Point(c.args[0], c.args[1]), Point(c.args[2], c.args[3]), Point(c.args[4], c.args[5])); break;
      case kGeomClose: Close(); break;
      default: break;
    }
  }

 private:
  DrawPoint Point(const std::string& x, const std::string& y) const {
    return DrawPoint{Sane(v_.Operand(x) * sx_, kMaxCoord), Sane(v_.Operand(y) * sy_, kMaxCoord)};
  }

  void Move(DrawPoint p) {
    // A figure of a single move draws nothing; the move is replaced.
    if (!f_->tags.empty() && f_->tags.back() == kPathMoveTo) {
      f_->points.back() = p;
    } else {
      f_->points.push_back(p);
      f_->tags.push_back(kPathMoveTo);
    }
    start_ = current_ = p;
    open_ = true;
    if (!begun_) f_->start = p, f_->startToward = p;
  }

  // Starts a figure at the current point when the path did not.
  void EnsureFigure() {
    if (!open_) Move(current_);
  }

  void Add(DrawPoint p, uint8_t tag) {
    p = DrawPoint{Sane(p.x, kMaxCoord), Sane(p.y, kMaxCoord)};  // arcs about far centres reach further
    EnsureFigure();
    f_->points.push_back(p);
    f_->tags.push_back(tag);
    if (!begun_) f_->startToward = p, begun_ = true;
    f_->endFrom = current_;
    f_->end = current_ = p;
    f_->closed = false;
  }

  void Cubic(DrawPoint a, DrawPoint b, DrawPoint e) {
    EnsureFigure();
    const DrawPoint from = current_;
    Add(a, kPathBezierTo);
    Add(b, kPathBezierTo);
    Add(e, kPathBezierTo);
    f_->endFrom = (b.x == e.x && b.y == e.y) ? from : b;
  }

  void Quad(DrawPoint q, DrawPoint e) {
    EnsureFigure();
    const DrawPoint p = current_;
    Cubic(DrawPoint{p.x + 2.0 / 3 * (q.x - p.x), p.y + 2.0 / 3 * (q.y - p.y)},
          DrawPoint{e.x + 2.0 / 3 * (q.x - e.x), e.y + 2.0 / 3 * (q.y - e.y)}, e);
  }

  // The parameter of the point of an ellipse (radii a, b) that lies at `degrees` from its centre.
  static double Parameter(double degrees, double a, double b) {
    const double r = degrees * kPi / 180.0;
    return std::atan2(a * std::sin(r), b * std::cos(r));
  }

  void Arc(const GeomCommand& c) {
    const double a = std::fabs(Sane(v_.Operand(c.args[0]) * sx_, kMaxCoord));
    const double b = std::fabs(Sane(v_.Operand(c.args[1]) * sy_, kMaxCoord));
    if (a == 0 || b == 0) return;
    const double start = ArcDegrees(v_.Operand(c.args[2]));
    const double sweep = std::max(-360.0, std::min(ArcDegrees(v_.Operand(c.args[3])), 360.0));
    EnsureFigure();
    const double t0 = Parameter(start, a, b);
    double t1 = Parameter(start + sweep, a, b);
    double dt = t1 - t0;
    if (std::fabs(sweep) >= 360) dt = sweep > 0 ? 2 * kPi : -2 * kPi;
    else if (sweep > 0) while (dt < 0) dt += 2 * kPi;
    else if (sweep < 0) while (dt > 0) dt -= 2 * kPi;
    else dt = 0;
    if (dt == 0) return;
    const double cx = current_.x - a * std::cos(t0), cy = current_.y - b * std::sin(t0);
    const int segments = std::max(1, static_cast<int>(std::ceil(std::fabs(dt) / (kPi / 2) - 1e-9)));
    const double step = dt / segments, k = 4.0 / 3.0 * std::tan(step / 4);
    double t = t0;
    for (int i = 0; i < segments; ++i, t += step) {
      const double c0 = std::cos(t), s0 = std::sin(t), c1 = std::cos(t + step), s1 = std::sin(t + step);
      Cubic(DrawPoint{cx + a * (c0 - k * s0), cy + b * (s0 + k * c0)},
            DrawPoint{cx + a * (c1 + k * s1), cy + b * (s1 - k * c1)}, DrawPoint{cx + a * c1, cy + b * s1});
    }
  }

  void Close() {
    if (!open_ || f_->tags.empty() || f_->tags.back() == kPathMoveTo) return;
    f_->tags.back() |= kPathClose;
    f_->closed = true;
    current_ = start_;
    open_ = false;
  }

  const GuideValues& v_;
  double sx_, sy_;
  ShapeFigure* f_;
  DrawPoint current_{0, 0}, start_{0, 0};
  bool open_ = false, begun_ = false;
};

void SetAdjusts(const ShapeGeometry& g, const std::vector<GeomFormula>& own, GuideValues* values) {
  for (const GeomFormula& a : g.adjusts) values->Set(a.name, values->Evaluate(a));
  for (size_t i = 0; i < own.size() && i < kMaxGeometryGuides; ++i) {
    const GeomFormula& a = own[i];
    if (values->Has(a.name)) values->Set(a.name, values->Evaluate(a));
    else if (i < g.adjusts.size()) values->Set(g.adjusts[i].name, values->Evaluate(a));
    else values->Set(a.name, values->Evaluate(a));
  }
}

}  // namespace

int32_t EvaluateGeometry(const ShapeGeometry& g, const std::vector<GeomFormula>& adjusts, double width, double height,
                         EvaluatedGeometry* out) {
  if (!out) return XLX_ERR_ARGUMENT;
  out->figures.clear();
  try {
    width = Sane(width, kMaxCoord), height = Sane(height, kMaxCoord);
    GuideValues values(width, height);
    SetAdjusts(g, adjusts, &values);
    for (size_t i = 0; i < g.guides.size() && i < kMaxGeometryGuides; ++i)
      values.Set(g.guides[i].name, values.Evaluate(g.guides[i]));
    const double l = Sane(values.Operand(g.textRect[0]), kMaxCoord), t = Sane(values.Operand(g.textRect[1]), kMaxCoord);
    const double r = Sane(values.Operand(g.textRect[2]), kMaxCoord), b = Sane(values.Operand(g.textRect[3]), kMaxCoord);
    out->textRect = DrawRect{l, t, std::max(0.0, r - l), std::max(0.0, b - t)};
    size_t commands = 0;
    for (const GeomPath& path : g.paths) {
      if (out->figures.size() >= kMaxGeometryPaths) break;
      ShapeFigure figure;
      figure.fill = path.fill;
      figure.stroke = path.stroke;
      const double sx = path.w > 0 ? width / double(path.w) : 1, sy = path.h > 0 ? height / double(path.h) : 1;
      FigureBuilder builder(values, sx, sy, &figure);
      for (const GeomCommand& c : path.commands) {
        if (++commands > kMaxGeometryCommands) break;
        builder.Command(c);
      }
      // A trailing move draws nothing.
      if (!figure.tags.empty() && figure.tags.back() == kPathMoveTo) figure.tags.pop_back(), figure.points.pop_back();
      if (figure.points.size() >= 2) out->figures.push_back(std::move(figure));
    }
  } catch (const std::bad_alloc&) {
    out->figures.clear();
    return XLX_ERR_MEMORY;
  }
  return XLX_OK;
}

}  // namespace xlx
