#include "common/readerwriterlock.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace xlx {
namespace {

// A small process-wide number per thread: the reader list is sorted by it and 0 means "nobody".
uint32_t CurrentThreadId() {
  static std::atomic<uint32_t> s_nextId{1};
  thread_local uint32_t id = 0;
  while (id == 0) id = s_nextId.fetch_add(1, std::memory_order_relaxed);
  return id;
}

// Turns until `ticket` is served; tickets wrap, so compare by signed distance.
int32_t TurnsAway(uint32_t ticket, uint32_t served) { return static_cast<int32_t>(ticket - served); }

}  // namespace

CacheLock::CacheLock() {
  for (auto& count : waiters) count.store(0, std::memory_order_relaxed);
}

CacheLock::~CacheLock() { std::free(readers); }

CacheLock::ReaderEntry* CacheLock::FindReader(uint32_t threadId) const {
  ReaderEntry* end = readers + readerCount;
  ReaderEntry* it = std::lower_bound(readers, end, threadId,
                                     [](const ReaderEntry& e, uint32_t id) { return e.threadId < id; });
  return (it != end && it->threadId == threadId) ? it : nullptr;
}

// Counts one more read hold of `threadId`, inserting it at its sorted place. The caller holds
// readerListLock and owns mainLock.
int32_t CacheLock::AddReader(uint32_t threadId) {
  ReaderEntry* end = readers + readerCount;
  ReaderEntry* it = std::lower_bound(readers, end, threadId,
                                     [](const ReaderEntry& e, uint32_t id) { return e.threadId < id; });
  if (it != end && it->threadId == threadId) {
    ++it->count;
    return XLX_OK;
  }
  size_t at = static_cast<size_t>(it - readers);
  if (readerCount + 1 >= readerCapacity) {
    uint32_t capacity = readerCapacity == 0 ? kInitialReaderCapacity : readerCount + 6;
    void* grown = std::realloc(readers, capacity * sizeof(ReaderEntry));
    if (!grown) return XLX_ERR_MEMORY;
    readers = static_cast<ReaderEntry*>(grown);
    readerCapacity = capacity;
  }
  std::memmove(readers + at + 1, readers + at, (readerCount - at) * sizeof(ReaderEntry));
  readers[at] = ReaderEntry{threadId, 1};
  ++readerCount;
  return XLX_OK;
}

bool CacheLock::OtherReadersPresent(uint32_t threadId) const {
  if (readerCount == 0) return false;
  return readerCount > 1 || readers[0].threadId != threadId;
}

// Sleeps on the event that will be signalled when `turnsAway` more writers have finished (the third
// event for anything further; the thread then looks again and sleeps again). A thread with no
// writer ahead, waiting only for readers, sleeps on the current event, which a leaving reader also
// signals. `held` is mainLock.
void CacheLock::WaitTurns(std::unique_lock<std::mutex>& held, int32_t turnsAway) {
  int32_t ahead = std::min(std::max(turnsAway, 1) - 1, 2);
  int k = static_cast<int>((eventIndex + static_cast<uint32_t>(ahead)) % kEvents);
  waiters[k].fetch_add(1, std::memory_order_relaxed);
  events[k].wait(held);
  waiters[k].fetch_sub(1, std::memory_order_relaxed);
}

// A writer has finished: the next ticket's turn begins. Runs under mainLock.
void CacheLock::Advance() {
  events[eventIndex].notify_all();
  ++servedTicket;
  eventIndex = (eventIndex + 1) % kEvents;
}

int32_t CacheLock::AcquireRead() {
  const uint32_t self = CurrentThreadId();
  if (writerThread.load(std::memory_order_relaxed) == self) {
    // The writer owns mainLock already; its read hold outlives the write if it is not released.
    std::lock_guard<std::mutex> list(readerListLock);
    return AddReader(self);
  }
  {
    // Re-entry never waits, or a queued writer and this thread would wait for each other. Only
    // this thread adds or removes its own entry, so the count may change under the list lock alone.
    std::lock_guard<std::mutex> list(readerListLock);
    if (ReaderEntry* entry = FindReader(self)) {
      ++entry->count;
      return XLX_OK;
    }
  }
  uint32_t ticket;
  {
    std::lock_guard<std::mutex> tickets(ticketLock);
    ticket = nextTicket;
    ++readersArrived;
  }
  std::unique_lock<std::mutex> held(mainLock);
  // Wait for the writers that arrived earlier, and stand back while a reader waits to upgrade.
  for (;;) {
    int32_t away = TurnsAway(ticket, servedTicket);
    if (away <= 0 && upgradersWaiting == 0) break;
    WaitTurns(held, away);
  }
  ++readersEntered;
  std::lock_guard<std::mutex> list(readerListLock);
  int32_t result = AddReader(self);
  // Not entered after all: a writer counting on this reader to come and go must look again.
  if (result != XLX_OK) events[eventIndex].notify_all();
  return result;
}

