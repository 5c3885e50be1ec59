// Names of the conditional-format kinds as the sheet part writes them.
#include "model/condformat.h"

#include <cstring>

namespace xlx {
namespace {

struct NamedCode {
  const char* name;
  int32_t code;
};

int32_t Find(const NamedCode* table, size_t count, const char* name, int32_t fallback) {
  if (!name) return fallback;
  for (size_t i = 0; i < count; ++i)
    if (strcmp(table[i].name, name) == 0) return table[i].code;
  return fallback;
}

const NamedCode kTypes[] = {
    {"cellIs", kCfCellIs}, {"colorScale", kCfColorScale}, {"dataBar", kCfDataBar}, {"top10", kCfTop10},
    {"iconSet", kCfIconSet}, {"expression", kCfExpression}, {"uniqueValues", kCfUniqueValues},
    {"containsText", kCfContainsText}, {"containsBlanks", kCfContainsBlanks},
    {"notContainsBlanks", kCfNotContainsBlanks}, {"containsErrors", kCfContainsErrors},
    {"notContainsErrors", kCfNotContainsErrors}, {"duplicateValues", kCfDuplicateValues},
    {"timePeriod", kCfTimePeriod}, {"beginsWith", kCfBeginsWith}, {"endsWith", kCfEndsWith},
    {"notContainsText", kCfNotContainsText},
};
const NamedCode kOperators[] = {
    {"between", kCfOpBetween}, {"notBetween", kCfOpNotBetween}, {"equal", kCfOpEqual},
    {"notEqual", kCfOpNotEqual}, {"greaterThan", kCfOpGreater}, {"lessThan", kCfOpLess},
    {"greaterThanOrEqual", kCfOpGreaterEqual}, {"lessThanOrEqual", kCfOpLessEqual},
    {"containsText", kCfOpContains}, {"notContains", kCfOpNotContains}, {"beginsWith", kCfOpBeginsWith},
    {"endsWith", kCfOpEndsWith},
};
const NamedCode kPeriods[] = {
    {"today", kCfToday}, {"yesterday", kCfYesterday}, {"last7Days", kCfLast7Days}, {"thisWeek", kCfThisWeek},
    {"lastWeek", kCfLastWeek}, {"lastMonth", kCfLastMonth}, {"tomorrow", kCfTomorrow},
    {"nextWeek", kCfNextWeek}, {"nextMonth", kCfNextMonth}, {"thisMonth", kCfThisMonth},
};
const NamedCode kValueKinds[] = {
    {"num", kCfvoNum}, {"min", kCfvoMin}, {"max", kCfvoMax}, {"percent", kCfvoPercent},
    {"percentile", kCfvoPercentile}, {"formula", kCfvoFormula}, {"autoMin", kCfvoAutoMin},
    {"autoMax", kCfvoAutoMax},
};
const NamedCode kIconSets[] = {
    {"3Arrows", kIcons3Arrows}, {"3ArrowsGray", kIcons3ArrowsGray}, {"3Flags", kIcons3Flags},
    {"3TrafficLights1", kIcons3TrafficLights1}, {"3TrafficLights2", kIcons3TrafficLights2},
    {"3Signs", kIcons3Signs}, {"3Symbols", kIcons3Symbols}, {"3Symbols2", kIcons3Symbols2},
    {"4Arrows", kIcons4Arrows}, {"4ArrowsGray", kIcons4ArrowsGray}, {"4RedToBlack", kIcons4RedToBlack},
    {"4Rating", kIcons4Rating}, {"4TrafficLights", kIcons4TrafficLights}, {"5Arrows", kIcons5Arrows},
    {"5ArrowsGray", kIcons5ArrowsGray}, {"5Rating", kIcons5Rating}, {"5Quarters", kIcons5Quarters},
    {"3Stars", kIcons3Stars}, {"3Triangles", kIcons3Triangles}, {"5Boxes", kIcons5Boxes},
    {"NoIcons", kIconsNoIcons},
};

template <size_t N>
int32_t Lookup(const NamedCode (&table)[N], const char* name, int32_t fallback) {
  return Find(table, N, name, fallback);
}

}  // namespace

int32_t CfTypeFromName(const char* type, bool above, bool equal) {
  if (type && strcmp(type, "aboveAverage") == 0) {
    if (above) return equal ? kCfAboveOrEqualAverage : kCfAboveAverage;
    return equal ? kCfBelowOrEqualAverage : kCfBelowAverage;
  }
  return Lookup(kTypes, type, kCfUnknown);
}
int32_t CfOperatorFromName(const char* name) { return Lookup(kOperators, name, kCfOpNone); }
int32_t CfTimePeriodFromName(const char* name) { return Lookup(kPeriods, name, -1); }
int32_t CfValueKindFromName(const char* name) { return Lookup(kValueKinds, name, kCfvoNum); }
int32_t CfIconSetFromName(const char* name) { return Lookup(kIconSets, name, -1); }

int32_t CfIconCount(int32_t set) {
  if (set == kIconsNoIcons || set < 0 || set >= kIconSetCount) return 0;
  if (set == kIcons5Arrows || set == kIcons5ArrowsGray || set == kIcons5Rating || set == kIcons5Quarters ||
      set == kIcons5Boxes)
    return 5;
  if (set >= kIcons4Arrows && set <= kIcons4TrafficLights) return 4;
  return 3;
}

}  // namespace xlx
