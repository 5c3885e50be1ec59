// The VML path language, formulas of legacy shape types, and arcs as Bezier segments.
#include "shapes/vmlpath.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "common/resultcodes.h"

namespace xlx {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kFd = 65536.0;     // fixed-point degrees of formula angles
constexpr double kMaxValue = 1e9;   // formula and path values are kept within this

double Finite(double v) { return std::isfinite(v) ? std::clamp(v, -kMaxValue, kMaxValue) : 0; }

// The value of one formula argument or path parameter.
struct ValueSource {
  const std::vector<double>& values;
  const std::vector<int32_t>& adjusts;
  const VmlPathSpace& space;

  double Index(const std::string_view& digits, bool formula) const {
    const std::string s(digits.substr(0, 12));
    const long i = std::strtol(s.c_str(), nullptr, 10);
    if (formula) return i >= 0 && size_t(i) < values.size() ? values[size_t(i)] : 0;
    return i >= 0 && size_t(i) < adjusts.size() && adjusts[size_t(i)] != INT32_MIN ? adjusts[size_t(i)] : 0;
  }

  double Named(const std::string_view& name) const {
    const DrawRect& r = space.rect;
    struct Measure {
      const char* name;
      double value;
    };
    const Measure measures[] = {
        {"width", space.coordWidth},        {"height", space.coordHeight},
        {"xcenter", space.coordLeft + space.coordWidth / 2}, {"ycenter", space.coordTop + space.coordHeight / 2},
        {"xrange", space.coordWidth},       {"yrange", space.coordHeight},
        {"xlimo", 0},                       {"ylimo", 0},
        {"hasfill", 1},                     {"hasstroke", 1},
        {"linedrawn", 1},                   {"pixellinewidth", 1},
        {"pixelwidth", r.width},            {"pixelheight", r.height},
        {"emuwidth", r.width * 9525},       {"emuheight", r.height * 9525},
        {"emuwidth2", r.width * 9525 / 2},  {"emuheight2", r.height * 9525 / 2},
    };
    for (const Measure& m : measures) {
      if (name.size() != std::strlen(m.name)) continue;
      bool same = true;
      for (size_t i = 0; i < name.size() && same; ++i)
        same = std::tolower(static_cast<unsigned char>(name[i])) == m.name[i];
      if (same) return m.value;
    }
    return 0;
  }

  double Get(std::string_view token) const {
    if (token.empty()) return 0;
    if (token[0] == '@') return Index(token.substr(1), true);
    if (token[0] == '#') return Index(token.substr(1), false);
    if (std::isalpha(static_cast<unsigned char>(token[0]))) return Named(token);
    const std::string s(token.substr(0, 32));
    return Finite(std::strtod(s.c_str(), nullptr));
  }
};

std::vector<std::string_view> Words(std::string_view s) {
  std::vector<std::string_view> words;
  size_t at = 0;
  while (at < s.size() && words.size() < 8) {
    while (at < s.size() && std::isspace(static_cast<unsigned char>(s[at]))) ++at;
    const size_t start = at;
    while (at < s.size() && !std::isspace(static_cast<unsigned char>(s[at]))) ++at;
    if (at > start) words.push_back(s.substr(start, at - start));
  }
  return words;
}

double Radians(double fd) { return fd / kFd * kPi / 180; }

double Apply(std::string_view op, double v, double p1, double p2) {
  if (op == "val") return v;
  if (op == "sum") return v + p1 - p2;
  if (op == "prod") return p2 == 0 ? 0 : v * p1 / p2;
  if (op == "mid") return (v + p1) / 2;
  if (op == "abs") return std::fabs(v);
  if (op == "min") return std::min(v, p1);
  if (op == "max") return std::max(v, p1);
  if (op == "if") return v > 0 ? p1 : p2;
  if (op == "mod") return std::sqrt(v * v + p1 * p1 + p2 * p2);
  if (op == "atan2") return std::atan2(p1, v) * 180 / kPi * kFd;
  if (op == "sin") return v * std::sin(Radians(p1));
  if (op == "cos") return v * std::cos(Radians(p1));
  if (op == "tan") return v * std::tan(Radians(p1));
  if (op == "cosatan2") return v * std::cos(std::atan2(p2, p1));
  if (op == "sinatan2") return v * std::sin(std::atan2(p2, p1));
  if (op == "sqrt") return v > 0 ? std::sqrt(v) : 0;
  if (op == "sumangle") return v + p1 * kFd - p2 * kFd;
  if (op == "ellipse") {
    if (p1 == 0) return 0;
    const double q = 1 - (v / p1) * (v / p1);
    return q > 0 ? p2 * std::sqrt(q) : 0;
  }
  return 0;
}

// ---- path running --------------------------------------------------------------------------------

bool IsCommandLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

// Two-letter commands; any other letter is a command of its own.
size_t CommandLength(std::string_view s, size_t at) {
  static const char* const kTwo[] = {"nf", "ns", "at", "ar", "wa", "wr", "qx", "qy", "qb", "al", "ae", "ha", "hb",
                                     "hc", "hd", "he", "hf", "hg", "hh", "hi"};
  if (at + 1 < s.size())
    for (const char* c : kTwo)
      if (s[at] == c[0] && s[at + 1] == c[1]) return 2;
  return 1;
}

class PathRunner {
 public:
  PathRunner(const ValueSource& source, std::vector<VmlFigure>* figures) : src_(source), figures_(figures) {}

