// CacheLock: readers share, a writer waits for the readers ahead of it and holds back the readers
// behind it, readers re-enter, the only reader upgrades. Each scenario drives named threads step by
// step; "still waiting" is asserted only once the thread is known to sleep inside the lock.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "common/readerwriterlock.h"

namespace {

using namespace std::chrono_literals;
using xlx::CacheLock;

constexpr auto kLimit = 20s;  // generous: the machine is shared and TSan is slow

// A thread that runs the steps posted to it, in order, so that it can hold a lock between steps.
class Actor {
 public:
  Actor() : thread_([this] { Run(); }) {}
  // A thread still blocked in the lock would make the join wait for ever: stop the run instead.
  ~Actor() {
    if (Post(nullptr).wait_for(kLimit) != std::future_status::ready) {
      std::fprintf(stderr, "a test thread is still blocked in the lock\n");
      std::abort();
    }
    thread_.join();
  }
  // Runs `step` on the thread after the steps before it; a null step ends the thread.
  std::shared_future<int32_t> Post(std::function<int32_t()> step) {
    const bool quit = !step;
    std::packaged_task<int32_t()> task(quit ? [] { return 0; } : std::move(step));
    std::shared_future<int32_t> result = task.get_future().share();
    std::lock_guard<std::mutex> guard(mutex_);
    quit_ = quit_ || quit;
    queue_.push_back(std::move(task));
    wake_.notify_one();
    return result;
  }