int32_t CacheLock::ReleaseRead() {
  const uint32_t self = CurrentThreadId();
  {
    std::lock_guard<std::mutex> list(readerListLock);
    ReaderEntry* entry = FindReader(self);
    if (!entry) return 0;
    if (entry->count > 1) {
      --entry->count;
      return XLX_OK;
    }
  }
  // The last hold: the entry leaves the list, which needs mainLock too.
  std::unique_lock<std::mutex> held(mainLock, std::defer_lock);
  if (writerThread.load(std::memory_order_relaxed) != self) held.lock();
  std::lock_guard<std::mutex> list(readerListLock);
  ReaderEntry* entry = FindReader(self);
  size_t at = static_cast<size_t>(entry - readers);
  std::memmove(readers + at, readers + at + 1, (readerCount - at - 1) * sizeof(ReaderEntry));
  --readerCount;
  // Writers waiting only for readers to leave sleep on the current event.
  events[eventIndex].notify_all();
  return XLX_OK;
}

int32_t CacheLock::AcquireWrite() {
  const uint32_t self = CurrentThreadId();
  if (writerThread.load(std::memory_order_relaxed) == self) {
    ++writeDepth;
    return XLX_OK;
  }
  bool holdsRead;
  {
    std::lock_guard<std::mutex> list(readerListLock);
    holdsRead = FindReader(self) != nullptr;
  }
  if (holdsRead) {
    // Upgrade: no ticket. Queued writers are waiting for this thread's read to end, so waiting for
    // their turn would never end; the write section runs as soon as the other readers have left,
    // and new readers stand back meanwhile so that a stream of them cannot hold it off.
    std::unique_lock<std::mutex> held(mainLock);
    if (OtherReadersPresent(self)) {
      if (upgradersWaiting > 0) return kUpgradeRefused;
      ++upgradersWaiting;
      while (OtherReadersPresent(self)) WaitTurns(held, 1);
      --upgradersWaiting;
    }
    writerThread.store(self, std::memory_order_relaxed);
    writeDepth = 1;
    upgradedWrite = true;
    held.release();
    return XLX_OK;
  }

  uint32_t ticket, readersBefore;
  {
    std::lock_guard<std::mutex> tickets(ticketLock);
    ticket = nextTicket++;
    readersBefore = readersArrived;
  }
  std::unique_lock<std::mutex> held(mainLock);
  for (;;) {
    // Readers that arrived before this writer may still be on their way in: they go first.
    bool readersAhead = readerCount > 0 || TurnsAway(readersBefore, readersEntered) > 0;
    int32_t away = TurnsAway(ticket, servedTicket);
    if (away <= 0 && !readersAhead) break;
    WaitTurns(held, away);
  }
  writerThread.store(self, std::memory_order_relaxed);
  writeDepth = 1;
  upgradedWrite = false;
  held.release();
  return XLX_OK;
}

int32_t CacheLock::ReleaseWrite() {
  if (writerThread.load(std::memory_order_relaxed) != CurrentThreadId()) return 0;
  if (--writeDepth > 0) return XLX_OK;
  writerThread.store(0, std::memory_order_relaxed);
  if (upgradedWrite) {
    // No ticket was held, so no turn ends; wake the readers that stood back for the upgrade.
    for (auto& event : events) event.notify_all();
  } else {
    Advance();
  }
  upgradedWrite = false;
  mainLock.unlock();
  return XLX_OK;
}

uint32_t CacheLock::Waiters() const {
  uint32_t total = 0;
  for (const auto& count : waiters) total += count.load(std::memory_order_relaxed);
  return total;
}

}  // namespace xlx
