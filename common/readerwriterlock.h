// CacheLock: the reader-writer lock that orders calls sharing one parsed workbook.
//
// Loads of several pages read the cached workbook at once; an info call that refreshes the cache
// writes it. The lock is
//   - fair: arrivals are served in ticket order. Readers that arrive between two writers share one
//     ticket and run together; a reader that arrives after a waiting writer waits for that writer,
//     so a stream of loads cannot starve a refresh;
//   - reader-reentrant: a thread that holds the lock for reading takes it again without waiting,
//     even while a writer is queued (the writer waits for its last release);
//   - upgradable: a thread that holds it for reading takes it for writing as soon as it is the
//     only reader, ahead of queued writers (they are waiting for its read anyway).
// A thread that holds the write lock may also take the read or the write lock again (counted).
//
// How it works: mainLock is held by a writer for its whole write section and briefly by everyone
// else. Writers draw tickets 0, 1, 2, ... under ticketLock at arrival, before mainLock, so arrival
// order is kept even while a writer holds mainLock; servedTicket counts the writers that have
// finished. A reader's ticket is the next writer ticket at its arrival: readers that arrive between
// two writers share it and wait only for the writers before them. A writer notes how many readers
// arrived before it and runs when its ticket is served and all of those have entered and left.
// Waiters sleep on one of four rotating wake-up events (condition variables over mainLock) chosen
// by how many writers are ahead of them, so a finished writer wakes the next group, not everyone.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include "common/resultcodes.h"

namespace xlx {

class CacheLock {
 public:
  CacheLock();
  ~CacheLock();
  CacheLock(const CacheLock&) = delete;
  CacheLock& operator=(const CacheLock&) = delete;

  // Takes the lock for reading; waits while a writer that arrived earlier is queued or writing.
  // 1, or -1 when the reader list cannot grow (the lock is then not held).
  int32_t AcquireRead();
  // Drops one read hold of the calling thread: 1, or 0 when the thread held none.
  int32_t ReleaseRead();
  // Takes the lock for writing; waits for its turn and for every other reader to leave.
  // 1, or -1 when the calling thread holds a read lock and another reader is already waiting to
  // upgrade: each would wait for the other for ever, so this one is refused and should release.
  int32_t AcquireWrite();
  static constexpr int32_t kUpgradeRefused = -1;
  // Drops the write hold of the calling thread: 1, or 0 when the thread does not hold it.
  int32_t ReleaseWrite();

  // Threads now sleeping inside AcquireRead or AcquireWrite (diagnostics and tests).
  uint32_t Waiters() const;

 private:
  struct ReaderEntry {
    uint32_t threadId;
    uint32_t count;
  };
  static constexpr int kEvents = 4;
  static constexpr uint32_t kInitialReaderCapacity = 5;

  ReaderEntry* FindReader(uint32_t threadId) const;
  int32_t AddReader(uint32_t threadId);
  bool OtherReadersPresent(uint32_t threadId) const;
  void WaitTurns(std::unique_lock<std::mutex>& held, int32_t turnsAway);
  void Advance();

  std::mutex mainLock;                           // writer's whole section; everyone briefly
  std::condition_variable events[kEvents];       // rotating wake-up events, waited over mainLock
  std::atomic<uint32_t> waiters[kEvents];        // threads sleeping on each event
  uint32_t eventIndex = 1;                       // event signalled when the next writer finishes

  std::mutex ticketLock;                         // guards nextTicket, readersArrived
  uint32_t nextTicket = 0;                       // ticket of the next writer to arrive
  uint32_t readersArrived = 0;                   // readers that have drawn a ticket
  uint32_t servedTicket = 0;                     // writers finished (under mainLock)
  uint32_t readersEntered = 0;                   // readers past their wait (under mainLock)

  // Guards the reader list. Entries are added and removed under mainLock as well, so holders of
  // either lock may read the entry count; a thread's own hold count changes under this lock alone.
  mutable std::mutex readerListLock;
  ReaderEntry* readers = nullptr;                // sorted by thread id
  uint32_t readerCount = 0;                      // entries in use
  uint32_t readerCapacity = 0;                   // entries allocated

  std::atomic<uint32_t> writerThread{0};         // thread that holds the write lock, 0 for none
  uint32_t writeDepth = 0;                       // nested write holds of that thread
  bool upgradedWrite = false;                    // the write hold came from a read hold (no ticket)
  uint32_t upgradersWaiting = 0;                 // readers waiting to become the writer
};

// Holds a read lock for a scope; Release() drops it early. Held() says whether it was taken.
class ScopedReadLock {
 public:
  explicit ScopedReadLock(CacheLock* lock) : lock_(lock), held_(lock && lock->AcquireRead() == XLX_OK) {}
  ~ScopedReadLock() { Release(); }
  ScopedReadLock(const ScopedReadLock&) = delete;
  ScopedReadLock& operator=(const ScopedReadLock&) = delete;
  bool Held() const { return held_; }
  void Release() {
    if (held_) lock_->ReleaseRead();
    held_ = false;
  }

 private:
  CacheLock* lock_;
  bool held_;
};

}  // namespace xlx
