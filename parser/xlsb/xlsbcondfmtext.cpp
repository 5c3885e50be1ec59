// The extension blocks of a binary sheet's conditional formats: the records the application adds in
// the sheet's future-record section for what the plain records cannot hold, the current look of
// data bars (fill kind, border, negative colours, axis, direction, lengths from 0 to 100 %), icon
// sets named only there (3Stars, 3Triangles, 5Boxes), custom icons and rules over other sheets.
// Each of these records opens with a future-record header; the block's header holds its ranges,
// a rule's and a value's header hold their formulas. A rule names its plain partner by a GUID that
// the partner carries in a rule-extension record.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "common/limits.h"
#include "parser/xlsb/xlsbcondfmt.h"
#include "parser/xlsb/xlsbformula.h"
#include "parser/xlsb/xlsbstyles.h"

namespace xlx {
namespace {

constexpr uint32_t kBeginBlock = RawType(1046);
constexpr uint32_t kEndBlock = RawType(1047);
constexpr uint32_t kBeginRule = RawType(1048);
constexpr uint32_t kEndRule = RawType(1049);
constexpr uint32_t kValue = RawType(1050);
constexpr uint32_t kBeginDataBar = RawType(1051);
constexpr uint32_t kBeginIconSet = RawType(1052);
constexpr uint32_t kColor = RawType(1055);
constexpr uint32_t kIcon = RawType(1112);
constexpr uint32_t kEndIconSet = RawType(1155);
constexpr uint32_t kEndDataBar = RawType(1156);
constexpr uint32_t kBeginColorScale = RawType(1157);
constexpr uint32_t kEndColorScale = RawType(1158);

// Future-record header flags: which of its optional arrays follow.
constexpr uint32_t kHasRefs = 0x01, kHasRanges = 0x02, kHasFormulas = 0x04, kHasRelId = 0x08;
// Data-bar flags.
constexpr uint16_t kBarBorder = 0x01, kBarGradient = 0x02, kBarNegativeFill = 0x04, kBarNegativeBorder = 0x08;
// Icon-set flags.
constexpr uint16_t kIconsCustom = 0x01, kIconsOnly = 0x02, kIconsReverse = 0x04;
constexpr int32_t kMaxIconSet = kIcons5Boxes;

// The optional arrays of a future-record header that these records use: ranges and formulas.
struct FrtHeader {
  std::vector<CellRange> ranges;
  BinaryRuleFormula formulas[3];
  size_t formulaCount = 0;
};

// Reads the ranges of one unchecked range list (a count and rows/columns first and last).
bool ReadRangeList(RecordCursor* cursor, std::vector<CellRange>* ranges) {
  const uint32_t count = cursor->U32();
  if (!cursor->Ok() || count > cursor->Remaining() / 16) return false;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t r1 = cursor->U32(), r2 = cursor->U32(), c1 = cursor->U32(), c2 = cursor->U32();
    if (r1 > r2 || c1 > c2 || r2 >= kMaxRows || c2 >= kMaxColumns || ranges->size() >= kMaxBinaryCfRangesPerBlock) continue;
    CellRange range;
    range.first.row = int32_t(r1) + 1, range.last.row = int32_t(r2) + 1;
    range.first.column = int32_t(c1) + 1, range.last.column = int32_t(c2) + 1;
    ranges->push_back(range);
  }
  return cursor->Ok();
}

// Reads the header at the cursor; false when an array runs past the record.
bool ReadFrtHeader(RecordCursor* cursor, FrtHeader* out) {
  const uint32_t flags = cursor->U32();
  if (flags & kHasRefs) {  // rectangles the record does not need: flags and a range each
    const uint32_t count = cursor->U32();
    if (!cursor->Ok() || count > cursor->Remaining() / 20) return false;
    cursor->Skip(size_t(count) * 20);
  }
  if (flags & kHasRanges) {
    const uint32_t count = cursor->U32();
    if (!cursor->Ok() || count > cursor->Remaining() / 8) return false;
    for (uint32_t i = 0; i < count; ++i) {
      cursor->U32();  // adjustment flags
      if (!ReadRangeList(cursor, &out->ranges)) return false;
    }
  }
  if (flags & kHasFormulas) {
    const uint32_t count = cursor->U32();
    if (!cursor->Ok() || count > cursor->Remaining() / 12) return false;
    for (uint32_t i = 0; i < count; ++i) {
      cursor->U32();  // formula flags
      BinaryRuleFormula f;
      f.length = cursor->U32();
      f.extraLength = cursor->U32();
      if (!cursor->Ok() || f.length > cursor->Remaining()) return false;
      f.tokens = cursor->Here();
      cursor->Skip(f.length);
      if (!cursor->Ok() || f.extraLength > cursor->Remaining()) return false;
      f.extra = cursor->Here();
      cursor->Skip(f.extraLength);
      if (out->formulaCount < 3) out->formulas[out->formulaCount++] = f;
    }
  }
  if (flags & kHasRelId) cursor->WideString();
  return cursor->Ok();
}

// The look an extension data bar gives, and which of its colours it holds.
struct BarLook {
  CfDataBar bar;
  bool hasFill = false, hasBorder = false, hasNegativeFill = false, hasNegativeBorder = false, hasAxis = false;
};

// Puts the extension's look over `bar` (a plain rule's bar or a fresh one): the colours it does
// not hold stay as they were.
void ApplyBarLook(const BarLook& look, CfDataBar* bar) {
  const CfDataBar& x = look.bar;
  bar->extended = true;
  bar->low = x.low, bar->high = x.high;
  bar->minLength = x.minLength, bar->maxLength = x.maxLength;
  bar->gradient = x.gradient, bar->border = x.border, bar->showValue = x.showValue;
  bar->negativeSameAsPositive = x.negativeSameAsPositive;
  bar->negativeBorderSameAsPositive = x.negativeBorderSameAsPositive;
  bar->direction = x.direction, bar->axisPosition = x.axisPosition;
  if (look.hasFill) bar->color = x.color;
  if (look.hasBorder) bar->borderColor = x.borderColor;
  if (look.hasNegativeFill) bar->negativeColor = x.negativeColor;
  if (look.hasNegativeBorder) bar->negativeBorderColor = x.negativeBorderColor;
  if (look.hasAxis) bar->axisColor = x.axisColor;
}

struct ExtensionReader : BinaryRuleState {
  ExtensionReader(const Workbook& wb, SheetCondFormats* formats, size_t* count)
      : BinaryRuleState(wb, formats), ruleCount(count) {}
  size_t* ruleCount;
  std::map<std::u16string, CfRule*> byId;  // plain rules by the id of their extension
  std::vector<CondFmt> added;
  std::u16string ruleId;
  bool hasPriority = false;
  BarLook look;
  uint16_t barFlags = 0;
  size_t barColors = 0;

