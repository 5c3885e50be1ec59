// Conditional formats of a worksheet: the `conditionalFormatting` blocks with their rules, and the
// colour-scale, data-bar and icon-set descriptions that go with some of them. The worksheet reader
// fills them (the SpreadsheetML rules and the `x14` extension rules merged into one list); the
// evaluator in values/ decides per cell which of them apply, and the cell pass draws the result.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/cellref.h"
#include "model/styles.h"

namespace xlx {

// Rule kinds (`type`; aboveAverage is split by its `aboveAverage` and `equalAverage` flags).
enum CfType : int32_t {
  kCfUnknown = 0, kCfCellIs = 1, kCfColorScale = 3, kCfDataBar = 4, kCfTop10 = 5, kCfIconSet = 6,
  kCfExpression = 7, kCfUniqueValues = 13, kCfContainsText = 14, kCfContainsBlanks = 15,
  kCfNotContainsBlanks = 16, kCfContainsErrors = 17, kCfNotContainsErrors = 18, kCfAboveAverage = 31,
  kCfBelowAverage = 32, kCfDuplicateValues = 33, kCfAboveOrEqualAverage = 35, kCfBelowOrEqualAverage = 36,
  kCfTimePeriod = 37, kCfBeginsWith = 38, kCfEndsWith = 39, kCfNotContainsText = 40,
};

// `operator` of a cellIs rule.
enum CfOperator : int32_t {
  kCfOpNone = 0, kCfOpBetween = 1, kCfOpNotBetween = 2, kCfOpEqual = 3, kCfOpNotEqual = 4, kCfOpGreater = 5,
  kCfOpLess = 6, kCfOpGreaterEqual = 7, kCfOpLessEqual = 8, kCfOpContains = 9, kCfOpNotContains = 10,
  kCfOpBeginsWith = 11, kCfOpEndsWith = 12,
};

// `timePeriod` of a timePeriod rule.
enum CfTimePeriod : int32_t {
  kCfToday = 0, kCfYesterday = 1, kCfLast7Days = 2, kCfThisWeek = 3, kCfLastWeek = 4, kCfLastMonth = 5,
  kCfTomorrow = 6, kCfNextWeek = 7, kCfNextMonth = 8, kCfThisMonth = 9,
};

// `type` of a `cfvo` (a point of a scale, bar or icon set).
enum CfValueKind : int32_t {
  kCfvoNum = 0, kCfvoMin = 1, kCfvoMax = 2, kCfvoPercent = 3, kCfvoPercentile = 4, kCfvoFormula = 5,
  kCfvoAutoMin = 6, kCfvoAutoMax = 7,
};

struct CfValue {
  int32_t kind = kCfvoNum;  // CfValueKind
  std::u16string formula;   // `val` or the `xm:f` text; a number, a formula or empty
  bool gte = true;          // `gte`: an icon threshold holds at equality
};

struct CfColorScale {
  std::vector<CfValue> points;     // 2 or 3, ascending
  std::vector<CellColor> colors;   // one per point
};

enum CfBarDirection : int32_t { kBarContext = 0, kBarLeftToRight = 1, kBarRightToLeft = 2 };
enum CfAxisPosition : int32_t { kAxisAutomatic = 0, kAxisMiddle = 1, kAxisNone = 2 };

// A data bar: the plain rule gives the 2007 look (a gradient fading to white, lengths 10-90 %),
// the extension the current one.
struct CfDataBar {
  CfValue low, high;
  CellColor color = MakeCellColor(0x63, 0x8E, 0xC6);
  bool extended = false;             // read from the extension
  bool gradient = true;
  bool border = false;
  CellColor borderColor = MakeCellColor(0x63, 0x8E, 0xC6);
  CellColor negativeColor = MakeCellColor(0xFF, 0x00, 0x00);
  CellColor negativeBorderColor = MakeCellColor(0xFF, 0x00, 0x00);
  bool negativeSameAsPositive = false;
  bool negativeBorderSameAsPositive = true;
  CellColor axisColor = MakeCellColor(0, 0, 0);
  int32_t axisPosition = kAxisAutomatic;  // CfAxisPosition
  int32_t direction = kBarContext;        // CfBarDirection
  int32_t minLength = 10;                 // percent of the cell width
  int32_t maxLength = 90;
  bool showValue = true;
};

// Built-in icon sets, in the order of their names.
enum CfIconSetKind : int32_t {
  kIcons3Arrows = 0, kIcons3ArrowsGray, kIcons3Flags, kIcons3TrafficLights1, kIcons3TrafficLights2, kIcons3Signs,
  kIcons3Symbols, kIcons3Symbols2, kIcons4Arrows, kIcons4ArrowsGray, kIcons4RedToBlack, kIcons4Rating,
  kIcons4TrafficLights, kIcons5Arrows, kIcons5ArrowsGray, kIcons5Rating, kIcons5Quarters, kIcons3Stars,
  kIcons3Triangles, kIcons5Boxes, kIconsNoIcons, kIconSetCount,
};

// One icon: a set and its index in it (0 is the lowest values' icon of the unreversed set).
struct CfIcon {
  int32_t set = kIcons3TrafficLights1;
  int32_t index = 0;
};

struct CfIconSet {
  int32_t set = kIcons3TrafficLights1;  // CfIconSetKind
  std::vector<CfValue> thresholds;      // one per icon; the first is the lower bound
  std::vector<CfIcon> custom;           // `x14:cfIcon` per icon when the set is custom
  bool reverse = false;
  bool showValue = true;
};

struct CfRule {
  int32_t priority = INT32_MAX;
  bool stopIfTrue = false;
  int32_t dxfId = -1;
  int32_t type = kCfUnknown;     // CfType
  std::u16string text;           // containsText, beginsWith, endsWith, notContainsText
  int32_t op = kCfOpNone;        // CfOperator
  int32_t timePeriod = -1;       // CfTimePeriod
  int32_t stdDev = 0;
  int32_t rank = 10;
  bool isBottom = false;
  bool isPercent = false;
  std::vector<std::u16string> formulas;  // `formula` children (at most two kept)
  std::u16string extensionId;            // the `{GUID}` that ties the rule to its extension
  std::shared_ptr<const Dxf> ownDxf;     // an extension rule's own `x14:dxf`
  std::shared_ptr<CfColorScale> colorScale;
  std::shared_ptr<CfDataBar> dataBar;
  std::shared_ptr<CfIconSet> iconSet;
};

// One `conditionalFormatting` block: the ranges of its `sqref` and its rules by priority.
struct CondFmt {
  bool pivot = false;
  std::vector<CellRange> ranges;
  std::vector<CfRule> rules;
};

// What the evaluator keeps between pages (statistics, compiled formulas); defined in values/.
struct CondFmtCache;

struct SheetCondFormats {
  std::vector<CondFmt> blocks;  // by the priority of their first rule
  std::shared_ptr<CondFmtCache> cache;
};

// Code of a `type` value (with the aboveAverage flags); kCfUnknown for any other text.
int32_t CfTypeFromName(const char* type, bool above, bool equal);
int32_t CfOperatorFromName(const char* name);
int32_t CfTimePeriodFromName(const char* name);
int32_t CfValueKindFromName(const char* name);
// Index of an icon-set name ("3Arrows" ...), -1 when unknown.
int32_t CfIconSetFromName(const char* name);
// Icons in a set (3, 4 or 5; 0 for kIconsNoIcons).
int32_t CfIconCount(int32_t set);

}  // namespace xlx