  void Run(std::string_view path) {
    size_t at = 0;
    while (at < path.size() && points_ < kMaxVmlPathPoints) {
      if (!IsCommandLetter(path[at])) {
        ++at;
        continue;
      }
      const size_t length = CommandLength(path, at);
      const std::string_view command = path.substr(at, length);
      at += length;
      const size_t start = at;
      while (at < path.size() && !IsCommandLetter(path[at])) ++at;
      Params(path.substr(start, at - start));
      Command(command);
    }
  }

 private:
  // Parameters between two commands: numbers and references (@n, #n) separated by commas or
  // blanks, or simply written one after another ("@0@1", "10-5"); an empty comma field is 0.
  void Params(std::string_view text) {
    params_.clear();
    if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) return;
    bool fieldHasValue = false;
    for (size_t i = 0; i < text.size() && params_.size() < kMaxVmlPathPoints;) {
      const char ch = text[i];
      if (ch == ',') {
        if (!fieldHasValue) params_.push_back(0);
        fieldHasValue = false;
        ++i;
        continue;
      }
      size_t j = i + 1;
      if (ch == '@' || ch == '#') {
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
      } else if (ch == '-' || ch == '+' || ch == '.' || std::isdigit(static_cast<unsigned char>(ch))) {
        while (j < text.size() && (std::isdigit(static_cast<unsigned char>(text[j])) || text[j] == '.')) ++j;
      } else {
        i = j;  // blanks and stray characters separate values
        continue;
      }
      params_.push_back(src_.Get(text.substr(i, j - i)));
      fieldHasValue = true;
      i = j;
    }
    if (!fieldHasValue && params_.size() < kMaxVmlPathPoints) params_.push_back(0);
  }

  double P(size_t i) const { return i < params_.size() ? params_[i] : 0; }
  DrawPoint Map(double x, double y) const {
    const VmlPathSpace& s = src_.space;
    const double w = s.coordWidth == 0 ? 1 : s.coordWidth, h = s.coordHeight == 0 ? 1 : s.coordHeight;
    return DrawPoint{s.rect.left + (x - s.coordLeft) * s.rect.width / w, s.rect.top + (y - s.coordTop) * s.rect.height / h};
  }

  VmlFigure& Figure() {
    if (!open_) {
      figures_->emplace_back();
      figures_->back().filled = filled_, figures_->back().stroked = stroked_;
      open_ = true;
    }
    return figures_->back();
  }

  void Add(DrawPoint p, uint8_t tag) {
    if (points_ >= kMaxVmlPathPoints) return;
    VmlFigure& f = Figure();
    if (f.points.empty() && tag != kPathMoveTo) {
      f.points.push_back(Map(curX_, curY_));
      f.tags.push_back(kPathMoveTo);
    }
    f.points.push_back(p);
    f.tags.push_back(tag);
    ++points_;
  }

