// Limits on what workbook-level parts may claim, beside the package limits of common/limits.h.
// A declared count only shapes index lookups; storage is sized by the children actually present.
#pragma once
#include <cstdint>

namespace xlx {
constexpr int32_t kMaxStyleListCount = 1 << 20;       // declared count of a styles list
constexpr int32_t kMaxSharedStringCount = 1 << 28;    // declared `uniqueCount`
constexpr double kMaxFontPoints = 409.0;              // largest font size the application accepts
constexpr int32_t kMaxFaceNameUnits = 31;             // font face names are cut here
constexpr int32_t kMaxDpi = 9600;                     // device resolution accepted by the readers
}  // namespace xlx
