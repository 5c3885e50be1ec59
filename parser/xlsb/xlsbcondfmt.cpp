// Conditional formats of a binary worksheet part. A block opens with its rule count, pivot flag and
// ranges; each rule opens with its kind, template, differential format, priority, parameter, flags,
// text parameter and up to three formulas, and may hold a colour scale, a data bar or an icon set
// made of value records (a kind, a number, a threshold flag and a formula) and colour records.
// A rule whose look the extension records complete carries the id of its extension rule.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/limits.h"
#include "common/resultcodes.h"
#include "parser/xlsb/xlsbcondfmt.h"
#include "parser/xlsb/xlsbformula.h"
#include "parser/xlsb/xlsbsheetobjects.h"
#include "parser/xlsb/xlsbstyles.h"
#include "common/guarded.h"

namespace xlx {
namespace {

constexpr uint32_t kBeginBlock = RawType(461);
constexpr uint32_t kEndBlock = RawType(462);
constexpr uint32_t kBeginRule = RawType(463);
constexpr uint32_t kEndRule = RawType(464);
constexpr uint32_t kBeginIconSet = RawType(465);
constexpr uint32_t kEndIconSet = RawType(466);
constexpr uint32_t kBeginDataBar = RawType(467);
constexpr uint32_t kEndDataBar = RawType(468);
constexpr uint32_t kBeginColorScale = RawType(469);
constexpr uint32_t kEndColorScale = RawType(470);
constexpr uint32_t kValue = RawType(471);
constexpr uint32_t kColor = RawType(564);

constexpr size_t kMaxRules = kMaxBinaryCfRules;
constexpr uint32_t kMaxRangesPerBlock = kMaxBinaryCfRangesPerBlock;
constexpr size_t kMaxPoints = kMaxBinaryCfPoints;

// Rule kinds of the record; templates refine the formula kind.
enum RuleKind : uint32_t { kKindCellIs = 1, kKindExpression = 2, kKindScale = 3, kKindBar = 4, kKindTop = 5, kKindIcons = 6 };
// Rule flags after the reserved words.
constexpr uint16_t kFlagStopIfTrue = 0x02;
constexpr uint16_t kFlagBottom = 0x08;
constexpr uint16_t kFlagPercent = 0x10;
// Icon-set flags, a 16-bit word (bit 0 is reserved in the plain record); a set reversed has the
// reverse bit set, as the application writes it.
constexpr uint32_t kIconOnly = 0x02;
constexpr uint32_t kIconReverse = 0x04;

// The rule kind of a formula rule's template; kCfUnknown for templates that do not exist.
int32_t TemplateType(uint32_t tmpl, uint32_t param, int32_t* timePeriod) {
  static const int32_t kPeriods[] = {kCfToday, kCfTomorrow, kCfYesterday, kCfLast7Days, kCfLastMonth,
                                     kCfNextMonth, kCfThisWeek, kCfNextWeek, kCfLastWeek, kCfThisMonth};
  switch (tmpl) {
    case 0: case 1: return kCfExpression;
    case 7: return kCfUniqueValues;
    case 8: {
      static const int32_t kText[] = {kCfContainsText, kCfNotContainsText, kCfBeginsWith, kCfEndsWith};
      return param < 4 ? kText[param] : kCfContainsText;
    }
    case 9: return kCfContainsBlanks;
    case 10: return kCfNotContainsBlanks;
    case 11: return kCfContainsErrors;
    case 12: return kCfNotContainsErrors;
    case 25: return kCfAboveAverage;
    case 26: return kCfBelowAverage;
    case 27: return kCfDuplicateValues;
    case 29: return kCfAboveOrEqualAverage;
    case 30: return kCfBelowOrEqualAverage;
    default:
      if (tmpl >= 15 && tmpl <= 24) {
        *timePeriod = kPeriods[tmpl - 15];
        return kCfTimePeriod;
      }
      return kCfUnknown;
  }
}

// A parsed formula at the cursor: token count, tokens, extra-data size and extra data.
bool ReadParsedFormula(RecordCursor* cursor, BinaryRuleFormula* out) {
  out->length = cursor->U32();
  if (!cursor->Ok() || out->length > cursor->Remaining()) return false;
  out->tokens = cursor->Here();
  cursor->Skip(out->length);
  out->extraLength = cursor->U32();
  if (!cursor->Ok() || out->extraLength > cursor->Remaining()) return false;
  out->extra = cursor->Here();
  cursor->Skip(out->extraLength);
  return cursor->Ok();
}

struct Reader : BinaryRuleState {
  Reader(const Workbook& wb, SheetCondFormats* formats) : BinaryRuleState(wb, formats) {}
  size_t ruleCount = 0;

