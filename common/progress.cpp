#include "common/progress.h"

namespace xlx {
int32_t PollProgress(const ProgressCallback* progress) {
  if (!progress || !progress->pfnProgress) return 1;
  return progress->pfnProgress(0, progress->uUser);
}
}  // namespace xlx
