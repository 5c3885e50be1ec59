// The work budget: processor time inside a call is charged and stops the call past the budget;
// polls are passed on to the call's own record until then; work outside calls, waiting, and polls
// from threads outside a call charge nothing.
#include <gtest/gtest.h>

#include <time.h>

#include <chrono>
#include <thread>

#include "common/progress.h"
#include "common/workbudget.h"
#include "host/resultcodes.h"

using namespace xlx;

namespace {

struct HostRecord {
  ProgressCallback record{};
  int polls = 0;
  int32_t answer = XLX_OK;
  HostRecord() {
    record.pfnProgress = [](int32_t, uint64_t user) {
      auto* self = reinterpret_cast<HostRecord*>(user);
      ++self->polls;
      return self->answer;
    };
    record.uUser = reinterpret_cast<uint64_t>(this);
  }
};

double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec + now.tv_nsec / 1e9;
}

// Keeps the processor busy for this long.
void Work(int milliseconds) {
  const double end = ThreadSeconds() + milliseconds / 1000.0;
  volatile uint64_t sink = 0;
  while (ThreadSeconds() < end) sink = sink + 1;
}

TEST(WorkBudget, CallTimeIsChargedUntilTheBudgetStopsTheCall) {
  WorkBudget budget(0.3);
  HostRecord host;
  {
    WorkBudget::Call call(&budget, &host.record);
    Work(60);
    EXPECT_EQ(PollProgress(budget.Progress()), XLX_OK);
    EXPECT_EQ(host.polls, 1) << "the caller's own record is polled too";
    host.answer = XLX_ERR_ARGUMENT;
    EXPECT_EQ(PollProgress(budget.Progress()), XLX_ERR_ARGUMENT) << "and its answer stops the call";
    host.answer = XLX_OK;
  }
  Work(400);  // between calls: not charged
  EXPECT_LT(budget.SpentSeconds(), 0.3);
  {
    WorkBudget::Call call(&budget, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));  // waiting is not work
    EXPECT_EQ(PollProgress(budget.Progress()), XLX_OK);
  }
  {
    WorkBudget::Call call(&budget, nullptr);
    EXPECT_EQ(PollProgress(budget.Progress()), XLX_OK);
    Work(300);
    EXPECT_EQ(PollProgress(budget.Progress()), XLX_ERR_WORK_BUDGET);
  }
  EXPECT_GE(budget.SpentSeconds(), 0.3);
  WorkBudget::Call later(&budget, &host.record);
  EXPECT_EQ(PollProgress(budget.Progress()), XLX_ERR_WORK_BUDGET) << "a spent budget stops every later call";
  EXPECT_EQ(host.polls, 2);
}

TEST(WorkBudget, CallsOnThreadsAddUpAndOtherThreadsChargeNothing) {
  WorkBudget budget(10);
  HostRecord host;
  std::thread outside([&] {
    Work(100);
    EXPECT_EQ(PollProgress(budget.Progress()), XLX_OK);  // no call on this thread
  });
  outside.join();
  EXPECT_EQ(budget.SpentSeconds(), 0);
  std::thread pages[2];
  for (std::thread& page : pages)
    page = std::thread([&] {
      WorkBudget::Call call(&budget, nullptr);
      Work(80);
    });
  for (std::thread& page : pages) page.join();
  EXPECT_GE(budget.SpentSeconds(), 0.16);
  EXPECT_EQ(host.polls, 0);
}

}  // namespace
