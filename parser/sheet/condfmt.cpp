// The conditional formats of a worksheet part: `conditionalFormatting` blocks with their `cfRule`
// elements, and the `x14:conditionalFormattings` of the extension list. An extension rule tied to
// a main rule by its `{GUID}` id replaces that rule's data bar or icon set; one without a partner
// becomes a block of its own.
#include <algorithm>
#include <map>
#include <new>

#include "parser/xlsxprsr.h"
#include "parser/styles/color.h"
#include "parser/xml/dom.h"

namespace xlx {
namespace {

// Bounds on what one sheet may hold; content past them is left out.
constexpr size_t kMaxRules = 200000;
constexpr size_t kMaxRangesPerBlock = 4096;
constexpr size_t kMaxPoints = 5;

void ReadRanges(const char* sqref, std::vector<CellRange>* ranges) {
  std::u16string text = ToUtf16(sqref);
  size_t i = 0;
  while (i < text.size() && ranges->size() < kMaxRangesPerBlock) {
    while (i < text.size() && text[i] == u' ') ++i;
    size_t end = text.find(u' ', i);
    if (end == std::u16string::npos) end = text.size();
    CellRange range;
    if (end > i && ParseCellRange(std::u16string_view(text).substr(i, end - i), &range)) ranges->push_back(range);
    i = end;
  }
}

// A `cfvo`: `type`, `gte` and the value from `val` or an `xm:f` child.
CfValue ReadValue(pugi::xml_node cfvo) {
  CfValue v;
  v.kind = CfValueKindFromName(cfvo.attribute("type").value());
  pugi::xml_attribute gte = cfvo.attribute("gte");
  if (gte) v.gte = ReadBool(gte);
  pugi::xml_node f = Child(cfvo, "f");
  v.formula = ToUtf16(f ? ElementText(f) : cfvo.attribute("val").value());
  return v;
}

std::shared_ptr<CfColorScale> ReadColorScale(const Workbook& wb, pugi::xml_node node) {
  auto scale = std::make_shared<CfColorScale>();
  for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
    if (IsElement(child, "cfvo") && scale->points.size() < kMaxPoints) scale->points.push_back(ReadValue(child));
    if (IsElement(child, "color") && scale->colors.size() < kMaxPoints)
      scale->colors.push_back(ResolveColorAttributes(wb, child));
  }
  if (scale->points.size() < 2 || scale->colors.size() != scale->points.size()) return nullptr;
  return scale;
}

// The data bar of a plain rule: the 2007 look.
std::shared_ptr<CfDataBar> ReadDataBar(const Workbook& wb, pugi::xml_node node) {
  auto bar = std::make_shared<CfDataBar>();
  pugi::xml_node cfvo = Child(node, "cfvo");
  if (!cfvo || !NextNamed(cfvo, "cfvo")) return nullptr;
  bar->low = ReadValue(cfvo);
  bar->high = ReadValue(NextNamed(cfvo, "cfvo"));
  if (pugi::xml_node color = Child(node, "color")) bar->color = ResolveColorAttributes(wb, color);
  int32_t length = 0;
  if (ReadInt(node.attribute("minLength"), &length)) bar->minLength = std::clamp(length, 0, 100);
  if (ReadInt(node.attribute("maxLength"), &length)) bar->maxLength = std::clamp(length, 0, 100);
  pugi::xml_attribute show = node.attribute("showValue");
  if (show) bar->showValue = ReadBool(show);
  bar->borderColor = bar->color;
  return bar;
}

// The extension's data bar: current look, over the plain rule's colour when there is one.
void ReadExtendedDataBar(const Workbook& wb, pugi::xml_node node, CfDataBar* bar) {
  bar->extended = true;
  bar->minLength = 0;
  bar->maxLength = 100;
  int32_t length = 0;
  if (ReadInt(node.attribute("minLength"), &length)) bar->minLength = std::clamp(length, 0, 100);
  if (ReadInt(node.attribute("maxLength"), &length)) bar->maxLength = std::clamp(length, 0, 100);
  pugi::xml_attribute a;
  if ((a = node.attribute("gradient"))) bar->gradient = ReadBool(a);
  if ((a = node.attribute("border"))) bar->border = ReadBool(a);
  if ((a = node.attribute("showValue"))) bar->showValue = ReadBool(a);
  if ((a = node.attribute("negativeBarColorSameAsPositive"))) bar->negativeSameAsPositive = ReadBool(a);
  if ((a = node.attribute("negativeBarBorderColorSameAsPositive"))) bar->negativeBorderSameAsPositive = ReadBool(a);
  const char* dir = node.attribute("direction").value();
  bar->direction = strcmp(dir, "leftToRight") == 0 ? kBarLeftToRight : strcmp(dir, "rightToLeft") == 0 ? kBarRightToLeft : kBarContext;
  const char* axis = node.attribute("axisPosition").value();
  bar->axisPosition = strcmp(axis, "middle") == 0 ? kAxisMiddle : strcmp(axis, "none") == 0 ? kAxisNone : kAxisAutomatic;
  pugi::xml_node cfvo = Child(node, "cfvo");
  if (cfvo && NextNamed(cfvo, "cfvo")) {
    bar->low = ReadValue(cfvo);
    bar->high = ReadValue(NextNamed(cfvo, "cfvo"));
  }
  if (pugi::xml_node c = Child(node, "fillColor")) bar->color = ResolveColorAttributes(wb, c);
  if (pugi::xml_node c = Child(node, "borderColor")) bar->borderColor = ResolveColorAttributes(wb, c);
  if (pugi::xml_node c = Child(node, "negativeFillColor")) bar->negativeColor = ResolveColorAttributes(wb, c);
  if (pugi::xml_node c = Child(node, "negativeBorderColor")) bar->negativeBorderColor = ResolveColorAttributes(wb, c);
  if (pugi::xml_node c = Child(node, "axisColor")) bar->axisColor = ResolveColorAttributes(wb, c);
}

std::shared_ptr<CfIconSet> ReadIconSet(pugi::xml_node node) {
  auto icons = std::make_shared<CfIconSet>();
  const char* name = node.attribute("iconSet").value();
  int32_t set = CfIconSetFromName(*name ? name : "3TrafficLights1");
  icons->set = set >= 0 ? set : kIcons3TrafficLights1;
  icons->reverse = ReadBool(node.attribute("reverse"));
  pugi::xml_attribute show = node.attribute("showValue");
  if (show) icons->showValue = ReadBool(show);
  const bool custom = ReadBool(node.attribute("custom"));
  for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
    if (IsElement(child, "cfvo") && icons->thresholds.size() < kMaxPoints) icons->thresholds.push_back(ReadValue(child));
    if (custom && IsElement(child, "cfIcon") && icons->custom.size() < kMaxPoints) {
      CfIcon icon;
      icon.set = CfIconSetFromName(child.attribute("iconSet").value());
      ReadInt(child.attribute("iconId"), &icon.index);
      icons->custom.push_back(icon);
    }
  }
  // The set decides how many icons there are; missing thresholds leave the rule without icons.
  const int32_t count = CfIconCount(icons->set);
  if (count == 0 && icons->custom.empty()) return icons;
  const size_t need = icons->custom.empty() ? size_t(count) : icons->custom.size();
  if (icons->thresholds.size() < need) return nullptr;
  icons->thresholds.resize(need);
  return icons;
}

