// Colour resolution: SpreadsheetML colour attributes (`rgb`, `indexed`, `theme`, `tint`) and
// DrawingML colour elements (`a:srgbClr`, `a:schemeClr`, `a:sysClr`, `a:hslClr`, `a:scrgbClr`,
// `a:prstClr` with `a:lumMod`, `a:lumOff`, `a:shade`, `a:alpha`) become one CellColor, using the
// theme's colour scheme and the indexed palette held by the workbook. Missing elements and
// attributes never fail; each path has a fixed fallback.
#pragma once
#include <cstdint>

#include <pugixml.hpp>

#include "model/colormath.h"
#include "model/workbook.h"

namespace xlx {

enum SystemColorKind { kSystemWindowText, kSystemWindow, kSystemTooltipText };
// This platform has no system colour settings: window text and tooltip text are black, the
// window white. Marker 0xFF.
CellColor SystemColor(SystemColorKind kind);

// Hex colour text as 0xAARRGGBB: more than 6 characters are AA then RRGGBB, up to 6 are RRGGBB
// with alpha 0; empty text gives 0. Hex digits are read up to the first other character.
uint32_t ParseHexColor(const char* text);
// Hex colour text as a CellColor: red to the low byte, the alpha replaced by the marker 0xFF.
CellColor HexToCellColor(const char* text);

// A SpreadsheetML colour element (`color`, `fgColor`, `bgColor`, `rgbColor`, ...): `rgb`, else
// `indexed`, else `theme`, else the current sheet's background; then `tint`. An absent element
// gives the window-text colour.
CellColor ResolveColorAttributes(const Workbook& workbook, pugi::xml_node color);
// Indexed colour i: the palette for 0-63, system colours for 64, 65, 77, 78, 81 and 32767,
// black for anything else.
CellColor IndexedColor(const Workbook& workbook, int32_t index);
// Theme colour i of SpreadsheetML, which swaps the first two pairs of scheme slots.
CellColor ThemeColorByIndex(const Workbook& workbook, int32_t index);
// One colour-scheme element (`a:dk1`, `a:accent1`, ...). Black when it holds no colour.
CellColor ThemeColorElement(const Workbook& workbook, pugi::xml_node element);
// `a:schemeClr` with its luminance and alpha transforms.
CellColor SchemeColor(const Workbook& workbook, pugi::xml_node schemeClr);
// The colour child of a DrawingML fill, line or gradient stop; the current sheet's background
// when the parent has none.
CellColor DrawingMLColor(const Workbook& workbook, pugi::xml_node parent);
// One DrawingML colour element itself (`a:srgbClr`, `a:schemeClr`, ...) with its transforms; the
// current sheet's background for an element that is no colour.
CellColor DrawingMLColorElement(const Workbook& workbook, pugi::xml_node element);

// Copies the theme fonts (`a:latin` typeface of the major and minor fonts) into 32-unit fields,
// cut to 31 units; empty when the workbook has no theme.
void GetThemeFonts(const Workbook& workbook, char16_t* majorFont, char16_t* minorFont);

}  // namespace xlx
