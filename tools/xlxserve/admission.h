// At most N pieces of work at once, with a bounded queue of waiting requests: a request beyond
// the queue is turned away at once, a queued one gives up at its deadline.
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>

class Admission {
 public:
  enum class Outcome { kAdmitted, kQueueFull, kTimedOut };
  Admission(size_t running, size_t queued) : maxRunning_(running ? running : 1), maxQueued_(queued) {}
  // Waits for a free slot until `deadline`. kAdmitted obliges the caller to Release().
  Outcome Acquire(std::chrono::steady_clock::time_point deadline);
  void Release();
  size_t running() const;
  size_t queued() const;

 private:
  mutable std::mutex lock_;
  std::condition_variable freed_;
  const size_t maxRunning_, maxQueued_;
  size_t running_ = 0, queued_ = 0;
};

// Holds an admitted slot for one scope.
class AdmissionSlot {
 public:
  AdmissionSlot(Admission* admission, std::chrono::steady_clock::time_point deadline)
      : admission_(admission), outcome_(admission->Acquire(deadline)) {}
  ~AdmissionSlot() {
    if (outcome_ == Admission::Outcome::kAdmitted) admission_->Release();
  }
  AdmissionSlot(const AdmissionSlot&) = delete;
  AdmissionSlot& operator=(const AdmissionSlot&) = delete;
  Admission::Outcome outcome() const { return outcome_; }

 private:
  Admission* admission_;
  Admission::Outcome outcome_;
};