// The attributes and children of one rule, plain or extension.
void ReadRule(const Workbook& wb, pugi::xml_node node, CfRule* rule) {
  ReadInt(node.attribute("priority"), &rule->priority);
  rule->stopIfTrue = ReadBool(node.attribute("stopIfTrue"));
  ReadInt(node.attribute("dxfId"), &rule->dxfId);
  pugi::xml_attribute above = node.attribute("aboveAverage");
  rule->type = CfTypeFromName(node.attribute("type").value(), !above || ReadBool(above),
                              ReadBool(node.attribute("equalAverage")));
  rule->op = CfOperatorFromName(node.attribute("operator").value());
  rule->text = ToUtf16(node.attribute("text").value());
  rule->timePeriod = CfTimePeriodFromName(node.attribute("timePeriod").value());
  ReadInt(node.attribute("stdDev"), &rule->stdDev);
  rule->stdDev = std::clamp(rule->stdDev, 0, 3);
  ReadInt(node.attribute("rank"), &rule->rank);
  rule->isBottom = ReadBool(node.attribute("bottom"));
  rule->isPercent = ReadBool(node.attribute("percent"));
  for (pugi::xml_node f = node.first_child(); f; f = f.next_sibling())
    if ((IsElement(f, "formula") || IsElement(f, "f")) && rule->formulas.size() < 2)
      rule->formulas.push_back(ToUtf16(ElementText(f)));
  if (pugi::xml_node scale = Child(node, "colorScale")) rule->colorScale = ReadColorScale(wb, scale);
  if (pugi::xml_node icons = Child(node, "iconSet")) rule->iconSet = ReadIconSet(icons);
  if (pugi::xml_node dxf = Child(node, "dxf")) {
    auto own = std::make_shared<Dxf>();
    ReadDxf(own.get(), wb, dxf);
    rule->ownDxf = own;
  }
}

// The id that ties a plain rule to its extension: `extLst/ext/x14:id`.
std::u16string ExtensionIdOf(pugi::xml_node rule) {
  for (pugi::xml_node ext = Child(Child(rule, "extLst"), "ext"); ext; ext = NextNamed(ext, "ext"))
    if (pugi::xml_node id = Child(ext, "id")) return ToUtf16(ElementText(id));
  return std::u16string();
}