  void MoveTo(double x, double y) {
    open_ = false;
    curX_ = x, curY_ = y;
    Add(Map(x, y), kPathMoveTo);
  }
  void LineTo(double x, double y) {
    curX_ = x, curY_ = y;
    Add(Map(x, y), kPathLineTo);
  }
  void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
    Add(Map(x1, y1), kPathBezierTo);
    Add(Map(x2, y2), kPathBezierTo);
    Add(Map(x3, y3), kPathBezierTo);
    curX_ = x3, curY_ = y3;
  }

  void Close() {
    if (open_ && !figures_->back().tags.empty()) figures_->back().tags.back() |= kPathClose;
    open_ = false;
  }

  // at/ar/wa/wr: a box and two points on rays from its centre.
  void BoxArc(bool clockwise, bool join) {
    for (size_t i = 0; i + 8 <= std::max<size_t>(params_.size(), 8); i += 8) {
      const double l = P(i), t = P(i + 1), r = P(i + 2), b = P(i + 3);
      const double cx = (l + r) / 2, cy = (t + b) / 2, rx = std::fabs(r - l) / 2, ry = std::fabs(b - t) / 2;
      const auto angle = [&](double x, double y) {
        return std::atan2((y - cy) / (ry == 0 ? 1 : ry), (x - cx) / (rx == 0 ? 1 : rx)) * 180 / kPi;
      };
      const double a1 = angle(P(i + 4), P(i + 5)), a2 = angle(P(i + 6), P(i + 7));
      double sweep = a2 - a1;
      if (clockwise) while (sweep <= 0) sweep += 360;
      else while (sweep >= 0) sweep -= 360;
      Arc(cx, cy, rx, ry, a1, sweep, join);
      if (params_.size() < i + 16) break;
    }
  }

  // al/ae: centre, radii, start and sweep angles in fixed-point degrees.
  void AngleArc(bool join) {
    for (size_t i = 0; i + 6 <= std::max<size_t>(params_.size(), 6); i += 6) {
      Arc(P(i), P(i + 1), P(i + 2), P(i + 3), P(i + 4) / kFd, std::clamp(P(i + 5) / kFd, -360.0, 360.0), join);
      join = true;
      if (params_.size() < i + 12) break;
    }
  }

  // An arc in shape coordinates: the points are mapped one by one, which keeps the ellipse.
  void Arc(double cx, double cy, double rx, double ry, double start, double sweep, bool join) {
    VmlFigure arc;
    AddVmlArc(&arc, cx, cy, rx, ry, start, sweep, false);
    if (arc.points.empty()) return;
    const DrawPoint first = arc.points[0];
    if (join && open_) LineTo(first.x, first.y);
    else MoveTo(first.x, first.y);
    for (size_t k = 1; k < arc.points.size(); ++k) Add(Map(arc.points[k].x, arc.points[k].y), arc.tags[k]);
    curX_ = arc.points.back().x, curY_ = arc.points.back().y;
  }

  // qx/qy: quarter ellipses to each point, turning between along-x and along-y starts.
  void Quadrants(bool alongX) {
    constexpr double k = 0.5522847498;
    for (size_t i = 0; i + 1 < params_.size() || i == 0; i += 2) {
      const double x = P(i), y = P(i + 1), dx = x - curX_, dy = y - curY_;
      if (alongX) CurveTo(curX_ + k * dx, curY_, x, y - k * dy, x, y);
      else CurveTo(curX_, curY_ + k * dy, x - k * dx, y, x, y);
      alongX = !alongX;
      if (params_.size() < i + 4) break;
    }
  }

  void Command(std::string_view c) {
    const size_t n = params_.size();
    if (c == "m") MoveTo(P(0), P(1));
    else if (c == "t") MoveTo(curX_ + P(0), curY_ + P(1));
    else if (c == "l") for (size_t i = 0; i < std::max<size_t>(n, 2); i += 2) LineTo(P(i), P(i + 1));
    else if (c == "r") for (size_t i = 0; i < std::max<size_t>(n, 2); i += 2) LineTo(curX_ + P(i), curY_ + P(i + 1));
    else if (c == "c") for (size_t i = 0; i < std::max<size_t>(n, 6); i += 6) CurveTo(P(i), P(i + 1), P(i + 2), P(i + 3), P(i + 4), P(i + 5));
    else if (c == "v") {
      for (size_t i = 0; i < std::max<size_t>(n, 6); i += 6) {
        const double x = curX_, y = curY_;
        CurveTo(x + P(i), y + P(i + 1), x + P(i + 2), y + P(i + 3), x + P(i + 4), y + P(i + 5));
      }
    } else if (c == "x") Close();
    else if (c == "e") {
      open_ = false;
      filled_ = stroked_ = true;
    } else if (c == "nf") filled_ = false, open_ = false;
    else if (c == "ns") stroked_ = false, open_ = false;
    else if (c == "at") BoxArc(false, true);
    else if (c == "ar") BoxArc(false, false);
    else if (c == "wa") BoxArc(true, true);
    else if (c == "wr") BoxArc(true, false);
    else if (c == "qx") Quadrants(true);
    else if (c == "qy") Quadrants(false);
    else if (c == "ae") AngleArc(true);
    else if (c == "al") AngleArc(false);
    else if (c == "qb") {  // quadratic Bezier spline: control point then end point, pairwise
      for (size_t i = 0; i + 3 < std::max<size_t>(n, 4); i += 2) {
        const double qx = P(i), qy = P(i + 1), ex = P(i + 2), ey = P(i + 3);
        CurveTo(curX_ + 2.0 / 3 * (qx - curX_), curY_ + 2.0 / 3 * (qy - curY_), ex + 2.0 / 3 * (qx - ex),
                ey + 2.0 / 3 * (qy - ey), ex, ey);
        if (n < i + 6) break;
      }
    }
    // The h* commands (handles and editing hints) and unknown letters draw nothing.
  }

  const ValueSource& src_;
  std::vector<VmlFigure>* figures_;
  std::vector<double> params_;
  double curX_ = 0, curY_ = 0;
  bool open_ = false, filled_ = true, stroked_ = true;
  size_t points_ = 0;
};