  void BeginBlock(const RecordEntry& record);
  void BeginRule(const RecordEntry& record);
  void Value(const RecordEntry& record);
  void Color(const RecordEntry& record);
  void EndRule();
  void EndBlock();
};

void Reader::BeginBlock(const RecordEntry& record) {
  EndBlock();
  RecordCursor cursor(record);
  cursor.U32();  // rule count: the rules are counted as they come
  block = CondFmt();
  block.pivot = cursor.U32() != 0;
  const uint32_t count = cursor.U32();
  if (!cursor.Ok() || count > cursor.Remaining() / 16) return;
  for (uint32_t i = 0; i < count && i < kMaxRangesPerBlock; ++i) {
    const uint32_t r1 = cursor.U32(), r2 = cursor.U32(), c1 = cursor.U32(), c2 = cursor.U32();
    if (r1 > r2 || c1 > c2 || r2 >= kMaxRows || c2 >= kMaxColumns) continue;
    CellRange range;
    range.first.row = int32_t(r1) + 1, range.last.row = int32_t(r2) + 1;
    range.first.column = int32_t(c1) + 1, range.last.column = int32_t(c2) + 1;
    block.ranges.push_back(range);
  }
  if (block.ranges.empty()) return;
  baseRow = block.ranges[0].first.row;
  baseColumn = block.ranges[0].first.column;
  inBlock = true;
}

void Reader::BeginRule(const RecordEntry& record) {
  inRule = false;
  part = kNone;
  if (!inBlock || ruleCount >= kMaxRules) return;
  RecordCursor cursor(record);
  const uint32_t kind = cursor.U32(), tmpl = cursor.U32(), dxf = cursor.U32(), priority = cursor.U32();
  const uint32_t param = cursor.U32();
  cursor.Skip(8);  // reserved
  const uint16_t flags = cursor.U16();
  uint32_t formulaSizes[3];
  for (uint32_t& size : formulaSizes) size = cursor.U32();
  std::u16string text = cursor.WideString();
  if (!cursor.Ok()) return;
  rule = CfRule();
  rule.priority = priority > uint32_t(INT32_MAX) ? INT32_MAX : int32_t(priority);
  rule.dxfId = dxf > uint32_t(INT32_MAX) ? -1 : int32_t(dxf);
  rule.text = std::move(text);
  DecodeBinaryRuleFields(kind, tmpl, param, flags, &rule);
  for (uint32_t size : formulaSizes) {
    if (size == 0) continue;
    BinaryRuleFormula f;
    if (!ReadParsedFormula(&cursor, &f)) break;
    if (rule.formulas.size() < 2) rule.formulas.push_back(Render(f));
  }
  inRule = true;
}

void Reader::Value(const RecordEntry& record) {
  if (!inRule || part == kNone) return;
  RecordCursor cursor(record);
  const uint32_t kind = cursor.U32();
  const double number = cursor.F64();
  cursor.U32();  // whether the threshold flag was written
  const bool gte = cursor.U32() != 0;
  const uint32_t formulaSize = cursor.U32();
  if (!cursor.Ok()) return;
  CfValue value;
  value.kind = BinaryValueKind(kind);
  value.gte = gte;
  BinaryRuleFormula f;
  if (formulaSize > 0 && ReadParsedFormula(&cursor, &f)) value.formula = Render(f);
  else if (value.kind == kCfvoNum || value.kind == kCfvoPercent || value.kind == kCfvoPercentile) value.formula = BinaryNumberText(number);
  if (part == kScale && rule.colorScale->points.size() < kMaxPoints) {
    rule.colorScale->points.push_back(std::move(value));
  } else if (part == kBar) {
    (barValues++ == 0 ? rule.dataBar->low : rule.dataBar->high) = std::move(value);
  } else if (part == kIcons && rule.iconSet->thresholds.size() < kMaxPoints) {
    rule.iconSet->thresholds.push_back(std::move(value));
  }
}

void Reader::Color(const RecordEntry& record) {
  if (!inRule || (part != kScale && part != kBar)) return;
  RecordCursor cursor(record);
  const BinaryColor color = ReadBinaryColor(&cursor);
  if (!cursor.Ok()) return;
  const CellColor resolved = ResolveBinaryColor(workbook, color);
  if (part == kScale && rule.colorScale->colors.size() < kMaxPoints) rule.colorScale->colors.push_back(resolved);
  if (part == kBar) rule.dataBar->color = rule.dataBar->borderColor = resolved;
}

// A scale needs a colour per point, an icon set a threshold per icon; what falls short is dropped.
void Reader::EndRule() {
  if (!inRule) return;
  inRule = false;
  part = kNone;
  if (rule.colorScale && (rule.colorScale->points.size() < 2 || rule.colorScale->colors.size() != rule.colorScale->points.size()))
    rule.colorScale = nullptr;
  if (rule.dataBar && barValues < 2) rule.dataBar = nullptr;
  if (rule.iconSet) {
    const size_t need = size_t(CfIconCount(rule.iconSet->set));
    if (need > 0 && rule.iconSet->thresholds.size() < need) rule.iconSet = nullptr;
    else if (need > 0) rule.iconSet->thresholds.resize(need);
  }
  ++ruleCount;
  block.rules.push_back(std::move(rule));
}

void Reader::EndBlock() {
  EndRule();
  if (inBlock && !block.rules.empty()) {
    std::stable_sort(block.rules.begin(), block.rules.end(),
                     [](const CfRule& a, const CfRule& b) { return a.priority < b.priority; });
    out->blocks.push_back(std::move(block));
  }
  block = CondFmt();
  inBlock = false;
}

}  // namespace

std::u16string RenderBinaryRuleFormula(const Workbook& workbook, const BinaryRuleFormula& formula, int32_t row,
                                       int32_t column) {
  FormulaTokens tokens;
  tokens.tokens = formula.tokens, tokens.length = formula.length;
  tokens.extra = formula.extra, tokens.extraLength = formula.extraLength;
  tokens.row = row, tokens.column = column;
  std::u16string text;
  if (RenderFormulaTokens(workbook, tokens, &text) != XLX_OK) return std::u16string();
  return text;
}

void DecodeBinaryRuleFields(uint32_t kind, uint32_t tmpl, uint32_t param, uint16_t flags, CfRule* rule) {
  rule->stopIfTrue = (flags & kFlagStopIfTrue) != 0;
  switch (kind) {
    case kKindCellIs:
      rule->type = kCfCellIs;
      rule->op = param >= kCfOpBetween && param <= kCfOpLessEqual ? int32_t(param) : kCfOpNone;
      break;
    case kKindExpression:
      rule->type = TemplateType(tmpl, param, &rule->timePeriod);
      // The text rules carry the operator the XML form writes with them.
      if (tmpl == 8) rule->op = param < 4 ? kCfOpContains + int32_t(param) : kCfOpContains;
      break;
    case kKindScale: rule->type = kCfColorScale; break;
    case kKindBar: rule->type = kCfDataBar; break;
    case kKindTop:
      rule->type = kCfTop10;
      rule->rank = param > 1000 ? 1000 : int32_t(param);
      rule->isBottom = (flags & kFlagBottom) != 0;
      rule->isPercent = (flags & kFlagPercent) != 0;
      break;
    case kKindIcons: rule->type = kCfIconSet; break;
    default: rule->type = kCfUnknown; break;
  }
  if (rule->type == kCfAboveAverage || rule->type == kCfBelowAverage || rule->type == kCfAboveOrEqualAverage ||
      rule->type == kCfBelowOrEqualAverage)
    rule->stdDev = param > 3 ? 3 : int32_t(param);
}

int32_t BinaryValueKind(uint32_t type) {
  switch (type) {
    case 2: return kCfvoMin;
    case 3: return kCfvoMax;
    case 4: return kCfvoPercent;
    case 5: return kCfvoPercentile;
    case 7: return kCfvoFormula;
    case 8: return kCfvoAutoMin;
    case 9: return kCfvoAutoMax;
    default: return kCfvoNum;
  }
}

std::u16string BinaryNumberText(double value) {
  if (!std::isfinite(value)) return u"0";
  char text[40];
  std::snprintf(text, sizeof text, "%.15g", value);
  return std::u16string(text, text + std::char_traits<char>::length(text));
}

int32_t ReadBinaryConditionalFormats(const Workbook& workbook, MyWorksheet* sheet, const RecordList& records) {
  if (!sheet) return XLX_ERR_ARGUMENT;
  const int32_t rc = Guarded([&]() -> int32_t {
    auto formats = std::make_shared<SheetCondFormats>();
    Reader r(workbook, formats.get());
    for (const RecordEntry& record : records) {
      switch (record.type) {
        case kBeginBlock: r.BeginBlock(record); break;
        case kEndBlock: r.EndBlock(); break;
        case kBeginRule: r.EndRule(); r.BeginRule(record); break;
        case kEndRule: r.EndRule(); break;
        case kBeginColorScale:
          if (r.inRule) r.part = Reader::kScale, r.rule.colorScale = std::make_shared<CfColorScale>();
          break;
        case kBeginDataBar:
          if (r.inRule) {
            RecordCursor cursor(record);
            auto bar = std::make_shared<CfDataBar>();
            const uint8_t low = cursor.U8(), high = cursor.U8(), show = cursor.U8();
            if (cursor.Ok()) {
              bar->minLength = std::min<int32_t>(low, 100);
              bar->maxLength = std::max(bar->minLength, std::min<int32_t>(high, 100));
              bar->showValue = show != 0;
            }
            r.part = Reader::kBar, r.rule.dataBar = bar, r.barValues = 0;
          }
          break;
        case kBeginIconSet:
          if (r.inRule) {
            RecordCursor cursor(record);
            auto icons = std::make_shared<CfIconSet>();
            const uint32_t set = cursor.U32(), flags = cursor.U16();  // the application writes six bytes
            icons->set = set == 0xFFFFFFFFu ? kIconsNoIcons : set < uint32_t(kIconsNoIcons) ? int32_t(set) : kIcons3TrafficLights1;
            if (cursor.Ok()) icons->showValue = !(flags & kIconOnly), icons->reverse = (flags & kIconReverse) != 0;
            r.part = Reader::kIcons, r.rule.iconSet = icons;
          }
          break;
        case kEndColorScale: case kEndDataBar: case kEndIconSet: r.part = Reader::kNone; break;
        case kValue: r.Value(record); break;
        case kColor: r.Color(record); break;
        case kBinaryCfRuleExt:
          if (r.inRule) r.rule.extensionId = BinaryRuleExtensionId(record);
          break;
        default: break;
      }
    }
    r.EndBlock();
    ReadBinaryExtensionFormats(workbook, records, formats.get(), &r.ruleCount);
    std::stable_sort(formats->blocks.begin(), formats->blocks.end(),
                     [](const CondFmt& a, const CondFmt& b) { return a.rules[0].priority < b.rules[0].priority; });
    sheet->condFormats = formats->blocks.empty() ? nullptr : formats;
    return XLX_OK;
  });
  if (rc != XLX_OK) sheet->condFormats = nullptr;
  return rc == XLX_ERR_MEMORY ? rc : XLX_OK;
}

}  // namespace xlx
