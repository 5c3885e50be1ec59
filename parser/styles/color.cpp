#include "parser/styles/color.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "common/apiutils.h"
#include "model/colortables.h"
#include "parser/xml/dom.h"

namespace xlx {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Hex digits of [p, end) up to the first other character.
uint32_t ReadHex(const char* p, const char* end) {
  uint32_t value = 0;
  for (; p < end; ++p) {
    int d = HexDigit(*p);
    if (d < 0) break;
    value = (value << 4) | uint32_t(d);
  }
  return value;
}

// 0xAARRGGBB -> CellColor with marker 0xFF.
CellColor ArgbToCellColor(uint32_t argb) {
  return MakeCellColor(uint8_t(argb >> 16), uint8_t(argb >> 8), uint8_t(argb));
}

// A number in the leading text of an attribute; 0 when there is none.
double LeadingNumber(const char* text) {
  while (*text == ' ') ++text;
  if (*text == '+') ++text;
  double value = 0;
  std::from_chars(text, text + strlen(text), value);
  return std::isfinite(value) ? value : 0;
}

// A transform amount: percent text ("75%") is divided by 100, thousandths of a percent by 100000.
double TransformAmount(pugi::xml_node transform) {
  const char* text = transform.attribute("val").value();
  double value = LeadingNumber(text);
  return strchr(text, '%') ? value / 100.0 : value / 100000.0;
}

bool HasTransforms(pugi::xml_node element) {
  return Child(element, "lumMod") || Child(element, "lumOff") || Child(element, "shade") || Child(element, "alpha");
}

// Luminance transforms and alpha of a DrawingML colour element, applied to its base colour in
// HSL. `shade` darkens by scaling the lightness, and the lightness is kept within 0..1, so that
// heavy transforms saturate at black and white instead of wrapping.
CellColor ApplyTransforms(CellColor base, pugi::xml_node element) {
  double h, s, l;
  RgbToHsl(base, &h, &s, &l);
  if (pugi::xml_node t = Child(element, "lumMod")) l *= TransformAmount(t);
  if (pugi::xml_node t = Child(element, "lumOff")) l += TransformAmount(t);
  if (pugi::xml_node t = Child(element, "shade")) l *= TransformAmount(t);
  if (l < 0) l = 0;
  if (l > 1) l = 1;
  double alpha = 1.0;
  if (pugi::xml_node t = Child(element, "alpha")) alpha = LeadingNumber(t.attribute("val").value()) / 100000.0;
  return HslToColor(h, s, l, alpha);
}

CellColor HslElementColor(pugi::xml_node hsl) {
  double hue = LeadingNumber(hsl.attribute("hue").value()) / 21600000.0;
  double sat = LeadingNumber(hsl.attribute("sat").value()) / 100000.0;
  double lum = LeadingNumber(hsl.attribute("lum").value()) / 100000.0;
  return HslToColor(hue, sat, lum, 1.0);
}

CellColor ScRgbElementColor(pugi::xml_node scrgb) {
  auto channel = [&](const char* name) {
    double v = LeadingNumber(scrgb.attribute(name).value()) * 255.0 / 100000.0;
    return v <= 0 ? uint8_t(0) : v >= 255 ? uint8_t(255) : uint8_t(v);
  };
  return MakeCellColor(channel("r"), channel("g"), channel("b"));
}

CellColor SystemColorByName(const char* name) {
  if (strcmp(name, "window") == 0) return SystemColor(kSystemWindow);
  if (strcmp(name, "infoText") == 0) return SystemColor(kSystemTooltipText);
  return SystemColor(kSystemWindowText);
}

// `a:sysClr`: the colour the writer saw (`lastClr`), else the system colour named by `val`.
CellColor SysElementColor(pugi::xml_node sys) {
  pugi::xml_attribute last = sys.attribute("lastClr");
  if (last && *last.value()) return HexToCellColor(last.value());
  return SystemColorByName(sys.attribute("val").value());
}

}  // namespace

CellColor SystemColor(SystemColorKind kind) {
  return kind == kSystemWindow ? MakeCellColor(255, 255, 255) : MakeCellColor(0, 0, 0);
}

uint32_t ParseHexColor(const char* text) {
  if (!text || !*text) return 0;
  size_t n = strlen(text);
  if (n <= 6) return ReadHex(text, text + n) & 0xFFFFFFu;
  uint32_t alpha = ReadHex(text, text + 2) & 0xFFu;
  return (alpha << 24) | (ReadHex(text + 2, text + n) & 0xFFFFFFu);
}

CellColor HexToCellColor(const char* text) { return ArgbToCellColor(ParseHexColor(text)); }