int32_t BuildPath(VkPath** path, const std::vector<VmlFigure>& figures, bool fill) {
  int32_t rc = CreateDrawPath(path);
  if (rc != XLX_OK) return rc;
  for (const VmlFigure& f : figures) {
    if ((fill ? !f.filled : !f.stroked) || f.points.size() < 2) continue;
    rc = AddDrawPolyDrawToPath(*path, f.points.data(), f.tags.data(), int32_t(f.points.size()));
    if (rc != XLX_OK) return rc;
  }
  return EndDrawPath(*path);
}

}  // namespace

std::vector<int32_t> MergeVmlAdjusts(const char* defaults, const std::vector<int32_t>& own) {
  std::vector<int32_t> out;
  const char* s = defaults ? defaults : "";
  while (*s && out.size() < 16) {
    char* end = nullptr;
    const double v = std::strtod(s, &end);
    out.push_back(end == s ? 0 : int32_t(std::clamp(v, -1e9, 1e9)));
    s = std::strchr(s, ',');
    if (!s) break;
    ++s;
  }
  for (size_t i = 0; i < own.size() && i < 16; ++i) {
    if (own[i] == INT32_MIN) continue;
    if (out.size() <= i) out.resize(i + 1, 0);
    out[i] = own[i];
  }
  return out;
}

std::vector<std::string> SplitVmlFormulas(const char* joined) {
  std::vector<std::string> out;
  const char* s = joined ? joined : "";
  while (*s && out.size() < kMaxVmlFormulas) {
    const char* semi = std::strchr(s, ';');
    out.emplace_back(s, semi ? size_t(semi - s) : std::strlen(s));
    if (!semi) break;
    s = semi + 1;
  }
  return out;
}

std::vector<double> EvaluateVmlFormulas(const std::vector<std::string>& formulas, const std::vector<int32_t>& adjusts,
                                        const VmlPathSpace& space) {
  std::vector<double> values;
  values.reserve(std::min(formulas.size(), kMaxVmlFormulas));
  const ValueSource source{values, adjusts, space};
  for (size_t i = 0; i < formulas.size() && i < kMaxVmlFormulas; ++i) {
    const std::vector<std::string_view> w = Words(formulas[i]);
    if (w.empty()) {
      values.push_back(0);
      continue;
    }
    const double v = w.size() > 1 ? source.Get(w[1]) : 0, p1 = w.size() > 2 ? source.Get(w[2]) : 0,
                 p2 = w.size() > 3 ? source.Get(w[3]) : 0;
    values.push_back(Finite(Apply(w[0], v, p1, p2)));
  }
  return values;
}

