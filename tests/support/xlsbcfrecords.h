// Conditional-format records of a binary sheet part, for tests: a plain block with one rule, the
// extension block of the future-record section, and the data bars, icon sets, values (kind 1 num
// ... 9 automatic maximum) and colours inside them. Blocks cover one column (all 0-based).
#pragma once
#include <cstdint>
#include <string>

#include "tests/support/xlsbwriter.h"

namespace xlxtest {

struct CfSpan {
  uint32_t first = 1, last = 9, column = 1;  // B2:B10
};
const std::string kCfGuid = "0123456789abcdef";

inline std::string Rec(uint32_t number, const Payload& payload = Payload()) {
  std::string record;
  AppendRecord(&record, number, payload);
  return record;
}
// Plain records are 564 (colour) and 471 (value); the extension's 1055 and 1050 open with a word.
inline std::string CfRgb(uint32_t number, uint32_t rgb) {
  Payload p = number == 1055 ? Payload().U32(0) : Payload();
  return Rec(number, p.U8(5).U8(0xFF).U16(0).U8(uint8_t(rgb >> 16)).U8(uint8_t(rgb >> 8)).U8(uint8_t(rgb)).U8(0xFF));
}
inline std::string CfVal(uint32_t number, uint32_t kind, double value, bool gte = true) {
  Payload p = number == 1050 ? Payload().U32(0) : Payload();
  return Rec(number, p.U32(kind).F64(value).U32(1).U32(gte).U32(0));
}
// A plain block with one rule (dxf 0); a 16-byte `guid` ties it to an extension rule.
inline std::string CfPlain(uint32_t kind, uint32_t tmpl, const std::string& inner, const std::string& guid = "",
                           uint32_t priority = 3, CfSpan s = CfSpan()) {
  std::string r = Rec(461, Payload().U32(1).U32(0).U32(1).U32(s.first).U32(s.last).U32(s.column).U32(s.column));
  r += Rec(463, Payload().U32(kind).U32(tmpl).U32(0).U32(priority).U32(0).U32(0).U32(0).U16(0).U32(0).U32(0).U32(0).U32(0xFFFFFFFFu));
  if (!guid.empty()) r += Rec(35, Payload().U32(0x0E02)) + Rec(1146, Payload().U32(0).Raw(guid)) + Rec(36);
  return r + inner + Rec(464) + Rec(462);
}
// An extension block with one rule (priority -1 keeps the partner's) and its one formula's tokens.
inline std::string CfExt(uint32_t kind, uint32_t tmpl, int32_t priority, const std::string& inner, const std::string& guid = kCfGuid,
                         CfSpan s = CfSpan(), const std::string& formula = "") {
  Payload rule = formula.empty() ? Payload().U32(0) : Payload().U32(4).U32(1).U32(2).U32(uint32_t(formula.size())).U32(0).Raw(formula);
  rule.U32(kind).U32(tmpl).U32(0).U32(uint32_t(priority)).U32(0).U32(0).U32(0).U16(0).U32(uint32_t(formula.size()));
  rule.U32(0).U32(0).U32(0).Raw(guid).U32(1).U32(0xFFFFFFFFu);
  const Payload head = Payload().U32(2).U32(1).U32(2).U32(1).U32(s.first).U32(s.last).U32(s.column).U32(s.column).U32(1).U32(0);
  return Rec(35, Payload().U32(0x0E02)) + Rec(1135) + Rec(1046, head) + Rec(1048, rule) + inner + Rec(1049) + Rec(1047) +
         Rec(1136) + Rec(36);
}
inline std::string CfBar14(uint8_t direction, uint8_t axis, uint16_t flags, const std::string& inner) {
  return Rec(1051, Payload().U32(0).U8(0).U8(100).U8(1).U8(direction).U8(axis).U16(flags)) + inner + Rec(1156);
}
inline std::string CfIcons14(int32_t set, uint16_t flags, const std::string& inner) {
  return Rec(1052, Payload().U32(0).U32(uint32_t(set)).U16(flags)) + inner + Rec(1155);
}
inline std::string CfIconRecord(int32_t set, int32_t index) {
  return Rec(1112, Payload().U32(0).U32(uint32_t(set)).U32(uint32_t(index)));
}

}  // namespace xlxtest