  void BeginBlock(const RecordEntry& record);
  void BeginRule(const RecordEntry& record);
  void BeginDataBar(const RecordEntry& record);
  void BeginIconSet(const RecordEntry& record);
  void Value(const RecordEntry& record);
  void Color(const RecordEntry& record);
  void Icon(const RecordEntry& record);
  void EndRule();
  void EndBlock();
  void Merge(CfRule* plain);
};

void ExtensionReader::BeginBlock(const RecordEntry& record) {
  EndBlock();
  RecordCursor cursor(record);
  FrtHeader header;
  if (!ReadFrtHeader(&cursor, &header)) return;
  cursor.U32();  // rule count: the rules are counted as they come
  const uint32_t pivot = cursor.U32();
  if (!cursor.Ok() || header.ranges.empty()) return;
  block = CondFmt();
  block.pivot = pivot != 0;
  block.ranges = std::move(header.ranges);
  baseRow = block.ranges[0].first.row;
  baseColumn = block.ranges[0].first.column;
  inBlock = true;
}

// The plain rule's fields with its formulas in the header, then the GUID that ties it to a plain
// rule and the text parameter (which some writers leave out).
void ExtensionReader::BeginRule(const RecordEntry& record) {
  inRule = false;
  part = kNone;
  if (!inBlock || *ruleCount >= kMaxBinaryCfRules) return;
  RecordCursor cursor(record);
  FrtHeader header;
  if (!ReadFrtHeader(&cursor, &header)) return;
  const uint32_t kind = cursor.U32(), tmpl = cursor.U32();
  const uint32_t dxf = cursor.U32();  // among the extension formats
  const int32_t priority = cursor.I32();
  const uint32_t param = cursor.U32();
  cursor.Skip(8);  // reserved
  const uint16_t flags = cursor.U16();
  cursor.Skip(16);  // the formulas' sizes (they are in the header) and an unused word
  if (!cursor.Ok() || cursor.Remaining() < 16) return;
  const uint8_t* guid = cursor.Here();
  cursor.Skip(16);
  const bool hasGuid = cursor.Remaining() >= 4 && cursor.U32() != 0;
  std::u16string text = cursor.Remaining() >= 4 ? cursor.WideString() : std::u16string();
  if (!cursor.Ok()) return;
  rule = CfRule();
  hasPriority = priority >= 0;
  if (hasPriority) rule.priority = priority;
  rule.text = std::move(text);
  if (dxf < workbook.binaryTables.extensionDxfs.size()) rule.ownDxf = workbook.binaryTables.extensionDxfs[dxf];
  DecodeBinaryRuleFields(kind, tmpl, param, flags, &rule);
  for (size_t i = 0; i < header.formulaCount && i < 2; ++i) rule.formulas.push_back(Render(header.formulas[i]));
  ruleId = hasGuid ? BinaryGuidText(guid) : std::u16string();
  inRule = true;
}

void ExtensionReader::BeginDataBar(const RecordEntry& record) {
  if (!inRule) return;
  RecordCursor cursor(record);
  cursor.U32();  // future-record header without arrays
  const uint8_t low = cursor.U8(), high = cursor.U8(), show = cursor.U8(), direction = cursor.U8(), axis = cursor.U8();
  const uint16_t flags = cursor.U16();
  if (!cursor.Ok()) return;
  look = BarLook();
  CfDataBar& bar = look.bar;
  bar.extended = true;
  bar.minLength = std::min<int32_t>(low, 100);
  bar.maxLength = std::min<int32_t>(high, 100);
  bar.showValue = show != 0;
  bar.direction = direction <= kBarRightToLeft ? int32_t(direction) : kBarContext;
  bar.axisPosition = axis <= kAxisNone ? int32_t(axis) : kAxisAutomatic;
  bar.gradient = (flags & kBarGradient) != 0;
  bar.border = (flags & kBarBorder) != 0;
  bar.negativeSameAsPositive = (flags & kBarNegativeFill) == 0;
  bar.negativeBorderSameAsPositive = (flags & kBarNegativeBorder) == 0;
  barFlags = flags;
  barValues = barColors = 0;
  part = kBar;
}

void ExtensionReader::BeginIconSet(const RecordEntry& record) {
  if (!inRule) return;
  RecordCursor cursor(record);
  cursor.U32();  // future-record header without arrays
  const int32_t set = cursor.I32();
  const uint16_t flags = cursor.U16();
  if (!cursor.Ok()) return;
  auto icons = std::make_shared<CfIconSet>();
  icons->set = set == -1 ? kIconsNoIcons : set >= 0 && set <= kMaxIconSet ? set : kIcons3TrafficLights1;
  icons->showValue = (flags & kIconsOnly) == 0;
  // Custom icons are listed in the order they are shown, so they are never reversed.
  icons->reverse = (flags & kIconsReverse) != 0 && (flags & kIconsCustom) == 0;
  rule.iconSet = icons;
  part = kIcons;
}

void ExtensionReader::Value(const RecordEntry& record) {
  if (!inRule || part == kNone) return;
  RecordCursor cursor(record);
  FrtHeader header;
  if (!ReadFrtHeader(&cursor, &header)) return;
  const uint32_t kind = cursor.U32();
  const double number = cursor.F64();
  cursor.U32();  // whether the threshold flag was written
  const bool gte = cursor.U32() != 0;
  if (!cursor.Ok()) return;
  CfValue value;
  value.kind = BinaryValueKind(kind);
  value.gte = gte;
  if (header.formulaCount > 0) value.formula = Render(header.formulas[0]);
  else if (value.kind == kCfvoNum || value.kind == kCfvoPercent || value.kind == kCfvoPercentile) value.formula = BinaryNumberText(number);
  if (part == kScale && rule.colorScale->points.size() < kMaxBinaryCfPoints) {
    rule.colorScale->points.push_back(std::move(value));
  } else if (part == kBar && barValues < 2) {
    (barValues++ == 0 ? look.bar.low : look.bar.high) = std::move(value);
  } else if (part == kIcons && rule.iconSet->thresholds.size() < kMaxBinaryCfPoints) {
    rule.iconSet->thresholds.push_back(std::move(value));
  }
}

// A bar's colours come in a fixed order, each present only when the bar needs it: fill (when the
// rule stands alone), border, negative fill, negative border, axis.
void ExtensionReader::Color(const RecordEntry& record) {
  if (!inRule || (part != kScale && part != kBar)) return;
  RecordCursor cursor(record);
  cursor.U32();  // future-record header without arrays
  const BinaryColor color = ReadBinaryColor(&cursor);
  if (!cursor.Ok()) return;
  const CellColor resolved = ResolveBinaryColor(workbook, color);
  if (part == kScale) {
    if (rule.colorScale->colors.size() < kMaxBinaryCfPoints) rule.colorScale->colors.push_back(resolved);
    return;
  }
  const bool border = (barFlags & kBarBorder) != 0;
  const bool slots[5] = {hasPriority, border, (barFlags & kBarNegativeFill) != 0,
                         border && (barFlags & kBarNegativeBorder) != 0, look.bar.axisPosition != kAxisNone};
  bool* const present[5] = {&look.hasFill, &look.hasBorder, &look.hasNegativeFill, &look.hasNegativeBorder, &look.hasAxis};
  CellColor* const target[5] = {&look.bar.color, &look.bar.borderColor, &look.bar.negativeColor,
                                &look.bar.negativeBorderColor, &look.bar.axisColor};
  size_t seen = 0;
  for (size_t i = 0; i < 5; ++i) {
    if (!slots[i] || seen++ != barColors) continue;
    *present[i] = true;
    *target[i] = resolved;
    break;
  }
  ++barColors;
}

void ExtensionReader::Icon(const RecordEntry& record) {
  if (!inRule || part != kIcons || rule.iconSet->custom.size() >= kMaxBinaryCfPoints) return;
  RecordCursor cursor(record);
  cursor.U32();  // future-record header without arrays
  const int32_t set = cursor.I32(), index = cursor.I32();
  if (!cursor.Ok()) return;
  CfIcon icon;
  const bool known = set >= 0 && set <= kMaxIconSet && index >= 0 && index < CfIconCount(set);
  icon.set = known ? set : kIconsNoIcons;
  icon.index = known ? index : 0;
  rule.iconSet->custom.push_back(icon);
}

// The extension wins for what it describes; a bar only lends its look to the plain bar.
void ExtensionReader::Merge(CfRule* plain) {
  if (rule.type == kCfDataBar) {
    if (!plain->dataBar) plain->dataBar = std::make_shared<CfDataBar>();
    ApplyBarLook(look, plain->dataBar.get());
    return;
  }
  const int32_t priority = plain->priority, dxfId = plain->dxfId;
  *plain = std::move(rule);
  if (!hasPriority) plain->priority = priority;
  if (plain->dxfId < 0) plain->dxfId = dxfId;
}

// What falls short is dropped as in the plain form: a scale needs a colour per point, a bar two
// values, an icon set a threshold per icon.
void ExtensionReader::EndRule() {
  if (!inRule) return;
  inRule = false;
  part = kNone;
  if (rule.colorScale && (rule.colorScale->points.size() < 2 || rule.colorScale->colors.size() != rule.colorScale->points.size()))
    rule.colorScale = nullptr;
  const bool bar = rule.type == kCfDataBar && barValues >= 2;
  if (bar) {
    rule.dataBar = std::make_shared<CfDataBar>();
    ApplyBarLook(look, rule.dataBar.get());
  }
  if (rule.iconSet) {
    CfIconSet& icons = *rule.iconSet;
    const size_t need = icons.custom.empty() ? size_t(CfIconCount(icons.set)) : icons.custom.size();
    if (need > 0 && icons.thresholds.size() < need) rule.iconSet = nullptr;
    else if (need > 0) icons.thresholds.resize(need);
  }
  ++*ruleCount;
  auto partner = ruleId.empty() ? byId.end() : byId.find(ruleId);
  if (partner == byId.end()) block.rules.push_back(std::move(rule));
  else if (rule.type != kCfDataBar || bar) Merge(partner->second);
}

void ExtensionReader::EndBlock() {
  EndRule();
  if (inBlock && !block.rules.empty()) {
    std::stable_sort(block.rules.begin(), block.rules.end(),
                     [](const CfRule& a, const CfRule& b) { return a.priority < b.priority; });
    added.push_back(std::move(block));
  }
  block = CondFmt();
  inBlock = false;
}

}  // namespace