CellColor ResolveColorAttributes(const Workbook& workbook, pugi::xml_node color) {
  if (!color) return SystemColor(kSystemWindowText);
  CellColor result;
  int32_t index = 0;
  if (pugi::xml_attribute rgb = color.attribute("rgb")) {
    result = HexToCellColor(rgb.value());
  } else if (pugi::xml_attribute indexed = color.attribute("indexed")) {
    ReadInt(indexed, &index);
    result = IndexedColor(workbook, index);
  } else if (pugi::xml_attribute theme = color.attribute("theme")) {
    if (!ReadUnsigned(theme, &index)) index = 0;
    result = ThemeColorByIndex(workbook, index);
  } else {
    result = CurrentSheetBackColor(&workbook);
  }
  double tint = 0;
  if (ReadDouble(color.attribute("tint"), &tint)) result = ApplyTint(result, tint);
  return result;
}

CellColor IndexedColor(const Workbook& workbook, int32_t index) {
  if (index >= 0 && index <= 63) return workbook.palette[index];
  switch (index) {
    case 64: case 77: case 32767: return SystemColor(kSystemWindowText);
    case 65: case 78: return SystemColor(kSystemWindow);
    case 81: return SystemColor(kSystemTooltipText);
    default: return kColorBlack;
  }
}

CellColor ThemeColorByIndex(const Workbook& workbook, int32_t index) {
  static const int32_t kSwap[4] = {1, 0, 3, 2};
  if (index >= 0 && index < 4) index = kSwap[index];
  if (workbook.clrScheme) return ThemeColorElement(workbook, ElementChildAt(workbook.clrScheme, index));
  if (index == 0) return SystemColor(kSystemWindowText);
  if (index == 1) return SystemColor(kSystemWindow);
  return CurrentSheetBackColor(&workbook);
}

CellColor ThemeColorElement(const Workbook& workbook, pugi::xml_node element) {
  if (pugi::xml_node c = Child(element, "hslClr")) return HslElementColor(c);
  if (pugi::xml_node c = Child(element, "prstClr")) return LookupPresetColor(c.attribute("val").value());
  if (pugi::xml_node c = Child(element, "srgbClr")) return HexToCellColor(c.attribute("val").value());
  if (pugi::xml_node c = Child(element, "scrgbClr")) return ScRgbElementColor(c);
  if (pugi::xml_node c = Child(element, "sysClr")) return SysElementColor(c);
  return kColorBlack;
}

CellColor SchemeColor(const Workbook& workbook, pugi::xml_node schemeClr) {
  static const char* const kThemeSlots[] = {"accent1", "accent2", "accent3", "accent4", "accent5", "accent6",
                                            "dk1", "dk2", "lt1", "lt2", "hlink", "folHlink"};
  const char* name = schemeClr.attribute("val").value();
  CellColor base = 0;
  bool known = false;
  for (const char* slot : kThemeSlots) {
    if (strcmp(name, slot) == 0) {
      base = ThemeColorElement(workbook, Child(workbook.clrScheme, slot));
      known = true;
      break;
    }
  }
  if (!known) {
    // Background and text names are fixed, whatever the theme says.
    if (strcmp(name, "bg1") == 0) base = 0xFFFFFFFFu;
    else if (strcmp(name, "bg2") == 0) base = 0xFFE1ECEEu;
    else if (strcmp(name, "tx1") == 0) base = 0xFF000000u;
    else if (strcmp(name, "tx2") == 0) base = 0xFF7D491Fu;
    else return 0;
  }
  return ApplyTransforms(base, schemeClr);
}

CellColor DrawingMLColorElement(const Workbook& workbook, pugi::xml_node c) {
  CellColor base;
  if (IsElement(c, "hslClr")) base = HslElementColor(c);
  else if (IsElement(c, "prstClr")) base = LookupPresetColor(c.attribute("val").value());
  else if (IsElement(c, "srgbClr")) base = HexToCellColor(c.attribute("val").value());
  else if (IsElement(c, "scrgbClr")) base = ScRgbElementColor(c);
  else if (IsElement(c, "schemeClr")) return SchemeColor(workbook, c);
  else if (IsElement(c, "sysClr")) base = SysElementColor(c);
  else return CurrentSheetBackColor(&workbook);
  // Transforms on the other colour kinds change the colour the same way as on scheme colours.
  return HasTransforms(c) ? ApplyTransforms(base, c) : base;
}

CellColor DrawingMLColor(const Workbook& workbook, pugi::xml_node parent) {
  for (const char* kind : {"hslClr", "prstClr", "srgbClr", "scrgbClr", "schemeClr", "sysClr"}) {
    pugi::xml_node c = Child(parent, kind);
    if (c) return DrawingMLColorElement(workbook, c);
  }
  return CurrentSheetBackColor(&workbook);
}

void GetThemeFonts(const Workbook& workbook, char16_t* majorFont, char16_t* minorFont) {
  pugi::xml_node major = Child(Child(workbook.fontScheme, "majorFont"), "latin");
  pugi::xml_node minor = Child(Child(workbook.fontScheme, "minorFont"), "latin");
  CopyTruncated(majorFont, 32, ToUtf16(major.attribute("typeface").value()));
  CopyTruncated(minorFont, 32, ToUtf16(minor.attribute("typeface").value()));
}

}  // namespace xlx
