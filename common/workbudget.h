// A workbook's budget of work time. Parsing a workbook (its parts, its formulas) and drawing its
// pages are calls that poll a progress record between steps; the budget hands out such a record,
// which charges the processor time the calling thread spent inside the workbook's calls since
// the last poll (each thread its own calls, pages drawn at once adding up; time the machine gives
// to other work is not counted) and stops the call with XLX_ERR_WORK_BUDGET once the
// total passes the budget. Otherwise it passes the poll on to the call's own progress record.
#pragma once
#include <atomic>
#include <cstdint>

#include "host/hostrecords.h"

namespace xlx {

class WorkBudget {
 public:
  explicit WorkBudget(double seconds);
  WorkBudget(const WorkBudget&) = delete;
  WorkBudget& operator=(const WorkBudget&) = delete;

  // The record to poll during a call of this workbook (valid while the budget lives).
  const ProgressCallback* Progress() const { return &callback_; }

  // One call of the workbook on the calling thread: its processor time counts from construction
  // until destruction. `host` is the caller's own progress record (may be null), polled by the polls
  // of this thread while the call lasts. Calls do not nest on one thread.
  class Call {
   public:
    Call(WorkBudget* budget, const ProgressCallback* host);
    ~Call();
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

   private:
    WorkBudget* budget_;
  };

  // Work time charged so far, and whether it passes the budget.
  double SpentSeconds() const;
  bool Spent() const { return spentNanos_.load(std::memory_order_relaxed) > budgetNanos_; }

 private:
  static int32_t Poll(int32_t reserved, uint64_t user);
  void ChargeThread();

  ProgressCallback callback_;
  std::atomic<int64_t> spentNanos_{0};
  const int64_t budgetNanos_;
};

}  // namespace xlx
