#include "common/workbudget.h"

#include <time.h>

#include <cstring>

#include "host/resultcodes.h"

namespace xlx {
namespace {

// Processor time of the calling thread, ns: work done, whatever else the machine runs meanwhile.
int64_t ThreadNanos() {
  timespec now{};
  if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) != 0) return 0;
  return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Wall time, ns: read without a system call, unlike a thread's processor time.
int64_t WallNanos() {
  timespec now{};
  if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return 0;
  return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Polls come every few rows or cells; the processor time is read at most this often (a thread
// cannot work longer than the wall time that passes, so nothing goes uncharged, only later).
constexpr int64_t kChargeIntervalNanos = 5000000;

// The call running on this thread: its budget, the caller's progress record and when its time
// was last charged (processor and wall time).
struct ThreadCall {
  WorkBudget* budget = nullptr;
  const ProgressCallback* host = nullptr;
  int64_t mark = 0, wallMark = 0;
};
thread_local ThreadCall t_call;

}  // namespace

WorkBudget::WorkBudget(double seconds)
    : budgetNanos_(seconds > 0 && seconds < 1e9 ? static_cast<int64_t>(seconds * 1e9) : INT64_MAX) {
  std::memset(&callback_, 0, sizeof(callback_));
  callback_.pfnProgress = &WorkBudget::Poll;
  callback_.uUser = reinterpret_cast<uint64_t>(this);
}

WorkBudget::Call::Call(WorkBudget* budget, const ProgressCallback* host) : budget_(budget) {
  if (!budget_) return;
  t_call.budget = budget_;
  t_call.host = host;
  t_call.mark = ThreadNanos();
  t_call.wallMark = WallNanos();
}

WorkBudget::Call::~Call() {
  if (!budget_) return;
  budget_->ChargeThread();
  t_call.budget = nullptr;
  t_call.host = nullptr;
}

// Adds the processor time since this thread's last charge, when the thread is in a call of this budget.
// Helper threads of a call charge nothing: the call's own thread counts that time.
void WorkBudget::ChargeThread() {
  if (t_call.budget != this) return;
  const int64_t now = ThreadNanos();
  const int64_t nanos = now - t_call.mark;
  t_call.mark = now;
  t_call.wallMark = WallNanos();
  if (nanos > 0) spentNanos_.fetch_add(nanos, std::memory_order_relaxed);
}

double WorkBudget::SpentSeconds() const { return spentNanos_.load(std::memory_order_relaxed) / 1e9; }

int32_t WorkBudget::Poll(int32_t reserved, uint64_t user) {
  auto* self = reinterpret_cast<WorkBudget*>(user);
  if (t_call.budget == self && WallNanos() - t_call.wallMark >= kChargeIntervalNanos) self->ChargeThread();
  if (self->Spent()) return XLX_ERR_WORK_BUDGET;
  const ProgressCallback* host = t_call.budget == self ? t_call.host : nullptr;
  return host && host->pfnProgress ? host->pfnProgress(reserved, host->uUser) : XLX_OK;
}

}  // namespace xlx
