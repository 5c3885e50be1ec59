// Fills, borders and alignment of the styles part, shared by cell formats and differential
// formats.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "parser/xlsxprsr.h"
#include "parser/styles/color.h"
#include "parser/xml/dom.h"

namespace xlx {

namespace {

struct NameValue {
  const char* name;
  int32_t value;
};

// The value of `text` in a name table; false when it is not there.
template <size_t N>
bool LookupName(const NameValue (&table)[N], const char* text, int32_t* value) {
  for (const NameValue& entry : table) {
    if (strcmp(entry.name, text) == 0) {
      *value = entry.value;
      return true;
    }
  }
  return false;
}

const NameValue kHorizontal[] = {
    {"general", kHAlignGeneral}, {"left", kHAlignLeft}, {"center", kHAlignCenter}, {"right", kHAlignRight},
    {"fill", kHAlignFill}, {"justify", kHAlignJustify}, {"centerContinuous", kHAlignCenterContinuous},
    {"distributed", kHAlignDistributed},
};
const NameValue kVertical[] = {
    {"top", kVAlignTop}, {"center", kVAlignCenter}, {"bottom", kVAlignBottom}, {"justify", kVAlignJustify},
    {"distributed", kVAlignDistributed},
};
// Eleven border styles onto the six line patterns; the weight is kept beside the pattern.
const NameValue kBorderStyles[] = {
    {"thin", kLineSolid}, {"medium", kLineSolid}, {"thick", kLineSolid}, {"double", kLineSolid},
    {"dashed", kLineDashed}, {"mediumDashed", kLineDashed}, {"dotted", kLineDotted},
    {"dashDot", kLineDashDot}, {"mediumDashDot", kLineDashDot}, {"slantDashDot", kLineDashDot},
    {"dashDotDot", kLineDashDotDot}, {"mediumDashDotDot", kLineDashDotDot}, {"hair", kLineDashDotDot},
};
const NameValue kBorderWeights[] = {
    {"hair", kBorderHair}, {"medium", kBorderMedium}, {"mediumDashed", kBorderMedium},
    {"mediumDashDot", kBorderMedium}, {"mediumDashDotDot", kBorderMedium}, {"slantDashDot", kBorderMedium},
    {"thick", kBorderThick}, {"double", kBorderDouble},
};
const NameValue kHatches[] = {
    {"darkHorizontal", kHatchHorizontal}, {"lightHorizontal", kHatchHorizontal}, {"darkTrellis", kHatchHorizontal},
    {"darkGray", kHatchVertical}, {"darkVertical", kHatchVertical}, {"gray0625", kHatchVertical},
    {"lightGray", kHatchVertical}, {"lightVertical", kHatchVertical},
    {"darkUp", kHatchForwardDiagonal}, {"gray125", kHatchForwardDiagonal}, {"lightUp", kHatchForwardDiagonal},
    {"darkDown", kHatchBackwardDiagonal}, {"lightDown", kHatchBackwardDiagonal},
    {"darkGrid", kHatchCross}, {"lightGrid", kHatchCross}, {"mediumGray", kHatchHorizontal},
    {"lightTrellis", kHatchDiagonalCross},
};

bool IsAuto(pugi::xml_node color) { return ReadBool(color.attribute("auto")); }

// A fill's colour element; one that is present without any attribute is the window-text colour.
CellColor FillColor(const Workbook& workbook, pugi::xml_node color) {
  if (color && !color.first_attribute()) return SystemColor(kSystemWindowText);
  return ResolveColorAttributes(workbook, color);
}

void ReadSolidFill(FillSpec* fill, const Workbook& workbook, pugi::xml_node fg, pugi::xml_node bg, bool isDxf) {
  CellColor bgColor = FillColor(workbook, bg);
  CellColor fgColor = fg ? FillColor(workbook, fg) : bgColor;
  fill->kind = kFillSolid;
  fill->backColor = bgColor;
  fill->foreColor = fgColor;
  if (!fg || !bg) return;
  // Writers disagree on which of the two elements carries a solid colour; these rules pick the
  // one the spreadsheet shows.
  bool fgIndexed = fg.attribute("indexed"), bgIndexed = bg.attribute("indexed");
  if (!isDxf) {
    bool swap = IsAuto(fg) || (fgIndexed && !bgIndexed && !bg.attribute("auto")) || bg.attribute("tint");
    if (swap) {
      fill->foreColor = bgColor;
      fill->backColor = fgColor;
    }
  } else {
    bool keepFg = !IsAuto(fg) && (bgIndexed || (IsAuto(bg) && !fgIndexed));
    fill->foreColor = keepFg ? fgColor : bgColor;
  }
}

void ReadSide(BorderSide* side, const Workbook& workbook, pugi::xml_node node) {
  if (!node) return;
  int32_t pattern = side->pattern;
  const char* style = node.attribute("style").value();
  LookupName(kBorderStyles, style, &pattern);
  side->pattern = pattern;
  int32_t weight = kBorderThin;
  LookupName(kBorderWeights, style, &weight);
  side->weight = weight;
  if (pattern == kLineNone) return;
  pugi::xml_node color = Child(node, "color");
  if (color && !IsAuto(color)) side->color = ResolveColorAttributes(workbook, color);
}

// A fraction attribute clamped to 0..1; `fallback` when absent or not a number.
float Fraction(pugi::xml_attribute a, double fallback) {
  double v = fallback;
  if (a && !ReadDouble(a, &v)) v = fallback;
  return float(std::isfinite(v) ? std::min(1.0, std::max(0.0, v)) : fallback);
}

// The stops and geometry of a `gradientFill`; fewer than two usable stops leave no gradient.
void ReadFillGradient(FillGradient* g, const Workbook& workbook, pugi::xml_node node) {
  *g = FillGradient();
  g->path = std::strcmp(node.attribute("type").value(), "path") == 0;
  double degree = 0;
  if (ReadDouble(node.attribute("degree"), &degree) && std::isfinite(degree)) g->degree = float(std::fmod(degree, 360.0));
  g->left = Fraction(node.attribute("left"), 0), g->right = Fraction(node.attribute("right"), 0);
  g->top = Fraction(node.attribute("top"), 0), g->bottom = Fraction(node.attribute("bottom"), 0);
  struct Stop {
    float position;
    CellColor color;
  };
  Stop stops[kMaxFillGradientStops];
  int32_t n = 0, seen = 0;
  for (pugi::xml_node stop = Child(node, "stop"); stop; stop = stop.next_sibling(stop.name())) {
    if (++seen > 4096) break;  // a hostile list: what came first stands
    Stop one{Fraction(stop.attribute("position"), 0), ResolveColorAttributes(workbook, Child(stop, "color"))};
    if (n < kMaxFillGradientStops) stops[n++] = one;
    else stops[kMaxFillGradientStops - 1] = one;  // the last stop of a long list ends it
  }
  if (n < 2) return;
  std::stable_sort(stops, stops + n, [](const Stop& a, const Stop& b) { return a.position < b.position; });
  for (int32_t i = 0; i < n; ++i) g->positions[i] = stops[i].position, g->colors[i] = stops[i].color;
  g->stopCount = n;
}

}  // namespace

void ReadAlignment(CellAlignment* alignment, pugi::xml_node node) {
  int32_t value = 0;
  if (LookupName(kHorizontal, node.attribute("horizontal").value(), &value)) alignment->horizontal = value;
  if (LookupName(kVertical, node.attribute("vertical").value(), &value)) alignment->vertical = value;
  ReadInt(node.attribute("readingOrder"), &alignment->readingOrder);
  ReadInt(node.attribute("indent"), &alignment->indent);
  ReadInt(node.attribute("relativeIndent"), &alignment->relativeIndent);
  ReadInt(node.attribute("textRotation"), &alignment->textRotation);
  if (pugi::xml_attribute a = node.attribute("justifyLastLine")) alignment->justifyLastLine = ReadBool(a);
  if (pugi::xml_attribute a = node.attribute("shrinkToFit")) alignment->shrinkToFit = ReadBool(a);
  if (pugi::xml_attribute a = node.attribute("wrapText")) alignment->wrapText = ReadBool(a);
}

void ReadBorder(MyBorder* border, const Workbook& workbook, pugi::xml_node node) {
  if (pugi::xml_attribute a = node.attribute("diagonalDown")) border->diagonalDown = ReadBool(a);
  if (pugi::xml_attribute a = node.attribute("diagonalUp")) border->diagonalUp = ReadBool(a);
  if (pugi::xml_attribute a = node.attribute("outline")) border->outline = ReadBool(a);
  ReadSide(&border->left, workbook, Child(node, "left"));
  ReadSide(&border->right, workbook, Child(node, "right"));
  ReadSide(&border->top, workbook, Child(node, "top"));
  ReadSide(&border->bottom, workbook, Child(node, "bottom"));
  ReadSide(&border->diagonal, workbook, Child(node, "diagonal"));
  ReadSide(&border->horizontal, workbook, Child(node, "horizontal"));
  ReadSide(&border->vertical, workbook, Child(node, "vertical"));
  UpdateNoBorder(border);
}

void ReadFill(FillSpec* fill, const Workbook& workbook, pugi::xml_node node, bool isDxf) {
  if (!node) {
    fill->kind = kFillNone;
    return;
  }
  if (pugi::xml_node gradient = Child(node, "gradientFill")) {
    fill->kind = kFillSolid;
    fill->foreColor = ResolveColorAttributes(workbook, Child(Child(gradient, "stop"), "color"));
    ReadFillGradient(&fill->gradient, workbook, gradient);
    return;
  }
  pugi::xml_node pattern = Child(node, "patternFill");
  if (!pattern) return;
  pugi::xml_node fg = Child(pattern, "fgColor"), bg = Child(pattern, "bgColor");
  pugi::xml_attribute type = pattern.attribute("patternType");
  if (!type) {
    if (!fg && !bg) {
      fill->kind = kFillNone;
    } else {
      fill->kind = kFillSolid;
      fill->foreColor = FillColor(workbook, fg ? fg : bg);
    }
    return;
  }
  const char* name = type.value();
  if (strcmp(name, "none") == 0) {
    fill->kind = kFillNone;
  } else if (strcmp(name, "solid") == 0) {
    ReadSolidFill(fill, workbook, fg, bg, isDxf);
  } else {
    fill->backColor = FillColor(workbook, bg);
    int32_t hatch = 0;
    if (LookupName(kHatches, name, &hatch)) {
      fill->kind = kFillPattern;
      fill->foreColor = FillColor(workbook, fg);
      fill->hatch = hatch;
    }
  }
}

void ReadDxf(Dxf* dxf, const Workbook& workbook, pugi::xml_node node) {
  if (pugi::xml_node alignment = Child(node, "alignment")) {
    ReadAlignment(&dxf->alignment, alignment);
    dxf->mask |= kDxfAlignment;
  }
  if (pugi::xml_node border = Child(node, "border")) {
    ReadBorder(&dxf->border, workbook, border);
    dxf->mask |= kDxfBorder;
  }
  if (pugi::xml_node fillNode = Child(node, "fill")) {
    FillSpec* fill = &dxf->fill;
    ReadFill(fill, workbook, fillNode, true);
    if (fill->backColor == 0) fill->backColor = fill->foreColor;
    pugi::xml_node pattern = Child(fillNode, "patternFill");
    if (pattern) {
      pugi::xml_node bg = Child(pattern, "bgColor");
      if (!bg || IsAuto(bg)) fill->backColor = kColorAutomatic;
    }
    dxf->mask |= kDxfFill;
  }
  if (pugi::xml_node font = Child(node, "font")) {
    ReadDxfFont(&dxf->font, workbook, font);
    dxf->mask |= kDxfFont;
  }
  pugi::xml_node numFmt = Child(node, "numFmt");
  if (pugi::xml_attribute code = numFmt.attribute("formatCode")) {
    dxf->numberFormat = ToUtf16(code.value());
    dxf->mask |= kDxfNumberFormat;
  }
}

}  // namespace xlx