void SortRules(CondFmt* block) {
  std::stable_sort(block->rules.begin(), block->rules.end(),
                   [](const CfRule& a, const CfRule& b) { return a.priority < b.priority; });
}

void ReadPlainBlocks(const Workbook& wb, pugi::xml_node worksheet, SheetCondFormats* out, size_t* ruleCount) {
  for (pugi::xml_node cf = Child(worksheet, "conditionalFormatting"); cf; cf = NextNamed(cf, "conditionalFormatting")) {
    CondFmt block;
    block.pivot = ReadBool(cf.attribute("pivot"));
    ReadRanges(cf.attribute("sqref").value(), &block.ranges);
    for (pugi::xml_node r = Child(cf, "cfRule"); r && *ruleCount < kMaxRules; r = NextNamed(r, "cfRule")) {
      CfRule rule;
      ReadRule(wb, r, &rule);
      if (rule.type == kCfDataBar) rule.dataBar = ReadDataBar(wb, Child(r, "dataBar"));
      rule.extensionId = ExtensionIdOf(r);
      block.rules.push_back(std::move(rule));
      ++*ruleCount;
    }
    if (block.ranges.empty() || block.rules.empty()) continue;
    SortRules(&block);
    out->blocks.push_back(std::move(block));
  }
}

// An extension rule over its plain partner: the extension wins for what it describes.
void MergeExtension(const Workbook& wb, pugi::xml_node node, CfRule&& ext, CfRule* plain) {
  if (ext.type == kCfDataBar) {
    if (!plain->dataBar) plain->dataBar = std::make_shared<CfDataBar>();
    ReadExtendedDataBar(wb, Child(node, "dataBar"), plain->dataBar.get());
    return;
  }
  const int32_t priority = plain->priority, dxfId = plain->dxfId;
  *plain = std::move(ext);
  if (!node.attribute("priority")) plain->priority = priority;
  if (plain->dxfId < 0) plain->dxfId = dxfId;
}

void ReadExtensionBlocks(const Workbook& wb, pugi::xml_node worksheet, SheetCondFormats* out, size_t* ruleCount) {
  std::map<std::u16string, CfRule*> byId;
  for (CondFmt& block : out->blocks)
    for (CfRule& rule : block.rules)
      if (!rule.extensionId.empty()) byId[rule.extensionId] = &rule;
  std::vector<CondFmt> added;
  for (pugi::xml_node ext = Child(Child(worksheet, "extLst"), "ext"); ext; ext = NextNamed(ext, "ext")) {
    pugi::xml_node list = Child(ext, "conditionalFormattings");
    for (pugi::xml_node cf = Child(list, "conditionalFormatting"); cf; cf = NextNamed(cf, "conditionalFormatting")) {
      CondFmt block;
      ReadRanges(ElementText(Child(cf, "sqref")), &block.ranges);
      for (pugi::xml_node r = Child(cf, "cfRule"); r && *ruleCount < kMaxRules; r = NextNamed(r, "cfRule")) {
        CfRule rule;
        ReadRule(wb, r, &rule);
        if (rule.type == kCfDataBar) {
          rule.dataBar = std::make_shared<CfDataBar>();
          ReadExtendedDataBar(wb, Child(r, "dataBar"), rule.dataBar.get());
        }
        ++*ruleCount;
        auto partner = byId.find(ToUtf16(r.attribute("id").value()));
        if (partner != byId.end()) MergeExtension(wb, r, std::move(rule), partner->second);
        else block.rules.push_back(std::move(rule));
      }
      if (block.ranges.empty() || block.rules.empty()) continue;
      SortRules(&block);
      added.push_back(std::move(block));
    }
  }
  for (CondFmt& block : added) out->blocks.push_back(std::move(block));
}

}  // namespace

int32_t ReadConditionalFormats(const Workbook& workbook, MyWorksheet* sheet, pugi::xml_node worksheet) {
  if (!sheet) return XLX_ERR_ARGUMENT;
  return Guarded([&]() -> int32_t {
    auto formats = std::make_shared<SheetCondFormats>();
    size_t rules = 0;
    ReadPlainBlocks(workbook, worksheet, formats.get(), &rules);
    ReadExtensionBlocks(workbook, worksheet, formats.get(), &rules);
    std::stable_sort(formats->blocks.begin(), formats->blocks.end(),
                     [](const CondFmt& a, const CondFmt& b) { return a.rules[0].priority < b.rules[0].priority; });
    sheet->condFormats = formats->blocks.empty() ? nullptr : formats;
    return XLX_OK;
  });
}

}  // namespace xlx
