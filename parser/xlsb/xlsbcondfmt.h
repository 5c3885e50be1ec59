// What the readers of a binary sheet's conditional formats share: the plain rules (xlsbcondfmt.cpp)
// and the extension rules that the current look of data bars and the newer icon sets are written
// in (xlsbcondfmtext.cpp). Both decode the same rule fields and value kinds, and an extension rule
// finds its plain partner through the id that both carry.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/workbook.h"
#include "parser/xlsb/xlsbrecords.h"

namespace xlx {

// Bounds on what one sheet may hold, as for the XML form; content past them is left out.
constexpr size_t kMaxBinaryCfRules = 200000;
constexpr uint32_t kMaxBinaryCfRangesPerBlock = 4096;
constexpr size_t kMaxBinaryCfPoints = 5;

// The id record inside a plain rule that names its extension rule.
constexpr uint32_t kBinaryCfRuleExt = RawType(1146);

// A parsed formula of a rule or value record: its tokens and extra data, inside the record.
struct BinaryRuleFormula {
  const uint8_t* tokens = nullptr;
  uint32_t length = 0;
  const uint8_t* extra = nullptr;
  uint32_t extraLength = 0;
};

// The formula's text seen from the cell at (row, column), 1-based; empty when it cannot be rendered.
std::u16string RenderBinaryRuleFormula(const Workbook& workbook, const BinaryRuleFormula& formula, int32_t row,
                                       int32_t column);

// What both readers keep while they walk a sheet's blocks: the block and rule being read, where
// the block starts (rule formulas are written from its first cell), and which part of a visual
// rule the value and colour records that follow belong to.
struct BinaryRuleState {
  BinaryRuleState(const Workbook& wb, SheetCondFormats* formats) : workbook(wb), out(formats) {}
  const Workbook& workbook;
  SheetCondFormats* out;
  bool inBlock = false, inRule = false;
  CondFmt block;
  CfRule rule;
  int32_t baseRow = 1, baseColumn = 1;  // top-left cell of the block's first range
  enum Part { kNone, kScale, kBar, kIcons } part = kNone;
  size_t barValues = 0;

  // Formula text seen from the block's first cell; empty when it cannot be rendered.
  std::u16string Render(const BinaryRuleFormula& f) const {
    return RenderBinaryRuleFormula(workbook, f, baseRow, baseColumn);
  }
};

// Sets rule->type and what the kind, template, parameter and flags of a rule record say (operator,
// time period, rank, bottom, percent, standard deviations, stop-if-true). Unknown kinds and
// templates give kCfUnknown.
void DecodeBinaryRuleFields(uint32_t kind, uint32_t tmpl, uint32_t param, uint16_t flags, CfRule* rule);

// The model's kind of a value record's type (1 num, 2 min, 3 max, 4 percent, 5 percentile,
// 7 formula, 8 automatic minimum, 9 automatic maximum); kCfvoNum for any other type.
int32_t BinaryValueKind(uint32_t type);

// A value record's number as formula text ("2.5"); "0" for a number that is not finite.
std::u16string BinaryNumberText(double value);

// The "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" text of a 16-byte GUID as stored (the first three
// groups little-endian).
std::u16string BinaryGuidText(const uint8_t* guid);

// The id a rule-extension record carries (a reserved word and the GUID); empty when it is short.
std::u16string BinaryRuleExtensionId(const RecordEntry& record);

// Reads the extension blocks among a sheet part's records into `formats`, after its plain blocks:
// an extension rule whose id a plain rule carries replaces that rule (a data bar only adds its
// current look to the plain one, keeping the plain colour unless it has its own), one without a
// partner joins a block of its own. An extension rule's format is its own (rule->ownDxf, from the
// workbook's extension formats). *ruleCount counts every rule against kMaxBinaryCfRules.
void ReadBinaryExtensionFormats(const Workbook& workbook, const RecordList& records, SheetCondFormats* formats,
                                size_t* ruleCount);

}  // namespace xlx
