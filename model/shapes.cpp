#include "model/shapes.h"

#include <cstdlib>
#include <cstring>

namespace xlx {
namespace {

// Splits one line (up to the newline) into blank-separated tokens.
const char* Tokens(const char* p, std::vector<std::string>* out) {
  out->clear();
  while (*p && *p != '\n') {
    while (*p == ' ') ++p;
    const char* start = p;
    while (*p && *p != ' ' && *p != '\n') ++p;
    if (p > start) out->emplace_back(start, p);
  }
  return *p == '\n' ? p + 1 : p;
}

GeomFormula Formula(const std::vector<std::string>& t) {
  GeomFormula f;
  f.name = t[1];
  f.op = t[2];
  for (size_t i = 3; i < t.size() && i < 6; ++i) f.args[i - 3] = t[i];
  return f;
}

uint8_t PathFill(const std::string& code) {
  static const char kCodes[] = "nNdDlL";
  const char* at = code.empty() ? nullptr : strchr(kCodes, code[0]);
  return at ? static_cast<uint8_t>(at - kCodes) : static_cast<uint8_t>(kPathFillNorm);
}

void AddCommand(const std::vector<std::string>& t, ShapeGeometry* g, size_t* commands) {
  static const char kKinds[] = "MLAQCZ";
  static const size_t kOperands[] = {2, 2, 4, 4, 6, 0};
  if (g->paths.empty() || t[0].size() != 1 || *commands >= kMaxGeometryCommands) return;
  const char* at = strchr(kKinds, t[0][0]);
  if (!at || !*at) return;
  const uint8_t kind = static_cast<uint8_t>(at - kKinds);
  if (t.size() < kOperands[kind] + 1) return;
  GeomCommand c;
  c.kind = kind;
  for (size_t i = 0; i < kOperands[kind]; ++i) c.args[i] = t[i + 1];
  g->paths.back().commands.push_back(std::move(c));
  ++*commands;
}

}  // namespace

void DecodeGeometry(const char* text, ShapeGeometry* g) {
  std::vector<std::string> t;
  size_t commands = 0;
  for (const char* p = text; p && *p;) {
    p = Tokens(p, &t);
    if (t.empty()) continue;
    const std::string& key = t[0];
    if ((key == "v" || key == "g") && t.size() >= 3) {
      std::vector<GeomFormula>& list = key == "v" ? g->adjusts : g->guides;
      if (list.size() < kMaxGeometryGuides) list.push_back(Formula(t));
    } else if (key == "r" && t.size() == 5) {
      for (int i = 0; i < 4; ++i) g->textRect[i] = t[i + 1];
    } else if (key == "p" && t.size() == 5) {
      if (g->paths.size() >= kMaxGeometryPaths) continue;
      GeomPath path;
      path.w = std::strtoll(t[1].c_str(), nullptr, 10);
      path.h = std::strtoll(t[2].c_str(), nullptr, 10);
      path.fill = PathFill(t[3]);
      path.stroke = t[4] != "0";
      g->paths.push_back(std::move(path));
    } else {
      AddCommand(t, g, &commands);
    }
  }
}

namespace {

bool FindIn(const PresetShapeText* table, int32_t count, const char* name, ShapeGeometry* geometry) {
  if (!name) return false;
  int32_t low = 0, high = count;
  while (low < high) {
    const int32_t mid = (low + high) / 2;
    const int c = strcmp(table[mid].name, name);
    if (c == 0) {
      *geometry = ShapeGeometry();
      DecodeGeometry(table[mid].text, geometry);
      return true;
    }
    if (c < 0) low = mid + 1;
    else high = mid;
  }
  return false;
}

}  // namespace

bool FindPresetGeometry(const char* name, ShapeGeometry* geometry) {
  return FindIn(kPresetShapes, kPresetShapeCount, name, geometry);
}

bool FindTextWarpGeometry(const char* name, ShapeGeometry* geometry) {
  return FindIn(kPresetTextWarps, kPresetTextWarpCount, name, geometry);
}

}  // namespace xlx
