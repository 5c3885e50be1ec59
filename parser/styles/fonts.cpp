// Fonts of the styles part: cell fonts, rich-text run fonts, the sheet's normal font and the
// fonts of differential formats. Each reads the same elements with its own inheritance rules.
#include <cstring>

#include "common/apiutils.h"
#include "model/modellimits.h"
#include "parser/xlsxprsr.h"
#include "parser/styles/color.h"
#include "parser/xml/dom.h"

namespace xlx {

namespace {

constexpr double kDefaultFontPoints = 11.0;

double PointsToPixels(double points, int32_t dpi) {
  if (!(points > 0)) points = 0;
  if (points > kMaxFontPoints) points = kMaxFontPoints;
  return points * dpi / 72.0;
}

void SetPixelSize(MyLogFont* font, double pixels) {
  font->lfUnconvertedFontSize = pixels;
  font->lfHeight = -static_cast<int32_t>(pixels + 0.5);
}

void SetFace(MyLogFont* font, const char* utf8) {
  CopyTruncated(font->lfFaceName, kMaxFaceNameUnits + 1, ToUtf16(utf8));
}

// The face an element names: `name`, else `rFont` (run properties); null when neither has a value.
const char* FaceOf(pugi::xml_node node) {
  pugi::xml_node name = Child(node, "name");
  if (!name) name = Child(node, "rFont");
  const char* value = name.attribute("val").value();
  return *value ? value : nullptr;
}

bool SizeOf(pugi::xml_node node, double* points) {
  return ReadDouble(Child(node, "sz").attribute("val"), points);
}

uint8_t ByteOf(pugi::xml_attribute a, uint8_t fallback) {
  int32_t value = 0;
  if (!ReadInt(a, &value)) return fallback;
  return value < 0 ? 0 : value > 255 ? 255 : uint8_t(value);
}

// A flag element (`i`, `strike`): absent 0, present without `val` 1, else the boolean reading.
uint8_t FlagOf(pugi::xml_node element) {
  if (!element) return 0;
  pugi::xml_attribute val = element.attribute("val");
  return !val || ReadBool(val) ? 1 : 0;
}

// `u`: absent 0, present without `val` 1. With a `val`, "double" and "doubleAccounting" give 2,
// "none" and a false boolean 0, every other kind (single, singleAccounting) 1.
uint8_t UnderlineOf(pugi::xml_node element) {
  if (!element) return 0;
  pugi::xml_attribute val = element.attribute("val");
  if (!val) return 1;
  const char* v = val.value();
  if (strcmp(v, "double") == 0 || strcmp(v, "doubleAccounting") == 0) return 2;
  return strcmp(v, "none") == 0 || strcmp(v, "0") == 0 || strcmp(v, "false") == 0 ? 0 : 1;
}

// `vertAlign`: superscript and subscript; anything else is the baseline.
uint8_t VertAlignOf(pugi::xml_node element) {
  const char* v = element.attribute("val").value();
  if (strcmp(v, "superscript") == 0) return kVertAlignSuperscript;
  return strcmp(v, "subscript") == 0 ? kVertAlignSubscript : kVertAlignBaseline;
}

// `b`: absent 400; present without `val` 700; with `val` 700 when it reads true.
int32_t WeightOf(pugi::xml_node element) {
  if (!element) return 400;
  pugi::xml_attribute val = element.attribute("val");
  return !val || ReadBool(val) ? 700 : 400;
}

// Text colour of a font's `color`. `auto`, or an element that names no colour, is the automatic
// text colour, which is the window-text colour, never the sheet background; every other element
// resolves like any colour, white included, so that white text stays white.
CellColor FontColorOf(const Workbook& workbook, pugi::xml_node color) {
  bool names = color.attribute("rgb") || color.attribute("indexed") || color.attribute("theme");
  if (!names || ReadBool(color.attribute("auto"))) return SystemColor(kSystemWindowText);
  return ResolveColorAttributes(workbook, color);
}

}  // namespace

void ReadFont(MyLogFont* font, const Workbook& workbook, pugi::xml_node node, bool isFirst, const MyLogFont* parent) {
  bool inherits = !isFirst && parent;
  if (pugi::xml_node color = Child(node, "color")) font->color = FontColorOf(workbook, color);

  if (const char* face = FaceOf(node)) SetFace(font, face);
  else if (inherits) memcpy(font->lfFaceName, parent->lfFaceName, sizeof(font->lfFaceName));
  else SetFace(font, "Calibri");

  double points = 0;
  if (SizeOf(node, &points)) SetPixelSize(font, PointsToPixels(points, workbook.dpi));
  else if (inherits) SetPixelSize(font, parent->lfUnconvertedFontSize);
  else SetPixelSize(font, PointsToPixels(kDefaultFontPoints, workbook.dpi));

  font->lfWeight = WeightOf(Child(node, "b"));
  font->lfCharSet = ByteOf(Child(node, "charset").attribute("val"), 1);
  font->lfItalic = FlagOf(Child(node, "i"));
  font->lfStrikeOut = FlagOf(Child(node, "strike"));
  font->lfUnderline = UnderlineOf(Child(node, "u"));
  font->vertAlign = VertAlignOf(Child(node, "vertAlign"));
  font->lfPitchAndFamily = ByteOf(Child(node, "family").attribute("val"), 0);
}

void ReadNormalFont(pugi::xml_node node, int32_t dpi, MyLogFont* font, double* sizePt) {
  double points = kDefaultFontPoints;
  if (!SizeOf(node, &points)) points = kDefaultFontPoints;
  if (points < 0) points = 0;
  if (points > kMaxFontPoints) points = kMaxFontPoints;
  if (sizePt) *sizePt = points;
  SetPixelSize(font, PointsToPixels(points, dpi));
  // Here only an explicit true `val` counts for bold, italic and strike-out, and underline needs
  // a `val` other than "none".
  font->lfWeight = ReadBool(Child(node, "b").attribute("val")) ? 700 : 400;
  font->lfCharSet = ByteOf(Child(node, "charset").attribute("val"), 1);
  font->lfItalic = ReadBool(Child(node, "i").attribute("val")) ? 1 : 0;
  font->lfStrikeOut = ReadBool(Child(node, "strike").attribute("val")) ? 1 : 0;
  pugi::xml_node u = Child(node, "u");
  font->lfUnderline = u.attribute("val") ? UnderlineOf(u) : 0;
  font->lfPitchAndFamily = ByteOf(Child(node, "family").attribute("val"), 0);
  SetFace(font, Child(node, "name").attribute("val").value());
}

void ReadDxfFont(DxfFont* dxfFont, const Workbook& workbook, pugi::xml_node node) {
  MyLogFont* font = &dxfFont->font;
  uint32_t flags = 0;
  if (pugi::xml_node color = Child(node, "color")) {
    font->color = FontColorOf(workbook, color);
    flags |= kDxfFontColor;
  }
  if (const char* face = FaceOf(node)) {
    SetFace(font, face);
    flags |= kDxfFontName;
  }
  double points = 0;
  if (SizeOf(node, &points)) {
    SetPixelSize(font, PointsToPixels(points, workbook.dpi));
    flags |= kDxfFontSize;
  }
  if (pugi::xml_node b = Child(node, "b")) {
    font->lfWeight = WeightOf(b);
    flags |= kDxfFontBold;
  }
  if (pugi::xml_node i = Child(node, "i")) {
    font->lfItalic = FlagOf(i);
    flags |= kDxfFontItalic;
  }
  if (pugi::xml_node strike = Child(node, "strike")) {
    font->lfStrikeOut = FlagOf(strike);
    flags |= kDxfFontStrike;
  }
  if (pugi::xml_node u = Child(node, "u")) {
    font->lfUnderline = UnderlineOf(u);
    flags |= kDxfFontUnderline;
  }
  if (pugi::xml_node charset = Child(node, "charset")) {
    font->lfCharSet = ByteOf(charset.attribute("val"), 1);
    flags |= kDxfFontCharset;
  }
  if (pugi::xml_node family = Child(node, "family")) {
    font->lfPitchAndFamily = ByteOf(family.attribute("val"), 0);
    flags |= kDxfFontFamily;
  }
  dxfFont->flags = flags;
}

}  // namespace xlx