std::u16string BinaryGuidText(const uint8_t* g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g[3], g[2],
                g[1], g[0], g[5], g[4], g[7], g[6], g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
  return std::u16string(text, text + 38);
}

std::u16string BinaryRuleExtensionId(const RecordEntry& record) {
  if (record.size < 20) return std::u16string();
  return BinaryGuidText(record.data + 4);
}

// One switch over the extension record types; records of other kinds pass by.
void ReadBinaryExtensionFormats(const Workbook& workbook, const RecordList& records, SheetCondFormats* formats,
                                size_t* ruleCount) {
  ExtensionReader r(workbook, formats, ruleCount);
  for (CondFmt& block : formats->blocks)
    for (CfRule& rule : block.rules)
      if (!rule.extensionId.empty()) r.byId[rule.extensionId] = &rule;
  for (const RecordEntry& record : records) {
    switch (record.type) {
      case kBeginBlock: r.BeginBlock(record); break;
      case kEndBlock: r.EndBlock(); break;
      case kBeginRule: r.EndRule(); r.BeginRule(record); break;
      case kEndRule: r.EndRule(); break;
      case kBeginColorScale:
        if (r.inRule) r.part = ExtensionReader::kScale, r.rule.colorScale = std::make_shared<CfColorScale>();
        break;
      case kBeginDataBar: r.BeginDataBar(record); break;
      case kBeginIconSet: r.BeginIconSet(record); break;
      case kEndColorScale: case kEndDataBar: case kEndIconSet: r.part = ExtensionReader::kNone; break;
      case kValue: r.Value(record); break;
      case kColor: r.Color(record); break;
      case kIcon: r.Icon(record); break;
      default: break;
    }
  }
  r.EndBlock();
  for (CondFmt& block : r.added) formats->blocks.push_back(std::move(block));
}

}  // namespace xlx