 private:
  void Run() {
    for (bool last = false; !last;) {
      std::unique_lock<std::mutex> guard(mutex_);
      wake_.wait(guard, [&] { return !queue_.empty(); });
      std::packaged_task<int32_t()> task = std::move(queue_.front());
      queue_.pop_front();
      last = quit_ && queue_.empty();
      guard.unlock();
      task();
    }
  }
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::packaged_task<int32_t()>> queue_;
  bool quit_ = false;
  std::thread thread_;
};

int32_t Finished(const std::shared_future<int32_t>& f) {
  return f.wait_for(kLimit) == std::future_status::ready ? f.get() : -999;
}
bool Pending(const std::shared_future<int32_t>& f) { return f.wait_for(0s) != std::future_status::ready; }
bool WaitersBecome(const CacheLock& lock, uint32_t n) {
  for (auto end = std::chrono::steady_clock::now() + kLimit; std::chrono::steady_clock::now() < end;) {
    if (lock.Waiters() == n) return true;
    std::this_thread::sleep_for(1ms);
  }
  return false;
}

TEST(CacheLock, ReadersShareAWriterWaitsForThemAndLaterReadersWaitForTheWriter) {
  CacheLock lock;
  Actor r1, r2, writer, r3;
  ASSERT_EQ(Finished(r1.Post([&] { return lock.AcquireRead(); })), 1);
  ASSERT_EQ(Finished(r2.Post([&] { return lock.AcquireRead(); })), 1);  // does not wait for r1

  std::atomic<int> order{0};
  int writerAt = 0, r3At = 0;
  auto w = writer.Post([&] { int32_t r = lock.AcquireWrite(); writerAt = ++order; return r; });
  ASSERT_TRUE(WaitersBecome(lock, 1));
  auto late = r3.Post([&] { int32_t r = lock.AcquireRead(); r3At = ++order; return r; });
  ASSERT_TRUE(WaitersBecome(lock, 2));
  EXPECT_TRUE(Pending(w));
  EXPECT_TRUE(Pending(late));

  EXPECT_EQ(Finished(r1.Post([&] { return lock.ReleaseRead(); })), 1);
  ASSERT_TRUE(WaitersBecome(lock, 2));  // one reader left: the writer still waits
  EXPECT_TRUE(Pending(w));
  EXPECT_EQ(Finished(r2.Post([&] { return lock.ReleaseRead(); })), 1);
  EXPECT_EQ(Finished(w), 1);
  ASSERT_TRUE(WaitersBecome(lock, 1));
  EXPECT_TRUE(Pending(late));

  EXPECT_EQ(Finished(writer.Post([&] { return lock.ReleaseWrite(); })), 1);
  EXPECT_EQ(Finished(late), 1);
  EXPECT_LT(writerAt, r3At);
  EXPECT_EQ(Finished(r3.Post([&] { return lock.ReleaseRead(); })), 1);
}

TEST(CacheLock, WritersAndReaderGroupsAreServedInArrivalOrder) {
  CacheLock lock;
  Actor first, w1, readerA, readerB, w2, last;
  std::mutex logMutex;
  std::vector<char> log;
  auto note = [&](char who, int32_t r) { std::lock_guard<std::mutex> g(logMutex); log.push_back(who); return r; };

  ASSERT_EQ(Finished(first.Post([&] { return lock.AcquireRead(); })), 1);
  std::vector<std::shared_future<int32_t>> queued;
  queued.push_back(w1.Post([&] { return note('W', lock.AcquireWrite()); }));
  ASSERT_TRUE(WaitersBecome(lock, 1));
  queued.push_back(readerA.Post([&] { return note('r', lock.AcquireRead()); }));
  queued.push_back(readerB.Post([&] { return note('r', lock.AcquireRead()); }));
  ASSERT_TRUE(WaitersBecome(lock, 3));
  queued.push_back(w2.Post([&] { return note('X', lock.AcquireWrite()); }));
  ASSERT_TRUE(WaitersBecome(lock, 4));
  queued.push_back(last.Post([&] { return note('l', lock.AcquireRead()); }));
  ASSERT_TRUE(WaitersBecome(lock, 5));

  EXPECT_EQ(Finished(first.Post([&] { return lock.ReleaseRead(); })), 1);
  EXPECT_EQ(Finished(queued[0]), 1);
  EXPECT_EQ(Finished(w1.Post([&] { return lock.ReleaseWrite(); })), 1);
  EXPECT_EQ(Finished(queued[1]), 1);  // both readers of the group run together
  EXPECT_EQ(Finished(queued[2]), 1);
  ASSERT_TRUE(WaitersBecome(lock, 2));
  EXPECT_EQ(Finished(readerA.Post([&] { return lock.ReleaseRead(); })), 1);
  EXPECT_EQ(Finished(readerB.Post([&] { return lock.ReleaseRead(); })), 1);
  EXPECT_EQ(Finished(queued[3]), 1);
  EXPECT_EQ(Finished(w2.Post([&] { return lock.ReleaseWrite(); })), 1);
  EXPECT_EQ(Finished(queued[4]), 1);
  EXPECT_EQ(Finished(last.Post([&] { return lock.ReleaseRead(); })), 1);
  EXPECT_EQ(std::string(log.begin(), log.end()), "WrrXl");
}

TEST(CacheLock, AReaderReEntersPastAQueuedWriter) {
  CacheLock lock;
  Actor reader, writer;
  ASSERT_EQ(Finished(reader.Post([&] { return lock.AcquireRead(); })), 1);
  auto w = writer.Post([&] { return lock.AcquireWrite(); });
  ASSERT_TRUE(WaitersBecome(lock, 1));
  EXPECT_EQ(Finished(reader.Post([&] { return lock.AcquireRead(); })), 1);
  EXPECT_EQ(Finished(reader.Post([&] { return lock.ReleaseRead(); })), 1);
  ASSERT_TRUE(WaitersBecome(lock, 1));  // one hold left
  EXPECT_TRUE(Pending(w));
  EXPECT_EQ(Finished(reader.Post([&] { return lock.ReleaseRead(); })), 1);
  EXPECT_EQ(Finished(w), 1);
  EXPECT_EQ(Finished(reader.Post([&] { return lock.ReleaseRead(); })), 0);  // nothing held any more
  EXPECT_EQ(Finished(writer.Post([&] { return lock.ReleaseWrite(); })), 1);
}

TEST(CacheLock, TheOnlyReaderTakesTheWriteLockAheadOfQueuedWriters) {
  CacheLock lock;
  Actor owner, queuedWriter, lateReader;
  ASSERT_EQ(Finished(owner.Post([&] { return lock.AcquireRead(); })), 1);
  auto w = queuedWriter.Post([&] { return lock.AcquireWrite(); });
  ASSERT_TRUE(WaitersBecome(lock, 1));
  EXPECT_EQ(Finished(owner.Post([&] { return lock.AcquireWrite(); })), 1);
  auto late = lateReader.Post([&] { return lock.AcquireRead(); });
  EXPECT_EQ(Finished(owner.Post([&] { return lock.ReleaseWrite(); })), 1);
  ASSERT_TRUE(WaitersBecome(lock, 2));  // the owner still reads: both wait
  EXPECT_EQ(Finished(owner.Post([&] { return lock.ReleaseRead(); })), 1);
  EXPECT_EQ(Finished(w), 1);
  EXPECT_TRUE(Pending(late));
  EXPECT_EQ(Finished(queuedWriter.Post([&] { return lock.ReleaseWrite(); })), 1);
  EXPECT_EQ(Finished(late), 1);
  EXPECT_EQ(Finished(lateReader.Post([&] { return lock.ReleaseRead(); })), 1);
}

TEST(CacheLock, AnUpgradeWaitsForOtherReadersAndASecondUpgradeIsRefused) {
  CacheLock lock;
  Actor a, b;
  ASSERT_EQ(Finished(a.Post([&] { return lock.AcquireRead(); })), 1);
  ASSERT_EQ(Finished(b.Post([&] { return lock.AcquireRead(); })), 1);
  auto upgrade = a.Post([&] { return lock.AcquireWrite(); });
  ASSERT_TRUE(WaitersBecome(lock, 1));
  EXPECT_EQ(Finished(b.Post([&] { return lock.AcquireWrite(); })), -1);  // would wait for a for ever
  EXPECT_EQ(Finished(b.Post([&] { return lock.ReleaseRead(); })), 1);
  EXPECT_EQ(Finished(upgrade), 1);
  EXPECT_EQ(Finished(a.Post([&] { return lock.ReleaseWrite(); })), 1);
  EXPECT_EQ(Finished(a.Post([&] { return lock.ReleaseRead(); })), 1);
}

TEST(CacheLock, TheWriterMayNestAndReleasesOnlyWhatItHolds) {
  CacheLock lock;
  Actor writer, reader;
  EXPECT_EQ(Finished(writer.Post([&] { return lock.ReleaseWrite() * 10 + lock.ReleaseRead(); })), 0);
  ASSERT_EQ(Finished(writer.Post([&] { return lock.AcquireWrite(); })), 1);
  EXPECT_EQ(Finished(reader.Post([&] { return lock.ReleaseWrite(); })), 0);  // not the writer
  EXPECT_EQ(Finished(writer.Post([&] { return lock.AcquireWrite() + lock.AcquireRead(); })), 2);
  auto r = reader.Post([&] { return lock.AcquireRead(); });
  EXPECT_EQ(Finished(writer.Post([&] { return lock.ReleaseWrite(); })), 1);
  EXPECT_TRUE(Pending(r));  // one write hold left
  EXPECT_EQ(Finished(writer.Post([&] { return lock.ReleaseWrite(); })), 1);
  EXPECT_EQ(Finished(r), 1);  // the former writer still reads, beside the new reader
  EXPECT_EQ(Finished(writer.Post([&] { return lock.ReleaseRead(); })), 1);
  EXPECT_EQ(Finished(reader.Post([&] { return lock.ReleaseRead(); })), 1);
}

// Many threads mixing reads, re-entered reads, writes and upgrades: writes are exclusive, nothing
// hangs, and (under ThreadSanitizer) the protected value is never touched by two threads at once.
TEST(CacheLock, MixedLoadKeepsWritesExclusive) {
  CacheLock lock;
  std::atomic<int> readersIn{0}, writersIn{0}, violations{0};
  long protectedValue = 0;
  long writes = 0;
  std::atomic<bool> go{false};
  auto write = [&](int readers) {  // the writer's own read hold counts when it upgraded
    if (readersIn != readers || writersIn++ != 0) ++violations;
    ++protectedValue;
    ++writes;
    --writersIn;
    lock.ReleaseWrite();
  };
  auto work = [&](unsigned seed) {
    while (!go) std::this_thread::yield();
    for (int i = 0; i < 3000; ++i) {
      seed = seed * 1103515245u + 12345u;
      unsigned pick = (seed >> 16) % 8;
      if (pick < 5) {
        if (lock.AcquireRead() != 1) { ++violations; continue; }
        ++readersIn;
        if (writersIn != 0) ++violations;
        volatile long seen = protectedValue;
        std::this_thread::yield();  // stay inside a little, so sections overlap
        (void)seen;
        if (pick == 4 && lock.AcquireRead() == 1) lock.ReleaseRead();
        if (pick == 3 && lock.AcquireWrite() == 1) write(1);  // an upgrade: refusal is allowed
        --readersIn;
        lock.ReleaseRead();
      } else {
        if (lock.AcquireWrite() != 1) ++violations;
        else write(0);
      }
    }
  };
  std::vector<std::thread> threads;
  for (unsigned t = 0; t < 6; ++t) threads.emplace_back(work, t + 1);
  go = true;
  for (auto& t : threads) t.join();
  EXPECT_EQ(violations.load(), 0);
  EXPECT_EQ(protectedValue, writes);
  EXPECT_EQ(lock.Waiters(), 0u);
}

}  // namespace
