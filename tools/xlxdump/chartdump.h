// The data of every chart of a loaded workbook as its pages draw it, for checking charts without
// pixels.
#pragma once
#include <string>

#include "model/workbook.h"

namespace xlxdump {

// A CSV field: quoted, with its quotes doubled, when it holds a comma, a quote or a line break.
std::string Csv(const std::string& text);

// Prints "sheet,chart,kind,series,values,categories": one CSV line per series of every chart of
// every loaded sheet, charts numbered from 1 per sheet in drawing order; values as numbers
// (empty for a gap) and categories as the category axis labels them, each list joined by ';'.
void DumpCharts(const xlx::Workbook& workbook);

}  // namespace xlxdump
