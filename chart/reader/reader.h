// Reading DrawingML chart parts into the chart model. The reader is split by concern: the chart
// space, plots and axes (xlsxprsrchart.cpp), series and their data (xlsxprsrchartseries.cpp),
// and the shape and text properties every chart element carries (xlsxprsrchartprops.cpp).
// Every count and index read from the part is checked against the caps of chart/model.h.
#pragma once
#include <cstdint>

#include <pugixml.hpp>

#include "chart/model.h"
#include "model/drawingobjects.h"
#include "model/workbook.h"

namespace xlx {

// Reads a `c:chartSpace` element into `model` (reset first). Colours resolve against the
// workbook's theme. 1; -9 when there is no `c:chart`, `c:plotArea` or chart-type element (the
// model then still holds what was read: title, legend, frame); -13 for a missing model; -1 when
// memory runs out.
[[nodiscard]] int32_t ParseChart(pugi::xml_node chartSpace, const Workbook& workbook, ChartModel* model);

// Reads a 2016 chart part (`cx:chartSpace`) with isChartEx set: its title, and its data, series
// and axes into model->ex. 1, -13 for a missing model, -1 when memory runs out.
[[nodiscard]] int32_t ParseChartEx(pugi::xml_node chartSpace, const Workbook& workbook, ChartModel* model);
// The data blocks, series and axis scaling of a 2016 chart part into a new model->ex, and the
// chart's own shape and text defaults. 1, -1 or -13.
[[nodiscard]] int32_t ReadChartExBody(pugi::xml_node chartSpace, const Workbook& workbook, ChartModel* model);

// The anchors of a chart drawing part (`c:userShapes`: `cdr:relSizeAnchor` with fractions,
// `cdr:absSizeAnchor` with an EMU extent measured against `chartCx`, `chartCy` EMU) appended to
// model->userShapes, at most kMaxChartUserShapes. 1 or -1.
[[nodiscard]] int32_t ParseChartUserShapes(pugi::xml_node userShapes, const Workbook& workbook, int64_t chartCx,
                                           int64_t chartCy, ChartModel* model);

// Loads the chart part of every chart graphic frame of `drawing` and keeps the model with the
// object. A part that is missing or cannot be read leaves the object without a chart. 1 or -1.
[[nodiscard]] int32_t ReadDrawingCharts(const Workbook& workbook, SheetDrawing* drawing);

// Replaces the cached points of every series reference (names, categories, values, bubble sizes)
// that names a loaded sheet and a valid range (or a defined name for one) with the values the
// cells hold now, computed formulas included: numbers with the format code of their first cell,
// texts as the cells show them, empty cells and errors as NaN gaps, text as zero. With
// plotVisOnly, points whose row or column is hidden are left out of all data of their series.
// References that cannot be resolved keep their cache. A 2016 chart's data blocks and series
// names likewise come from their `cx:f` cells: category levels one line of the block each.
// 1, -1 (memory), -13 (null model).
[[nodiscard]] int32_t ResolveChartCellData(const Workbook& workbook, ChartModel* model);
// ResolveChartCellData for the chart of every drawing object of every loaded sheet, and the values
// of every sparkline (hidden cells left out unless its group shows them; nothing when its
// reference cannot be resolved); run once the sheets are read and their formulas computed.
// 1, -1 or -13.
[[nodiscard]] int32_t ResolveWorkbookChartData(Workbook* workbook);

// ---- shared by the chart readers -------------------------------------------------------------------
// `c:spPr` into `props` (fields the element does not mention are left as they are).
void ReadChartShapeProps(const Workbook& workbook, pugi::xml_node spPr, ChartShapeProps* props);
// `c:txPr` (or `a:defRPr`/`a:rPr`) into `props`.
void ReadChartTextProps(const Workbook& workbook, pugi::xml_node txPr, ChartTextProps* props);
// `c:tx`/`c:rich` runs, or `c:strRef` cache text, joined; cut at kMaxChartTextUnits.
std::u16string ReadChartText(pugi::xml_node tx);
// `c:title` into `title`.
void ReadChartTitle(const Workbook& workbook, pugi::xml_node node, ChartTitle* title);
void ReadManualLayout(pugi::xml_node layout, ChartManualLayout* out);
// `val` of a child element; the fallbacks when the element or its value is absent.
bool ChildBool(pugi::xml_node parent, const char* local, bool fallback);
int32_t ChildInt(pugi::xml_node parent, const char* local, int32_t fallback, int32_t low, int32_t high);
double ChildDouble(pugi::xml_node parent, const char* local, double fallback, bool* present = nullptr);
const char* ChildVal(pugi::xml_node parent, const char* local);

// Series of a chart-type element appended to model->series with their plot index. 1 or -1.
[[nodiscard]] int32_t ReadChartSeriesList(const Workbook& workbook, pugi::xml_node plotNode, int32_t plotIndex,
                                          ChartModel* model);
// The hatch group of a preset pattern (`a:pattFill` `prst`); -1 for the percentage patterns,
// whose foreground share goes to *percent.
int32_t ChartPatternGroup(const char* prst, int32_t* percent);
// `a:blipFill`: the relationship id of its picture into props->picturePath, and tile or stretch.
// False when it names no picture.
bool ReadChartPictureFill(pugi::xml_node blipFill, ChartShapeProps* props);
// Turns the relationship ids of the model's picture fills into part paths through the chart
// part's relationships (`chartPath`); fills whose picture is not in the package become solid
// grey. 1, or -1 when memory runs out.
[[nodiscard]] int32_t ResolveChartPictures(const Workbook& workbook, const std::u16string& chartPath, ChartModel* model);
// The display-unit caption of an axis whose display unit is already read: sets unitsCaption
// when `c:dispUnitsLbl` is there, with its text or the built-in unit's words.
void ReadDisplayUnitsLabel(const Workbook& workbook, pugi::xml_node dispUnits, ChartAxis* axis);
// `c:dLbls` or `c:dLbl` into `labels`.
void ReadChartDataLabels(const Workbook& workbook, pugi::xml_node dLbls, ChartDataLabels* labels);

}  // namespace xlx
