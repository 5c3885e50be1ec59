// Polling the host's progress record between steps of a call.
#pragma once
#include <cstdint>
#include "host/hostrecords.h"

namespace xlx {
// 1 to go on (also for a null record or function); any other value stops the call with it.
[[nodiscard]] int32_t PollProgress(const ProgressCallback* progress);
}  // namespace xlx
