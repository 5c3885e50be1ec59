#include "admission.h"

Admission::Outcome Admission::Acquire(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock<std::mutex> guard(lock_);
  if (running_ < maxRunning_ && queued_ == 0) {
    ++running_;
    return Outcome::kAdmitted;
  }
  if (queued_ >= maxQueued_) return Outcome::kQueueFull;
  ++queued_;
  const bool free = freed_.wait_until(guard, deadline, [&] { return running_ < maxRunning_; });
  --queued_;
  if (!free) return Outcome::kTimedOut;
  ++running_;
  return Outcome::kAdmitted;
}

void Admission::Release() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    --running_;
  }
  freed_.notify_one();
}

size_t Admission::running() const {
  std::lock_guard<std::mutex> guard(lock_);
  return running_;
}

size_t Admission::queued() const {
  std::lock_guard<std::mutex> guard(lock_);
  return queued_;
}
