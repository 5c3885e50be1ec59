#include "common/progress.h"
#include "common/resultcodes.h"

namespace xlx {
int32_t PollProgress(const ProgressCallback* progress) {
  if (!progress || !progress->pfnProgress) return XLX_OK;
  return progress->pfnProgress(0, progress->uUser);
}
}  // namespace xlx
