// Values of VML attributes: lengths, colours, booleans and the CSS-like `style` attribute.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "shapes/reader/vml.h"

namespace xlx {
namespace {

constexpr double kMaxLengthPt = 1e7;

CellColor Rgb(uint32_t r, uint32_t g, uint32_t b) { return 0xFF000000u | (b << 16) | (g << 8) | r; }
CellColor Hex(uint32_t rrggbb) { return Rgb((rrggbb >> 16) & 0xFF, (rrggbb >> 8) & 0xFF, rrggbb & 0xFF); }

bool EqualsNoCase(std::string_view a, const char* b) {
  const size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

struct NamedColor {
  const char* name;
  uint32_t rgb;
};

// The sixteen colours of HTML 4.
constexpr NamedColor kHtmlColors[] = {
    {"black", 0x000000}, {"silver", 0xC0C0C0}, {"gray", 0x808080},   {"white", 0xFFFFFF},
    {"maroon", 0x800000}, {"red", 0xFF0000},   {"purple", 0x800080}, {"fuchsia", 0xFF00FF},
    {"green", 0x008000}, {"lime", 0x00FF00},   {"olive", 0x808000}, {"yellow", 0xFFFF00},
    {"navy", 0x000080},  {"blue", 0x0000FF},   {"teal", 0x008080},   {"aqua", 0x00FFFF},
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

bool ParseHashColor(std::string_view s, CellColor* color) {
  size_t n = 0;
  while (n < s.size() && n < 6 && HexDigit(s[n]) >= 0) ++n;
  if (n < s.size() && !std::isspace(static_cast<unsigned char>(s[n]))) return false;
  uint32_t v = 0;
  if (n == 6) {
    for (size_t i = 0; i < 6; ++i) v = v * 16 + uint32_t(HexDigit(s[i]));
  } else if (n == 3) {
    for (size_t i = 0; i < 3; ++i) v = v * 256 + uint32_t(HexDigit(s[i])) * 17;
  } else {
    return false;
  }
  *color = Hex(v);
  return true;
}

// "lighten(n)" mixes towards white, "darken(n)" towards black, by n / 255.
bool ParseRelative(std::string_view s, CellColor base, CellColor* color) {
  const bool lighten = s.substr(0, 8) == "lighten(", darken = s.substr(0, 7) == "darken(";
  if (!lighten && !darken) {
    if (!s.empty()) return false;
    *color = base;
    return true;
  }
  const std::string digits(s.substr(lighten ? 8 : 7, 8));
  const double n = std::clamp(std::atof(digits.c_str()), 0.0, 255.0) / 255.0;
  uint32_t c[3] = {base & 0xFF, (base >> 8) & 0xFF, (base >> 16) & 0xFF};
  for (uint32_t& v : c) v = uint32_t(std::lround(lighten ? 255 - (255 - v) * n : v * n));
  *color = Rgb(c[0], c[1], c[2]);
  return true;
}

}  // namespace

double VmlLengthPt(std::string_view text, double unitlessPt) {
  text = Trim(text);
  if (text.empty()) return 0;
  const std::string s(text.substr(0, 64));
  const double v = std::strtod(s.c_str(), nullptr);
  if (!std::isfinite(v)) return 0;
  static const struct {
    const char* unit;
    double pt;  // points per unit
  } kUnits[] = {{"cm", 72 / 2.54}, {"mm", 72 / 25.4}, {"in", 72}, {"pt", 1}, {"pc", 12},
                {"px", 0.75},      {"em", 1 / 12700.0}, {"%", 0}, {"f", 0}};
  double scale = unitlessPt;
  for (const auto& u : kUnits) {
    if (s.find(u.unit) != std::string::npos) {
      scale = u.pt == 0 ? 1 : u.pt;
      break;
    }
  }
  return std::clamp(v * scale, -kMaxLengthPt, kMaxLengthPt);
}

bool ParseVmlColor(std::string_view text, CellColor base, CellColor* color) {
  text = Trim(text);
  if (text.empty()) return false;
  if (text[0] == '#') return ParseHashColor(text.substr(1), color);
  const size_t blank = text.find_first_of(" \t");
  const std::string_view word = text.substr(0, blank);
  if (EqualsNoCase(word, "fill") || EqualsNoCase(word, "line")) {
    return ParseRelative(blank == std::string_view::npos ? std::string_view() : Trim(text.substr(blank)), base, color);
  }
  for (const NamedColor& c : kHtmlColors)
    if (EqualsNoCase(word, c.name)) return *color = Hex(c.rgb), true;
  if (VmlSystemColor(word, color)) return true;
  // "none [81]": the colour of the bracketed index of the application's palette.
  const size_t open = text.find('[');
  if (open != std::string_view::npos) {
    const int index = std::atoi(std::string(text.substr(open + 1, 8)).c_str());
    static const struct {
      int index;
      const char* name;
    } kIndexed[] = {{64, "windowText"}, {65, "window"}, {67, "buttonFace"}, {80, "infoBackground"}, {81, "infoText"}};
    for (const auto& k : kIndexed)
      if (k.index == index) return VmlSystemColor(k.name, color);
  }
  if (EqualsNoCase(word, "auto") || EqualsNoCase(word, "none")) return false;
  // Other names (the wider CSS set) are not part of what VML writers put here.
  *color = Hex(0);
  return true;
}

bool VmlBool(const char* text, bool absent) {
  if (!text) return absent;
  const std::string_view s = Trim(text);
  for (const char* t : {"t", "true", "1", "on", "yes", "y"})
    if (EqualsNoCase(s, t)) return true;
  return s.empty() ? absent : false;
}

void ReadVmlStyle(std::string_view style, double unitlessPt, VmlShape* shape) {
  double left = 0, top = 0, marginLeft = 0, marginTop = 0;
  while (!style.empty()) {
    const size_t semi = style.find(';');
    const std::string_view entry = style.substr(0, semi);
    style = semi == std::string_view::npos ? std::string_view() : style.substr(semi + 1);
    const size_t colon = entry.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view name = Trim(entry.substr(0, colon)), value = Trim(entry.substr(colon + 1));
    if (EqualsNoCase(name, "left")) left = VmlLengthPt(value, unitlessPt);
    else if (EqualsNoCase(name, "top")) top = VmlLengthPt(value, unitlessPt);
    else if (EqualsNoCase(name, "margin-left")) marginLeft = VmlLengthPt(value, unitlessPt);
    else if (EqualsNoCase(name, "margin-top")) marginTop = VmlLengthPt(value, unitlessPt);
    else if (EqualsNoCase(name, "width")) shape->width = std::max(0.0, VmlLengthPt(value, unitlessPt));
    else if (EqualsNoCase(name, "height")) shape->height = std::max(0.0, VmlLengthPt(value, unitlessPt));
    else if (EqualsNoCase(name, "visibility")) shape->hidden = EqualsNoCase(value, "hidden");
    else if (EqualsNoCase(name, "z-index")) shape->zIndex = int32_t(std::clamp(std::atof(std::string(value.substr(0, 16)).c_str()), -1e9, 1e9));
    else if (EqualsNoCase(name, "rotation")) {
      const double v = VmlLengthPt(value, 1);
      shape->rotation = value.find('f') != std::string_view::npos ? v / 65536 : v;
      shape->rotation = std::fmod(shape->rotation, 360.0);
    } else if (EqualsNoCase(name, "flip")) {
      shape->flipX = value.find('x') != std::string_view::npos;
      shape->flipY = value.find('y') != std::string_view::npos;
    }
  }
  shape->left = left + marginLeft;
  shape->top = top + marginTop;
}

}  // namespace xlx
