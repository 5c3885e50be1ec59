// The caption of an axis shown in display units (`c:dispUnits` `c:dispUnitsLbl`): its own text,
// or the words the application writes for each built-in unit.
#include <cstdio>
#include <cstring>

#include "chart/reader/reader.h"
#include "parser/xml/dom.h"

namespace xlx {

namespace {

std::u16string UnitCaption(const char* builtIn, double unit) {
  static const struct {
    const char* name;
    const char16_t* caption;
  } kCaptions[] = {{"hundreds", u"Hundreds"},          {"thousands", u"Thousands"},
                   {"tenThousands", u"x 10000"},       {"hundredThousands", u"x 100000"},
                   {"millions", u"Millions"},          {"tenMillions", u"x 10000000"},
                   {"hundredMillions", u"x 100000000"}, {"billions", u"Billions"},
                   {"trillions", u"Trillions"}};
  for (const auto& c : kCaptions)
    if (strcmp(builtIn, c.name) == 0) return c.caption;
  char buffer[48];
  snprintf(buffer, sizeof buffer, "x %.15g", unit);
  return ToUtf16(buffer);
}

}  // namespace

void ReadDisplayUnitsLabel(const Workbook& workbook, pugi::xml_node dispUnits, ChartAxis* axis) {
  pugi::xml_node label = Child(dispUnits, "dispUnitsLbl");
  if (!label || !(axis->displayUnit > 1)) return;
  axis->unitsCaption = true;
  ChartTitle title;
  ReadChartTitle(workbook, label, &title);
  axis->unitsText = !title.text.empty() ? title.text : UnitCaption(ChildVal(dispUnits, "builtInUnit"), axis->displayUnit);
  axis->unitsTextProps = title.textProps;
}

}  // namespace xlx
