// When a piece of work must stop: its time limit has passed, or the client that asked for it has
// gone away. Checked between pages and every few rows while a page is drawn.
#pragma once
#include <chrono>
#include <cstdint>
#include <string>

class WorkLimits {
 public:
  enum class Stop { kNone, kTimeLimit, kClientGone };
  using Clock = std::chrono::steady_clock;
  // `clientSocket` is the connection to watch, -1 for none.
  WorkLimits(Clock::time_point deadline, int clientSocket) : deadline_(deadline), socket_(clientSocket) {}
  // True once the work must stop; the reason stays in stop().
  bool ShouldStop();
  Stop stop() const { return stop_; }
  Clock::time_point deadline() const { return deadline_; }

 private:
  Clock::time_point deadline_;
  int socket_;
  Stop stop_ = Stop::kNone;
};

// The socket of this process connected to `peerAddress`:`peerPort` and bound to `localPort`, or -1.
// The HTTP library does not hand handlers their connection; this finds it to notice a hang-up.
int FindConnection(const std::string& peerAddress, int peerPort, int localPort);
// True when the peer of `socket` has closed or reset the connection.
bool PeerHasClosed(int socket);
