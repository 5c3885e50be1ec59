// Pattern and picture fills of chart elements: the hatch group of each preset pattern, the
// picture a `a:blipFill` names, and the chart part's relationships that turn its ids into parts.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "common/resultcodes.h"
#include "package/relationships.h"
#include "chart/reader/reader.h"
#include "parser/xml/dom.h"

namespace xlx {

namespace {

// Every shape-property record of the model that may carry a picture fill.
template <typename Visit>
void ForEachFill(ChartModel* m, Visit visit) {
  visit(&m->chartShape);
  visit(&m->plotShape);
  visit(&m->title.shape);
  visit(&m->legend.shape);
  for (ChartSeries& s : m->series) {
    visit(&s.shape);
    visit(&s.marker.shape);
    for (ChartDataPoint& p : s.points) visit(&p.shape);
  }
  for (ChartPlot& p : m->plots) visit(&p.upBars), visit(&p.downBars);
}

}  // namespace

int32_t ChartPatternGroup(const char* prst, int32_t* percent) {
  static const struct {
    const char* name;
    int32_t group;
  } kNamed[] = {{"horz", 0},     {"ltHorz", 0},     {"dkHorz", 0},     {"narHorz", 0},   {"dashHorz", 0},
                {"vert", 1},     {"ltVert", 1},     {"dkVert", 1},     {"narVert", 1},   {"dashVert", 1},
                {"upDiag", 2},   {"ltUpDiag", 2},   {"dkUpDiag", 2},   {"wdUpDiag", 2},  {"dashUpDiag", 2},
                {"dnDiag", 3},   {"ltDnDiag", 3},   {"dkDnDiag", 3},   {"wdDnDiag", 3},  {"dashDnDiag", 3},
                {"cross", 4},    {"smGrid", 4},     {"lgGrid", 4},     {"dotGrid", 4},   {"smCheck", 4},
                {"lgCheck", 4},  {"plaid", 4},      {"sphere", 4},     {"weave", 5},     {"divot", 5},
                {"shingle", 5},  {"wave", 0},       {"zigZag", 0},     {"trellis", 5},   {"diagCross", 5},
                {"openDmnd", 5}, {"dotDmnd", 5},    {"smConfetti", -1}, {"lgConfetti", -1}, {"horzBrick", 4},
                {"diagBrick", 2}, {"solidDmnd", 5}};
  for (const auto& e : kNamed) {
    if (strcmp(prst, e.name) != 0) continue;
    if (e.group < 0) *percent = 30;  // confetti: scattered dots, about a third of foreground
    return e.group;
  }
  if (strncmp(prst, "pct", 3) == 0) {
    *percent = std::max(0, std::min(atoi(prst + 3), 100));
    return -1;
  }
  *percent = 50;  // an unknown pattern: an even mix of the two colours
  return -1;
}

bool ReadChartPictureFill(pugi::xml_node blipFill, ChartShapeProps* props) {
  // `r:embed` under whatever prefix the part gives the relationships namespace.
  pugi::xml_attribute id;
  for (pugi::xml_attribute a = Child(blipFill, "blip").first_attribute(); a && !id; a = a.next_attribute())
    if (strcmp(LocalName(a.name()), "embed") == 0 && strchr(a.name(), ':') && strncmp(a.name(), "xmlns", 5) != 0) id = a;
  if (!id || !*id.value()) return false;
  props->picturePath = ToUtf16(id.value()).substr(0, 255);
  props->pictureTile = Child(blipFill, "tile") && !Child(blipFill, "stretch");
  return true;
}

int32_t ResolveChartPictures(const Workbook& workbook, const std::u16string& chartPath, ChartModel* model) {
  if (!model) return XLX_ERR_ARGUMENT;
  bool any = false;
  ForEachFill(model, [&](ChartShapeProps* p) { any = any || p->fillKind == kChartFillPicture; });
  if (!any) return XLX_OK;
  const size_t slash = chartPath.rfind(u'/');
  const std::u16string dir = slash == std::u16string::npos ? std::u16string() : chartPath.substr(0, slash);
  const std::u16string name = slash == std::u16string::npos ? chartPath : chartPath.substr(slash + 1);
  Relationship* rels = nullptr;
  int32_t count = 0;
  const int32_t rc =
      ReadRelationships(PackageSource{workbook.hPackage, &workbook.parts}, dir.c_str(), name.c_str(), &rels, &count);
  if (rc == XLX_ERR_MEMORY) return rc;
  ForEachFill(model, [&](ChartShapeProps* p) {
    if (p->fillKind != kChartFillPicture) return;
    const Relationship* rel = rc == XLX_OK ? FindRelationshipById(rels, count, p->picturePath.c_str()) : nullptr;
    const bool external = rel && rel->targetMode && std::u16string(rel->targetMode) == u"External";
    if (rel && rel->targetPath && !external && HasPart(&workbook.parts, rel->targetPath) == 1) {
      p->picturePath = rel->targetPath;
    } else {
      p->fillKind = kChartFillSolid;
      p->picturePath.clear();
    }
  });
  if (rc == XLX_OK) FreeRelationships(rels, count);
  return XLX_OK;
}

}  // namespace xlx
