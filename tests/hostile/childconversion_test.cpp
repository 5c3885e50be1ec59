// Work run in a child process: its output comes back when it finishes within the limits; a crash,
// a spin, unbounded memory, a stall or a flood of output costs only the child, and conversions on
// other threads neither wait for it nor keep its pipe open.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "host/kernel/childconversion.h"

namespace {

using vkimg::ChildLimits;
using vkimg::RunInChildProcess;

const ChildLimits kSmall = {size_t(64) << 20, 1, 2000, size_t(1) << 20};

bool Echo(const void* context, std::string* out) {
  *out = static_cast<const char*>(context);
  return true;
}
bool Refuse(const void*, std::string* out) {
  *out = "partial";
  return false;
}
bool Crash(const void*, std::string*) {
  raise(SIGSEGV);
  return true;
}
bool Spin(const void*, std::string*) {
  for (volatile unsigned long i = 0;; ++i) {
  }
}
bool Grow(const void*, std::string* out) {
  std::vector<std::string> blocks;
  for (;;) blocks.emplace_back(size_t(16) << 20, 'x');  // std::bad_alloc once the limit is reached
  *out = "never";
  return true;
}
bool Stall(const void*, std::string* out) {
  sleep(30);
  *out = "late";
  return true;
}
bool Flood(const void*, std::string* out) {
  out->assign(size_t(2) << 20, 'f');
  return true;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

TEST(ChildConversion, OutputReturnsOnlyFromAWholeRun) {
  struct Case {
    const char* what;
    vkimg::ChildWork work;
    int32_t result;
    double maxSeconds;
  } cases[] = {
      {"finishes", Echo, 1, 2},     {"fails", Refuse, -9, 2},       {"crashes", Crash, -9, 2},
      {"spins past its CPU time", Spin, -9, 2.5}, {"grows past its memory", Grow, -9, 2},
      {"stalls past the wall time", Stall, -9, 3}, {"writes past the output limit", Flood, -9, 2},
  };
  for (const Case& c : cases) {
    std::string output = "stale";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunInChildProcess(c.work, "<svg/>", kSmall, &output), c.result) << c.what;
    EXPECT_LT(Seconds(start), c.maxSeconds) << c.what;
    EXPECT_EQ(output, c.result == 1 ? "<svg/>" : "") << c.what;
  }
}

// A stalled conversion on one thread holds no lock the others need, and the pipe it forked with
// does not hold theirs open.
TEST(ChildConversion, AStalledChildDelaysNoOtherConversion) {
  const ChildLimits stalling = {size_t(64) << 20, 5, 3000, size_t(1) << 20};
  std::thread slow([&] {
    std::string output;
    EXPECT_EQ(RunInChildProcess(Stall, nullptr, stalling, &output), -9);
  });
  usleep(200 * 1000);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 5; ++i) {
    std::string output;
    EXPECT_EQ(RunInChildProcess(Echo, "quick", kSmall, &output), 1);
    EXPECT_EQ(output, "quick");
  }
  EXPECT_LT(Seconds(start), 1.5);
  slow.join();
}

}  // namespace
