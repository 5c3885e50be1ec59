#include "chartdump.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "common/apiutils.h"
#include "chart/model.h"
#include "chart/modelex.h"
#include "model/drawingobjects.h"
#include "chart/draw/draw.h"

namespace xlxdump {

std::string Csv(const std::string& text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

namespace {

// The kind a plot draws as: bar charts split by direction, 3-D kinds marked.
std::string KindName(const xlx::ChartPlot& p) {
  static const char* const kNames[xlx::kChartKindCount + 1] = {
      "",        "area",  "bar",        "line",    "radar",    "scatter", "pie",   "bar3D",     "line3D",
      "ofPie",   "pie3D", "area3D",     "bubble",  "doughnut", "stock",   "surface3D", "surface"};
  if (p.kind < 1 || p.kind > xlx::kChartKindCount) return "none";
  std::string name = kNames[p.kind];
  if ((p.kind == xlx::kChartBar || p.kind == xlx::kChartBar3D) && !p.horizontal)
    name = p.kind == xlx::kChartBar ? "column" : "column3D";
  return name;
}

std::string Values(const xlx::ChartData& d) {
  std::string out;
  for (int32_t i = 0; i < d.pointCount; ++i) {
    if (i) out += ';';
    const double v = i < int32_t(d.values.size()) ? d.values[size_t(i)] : NAN;
    if (!std::isfinite(v)) continue;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    out += buf;
  }
  return out;
}

std::string Categories(const xlx::ChartModel& chart, const xlx::ChartSeries& s) {
  std::string out;
  const int32_t count = s.categories.pointCount > 0 ? s.categories.pointCount : s.values.pointCount;
  for (int32_t i = 0; i < count; ++i) {
    if (i) out += ';';
    out += xlx::Utf16ToUtf8(xlx::ChartCategoryLabel(chart, s, i));
  }
  return out;
}

// A 2016 chart's series: its layout's name, the values of its data block, and each point's
// category levels from the outermost in, joined by '/'.
void DumpChartEx(const std::string& sheetName, int32_t number, const xlx::ChartEx& ex) {
  static const char* const kLayouts[] = {"none",       "waterfall", "histogram", "paretoLine", "funnel",
                                         "boxWhisker", "treemap",   "sunburst",  "regionMap"};
  for (const xlx::ChartExSeries& s : ex.series) {
    const xlx::ChartExData* d = nullptr;
    for (const xlx::ChartExData& data : ex.data)
      if (data.id == s.dataId) d = &data;
    xlx::ChartData values;
    std::string categories;
    if (d) {
      values.values = d->values;
      values.pointCount = d->pointCount;
      for (int32_t i = 0; i < d->pointCount && !d->levels.empty(); ++i) {
        if (i) categories += ';';
        std::string point;
        for (size_t k = d->levels.size(); k-- > 0;) {
          const std::vector<std::u16string>& level = d->levels[k];
          if (size_t(i) >= level.size() || level[size_t(i)].empty()) continue;
          if (!point.empty()) point += '/';
          point += xlx::Utf16ToUtf8(level[size_t(i)]);
        }
        categories += point;
      }
    }
    const bool known = s.layout >= 0 && s.layout < int32_t(sizeof kLayouts / sizeof kLayouts[0]);
    std::printf("%s,%d,%s,%s,%s,%s\n", sheetName.c_str(), number, known ? kLayouts[s.layout] : "none",
                Csv(xlx::Utf16ToUtf8(s.name)).c_str(), Csv(Values(values)).c_str(), Csv(categories).c_str());
  }
}

}  // namespace

void DumpCharts(const xlx::Workbook& workbook) {
  std::printf("sheet,chart,kind,series,values,categories\n");
  for (int32_t i = 0; i < workbook.sheetCount; ++i) {
    const xlx::MyWorksheet* sheet = xlx::GetSheet(&workbook, i);
    if (!sheet) continue;
    const std::string sheetName = Csv(xlx::Utf16ToUtf8(sheet->sheetName));
    int32_t number = 0;
    for (const xlx::DrawingObject& o : sheet->drawing.objects) {
      if (!o.chart) continue;
      ++number;
      const xlx::ChartModel& chart = *o.chart;
      if (chart.isChartEx && chart.ex) DumpChartEx(sheetName, number, *chart.ex);
      for (const xlx::ChartSeries& s : chart.series) {
        const xlx::ChartPlot* plot = s.plot >= 0 && s.plot < int32_t(chart.plots.size()) ? &chart.plots[size_t(s.plot)] : nullptr;
        std::printf("%s,%d,%s,%s,%s,%s\n", sheetName.c_str(), number, plot ? KindName(*plot).c_str() : "none",
                    Csv(xlx::Utf16ToUtf8(s.name)).c_str(), Csv(Values(s.values)).c_str(),
                    Csv(Categories(chart, s)).c_str());
      }
    }
  }
}

}  // namespace xlxdump
