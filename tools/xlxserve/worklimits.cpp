#include "worklimits.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <dirent.h>
#include <sys/socket.h>
#include <cstdlib>
#include <cstring>

bool WorkLimits::ShouldStop() {
  if (stop_ != Stop::kNone) return true;
  if (Clock::now() >= deadline_) stop_ = Stop::kTimeLimit;
  else if (socket_ >= 0 && PeerHasClosed(socket_)) stop_ = Stop::kClientGone;
  return stop_ != Stop::kNone;
}

namespace {

// Address text and port of a socket address, IPv4 or IPv6; false for other families.
bool Describe(const sockaddr_storage& a, std::string* address, int* port) {
  char text[INET6_ADDRSTRLEN] = {0};
  if (a.ss_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&a);
    inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
    *port = ntohs(v4->sin_port);
  } else if (a.ss_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&a);
    inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
    *port = ntohs(v6->sin6_port);
  } else {
    return false;
  }
  *address = text;
  return true;
}

}  // namespace

int FindConnection(const std::string& peerAddress, int peerPort, int localPort) {
  DIR* folder = opendir("/proc/self/fd");
  if (!folder) return -1;
  int found = -1;
  while (dirent* item = readdir(folder)) {
    if (item->d_name[0] < '0' || item->d_name[0] > '9') continue;
    const int fd = std::atoi(item->d_name);
    sockaddr_storage peer{}, local{};
    socklen_t peerLength = sizeof peer, localLength = sizeof local;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0) continue;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength) != 0) continue;
    std::string address, ignored;
    int port = 0, ownPort = 0;
    if (!Describe(peer, &address, &port) || !Describe(local, &ignored, &ownPort)) continue;
    if (port == peerPort && ownPort == localPort && address == peerAddress) {
      found = fd;
      break;
    }
  }
  closedir(folder);
  return found;
}

bool PeerHasClosed(int socket) {
  pollfd p{socket, static_cast<short>(POLLIN | POLLRDHUP), 0};
  if (poll(&p, 1, 0) <= 0) return false;
  if (p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) return true;
  // Readable: either more pipelined bytes (still there) or an orderly close (0 bytes to peek).
  char byte;
  return recv(socket, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}