int32_t BuildVmlPath(std::string_view path, const std::vector<double>& values, const std::vector<int32_t>& adjusts,
                     const VmlPathSpace& space, std::vector<VmlFigure>* figures) {
  if (!figures) return XLX_ERR_ARGUMENT;
  figures->clear();
  try {
    const ValueSource source{values, adjusts, space};
    PathRunner(source, figures).Run(path);
  } catch (const std::bad_alloc&) {
    figures->clear();
    return XLX_ERR_MEMORY;
  }
  return XLX_OK;
}

DrawRect VmlTextRect(std::string_view rect, const std::vector<double>& values, const std::vector<int32_t>& adjusts,
                     const VmlPathSpace& space) {
  const ValueSource source{values, adjusts, space};
  double v[4] = {0, 0, 0, 0};
  size_t at = 0;
  for (double& x : v) {
    const size_t comma = rect.find(',', at);
    const std::vector<std::string_view> w = Words(rect.substr(at, comma == std::string_view::npos ? rect.npos : comma - at));
    x = w.empty() ? 0 : source.Get(w[0]);
    if (comma == std::string_view::npos) break;
    at = comma + 1;
  }
  const DrawRect& r = space.rect;
  const double w = space.coordWidth == 0 ? 1 : space.coordWidth, h = space.coordHeight == 0 ? 1 : space.coordHeight;
  if (rect.empty() || v[2] <= v[0] || v[3] <= v[1]) return r;
  return DrawRect{r.left + (v[0] - space.coordLeft) * r.width / w, r.top + (v[1] - space.coordTop) * r.height / h,
                  (v[2] - v[0]) * r.width / w, (v[3] - v[1]) * r.height / h};
}

void AddVmlArc(VmlFigure* f, double cx, double cy, double rx, double ry, double start, double sweep, bool join) {
  if (!std::isfinite(start) || !std::isfinite(sweep) || sweep == 0) return;
  sweep = std::clamp(sweep, -360.0, 360.0);
  const int32_t pieces = std::max(1, int32_t(std::ceil(std::fabs(sweep) / 90 - 1e-9)));
  const double step = sweep / pieces * kPi / 180;
  const double k = 4.0 / 3 * std::tan(step / 4);
  double a = start * kPi / 180;
  const auto at = [&](double t) { return DrawPoint{cx + rx * std::cos(t), cy + ry * std::sin(t)}; };
  f->points.push_back(at(a));
  f->tags.push_back(join && !f->points.empty() ? kPathLineTo : kPathMoveTo);
  if (f->points.size() == 1) f->tags.back() = kPathMoveTo;
  for (int32_t i = 0; i < pieces; ++i) {
    const double b = a + step;
    const DrawPoint p0 = at(a), p3 = at(b);
    f->points.push_back({p0.x - k * rx * std::sin(a), p0.y + k * ry * std::cos(a)});
    f->points.push_back({p3.x + k * rx * std::sin(b), p3.y - k * ry * std::cos(b)});
    f->points.push_back(p3);
    for (int j = 0; j < 3; ++j) f->tags.push_back(kPathBezierTo);
    a = b;
  }
}

int32_t DrawVmlFigures(DrawingSurface* surface, const std::vector<VmlFigure>& figures, const VkPen* pen,
                       const VkBrush* brush) {
  int32_t rc = XLX_OK;
  for (int pass = 0; pass < 2 && rc == XLX_OK; ++pass) {
    const bool fill = pass == 0;
    if (fill ? !brush : !pen) continue;
    VkPath* path = nullptr;
    rc = BuildPath(&path, figures, fill);
    if (rc == XLX_OK) rc = fill ? FillDrawPath(surface, path, brush) : StrokeDrawPath(surface, path, pen);
    DeleteDrawPath(path);
  }
  return rc;
}

}  // namespace xlx
