#include "host/kernel/childconversion.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "host/kernel/imageinternal.h"

namespace vkimg {
namespace {

// Address space the child already has (bytes): the fork inherits the parent's mappings, and a
// sanitizer build maps terabytes of shadow, so the limit is set on top of it.
size_t CurrentAddressSpace() {
  int fd = open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  char text[64] = {};
  ssize_t n = read(fd, text, sizeof text - 1);
  close(fd);
  if (n <= 0) return 0;
  unsigned long long pages = 0;
  for (ssize_t i = 0; i < n && text[i] >= '0' && text[i] <= '9'; ++i) pages = pages * 10 + (text[i] - '0');
  return static_cast<size_t>(pages) * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

bool WriteAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n, size -= static_cast<size_t>(n);
  }
  return true;
}

// The child: quiet standard streams, no other descriptor of the parent, the limits, the work, its
// output framed by its length. Never returns.
[[noreturn]] void RunChild(int out, ChildWork work, const void* context, const ChildLimits& limits) {
  // Another thread's conversion may have forked with its own pipe open: keep only ours, so that
  // every parent sees the end of its child's output when that child ends.
  if (out != 3) {
    if (dup2(out, 3) != 3) _exit(1);
    out = 3;
  }
  close_range(4, ~0U, 0);
  int devNull = open("/dev/null", O_RDWR);
  if (devNull >= 0) {
    dup2(devNull, 0), dup2(devNull, 1), dup2(devNull, 2);
    if (devNull > 3) close(devNull);
  }
  const rlim_t memory = static_cast<rlim_t>(CurrentAddressSpace() + limits.memoryBytes);
  const struct rlimit as = {memory, memory};
  const struct rlimit cpu = {limits.cpuSeconds, limits.cpuSeconds + 1};
  const struct rlimit none = {0, 0};
  setrlimit(RLIMIT_AS, &as);
  setrlimit(RLIMIT_CPU, &cpu);
  setrlimit(RLIMIT_CORE, &none);
  setrlimit(RLIMIT_FSIZE, &none);
  std::string output;
  bool ok = false;
  try {
    ok = work(context, &output);
  } catch (...) {
    ok = false;
  }
  const uint64_t length = output.size();
  if (!ok || !WriteAll(out, &length, sizeof length) || !WriteAll(out, output.data(), output.size())) _exit(1);
  _exit(0);
}

// Reads the child's framed output until its end, the output limit or the deadline. True when a
// whole frame arrived within the limits.
bool ReadChildOutput(int in, const ChildLimits& limits, std::string* output) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limits.wallMilliseconds);
  std::string received;
  char buffer[65536];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    struct pollfd p = {in, POLLIN, 0};
    int ready = poll(&p, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    ssize_t n = read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    if (received.size() + static_cast<size_t>(n) > limits.outputBytes + sizeof(uint64_t)) return false;
    received.append(buffer, static_cast<size_t>(n));
  }
  uint64_t length = 0;
  if (received.size() < sizeof length) return false;
  std::memcpy(&length, received.data(), sizeof length);
  if (length != received.size() - sizeof length) return false;
  output->assign(received, sizeof length, std::string::npos);
  return true;
}

// Waits for the child; kills it first unless it is known to have finished. True when it exited
// with status 0 (or was already collected by a SIGCHLD handler of the program).
bool CollectChild(pid_t pid, bool kill) {
  if (kill) ::kill(pid, SIGKILL);
  int status = 0;
  pid_t r;
  do r = waitpid(pid, &status, 0);
  while (r < 0 && errno == EINTR);
  if (r < 0) return !kill && errno == ECHILD;
  return !kill && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int32_t RunInChildProcess(ChildWork work, const void* context, const ChildLimits& limits, std::string* output) {
  output->clear();
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return XLX_ERR_MEMORY;
  const pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]), close(fds[1]);
    return XLX_ERR_MEMORY;
  }
  if (pid == 0) {
    close(fds[0]);
    RunChild(fds[1], work, context, limits);
  }
  close(fds[1]);
  std::string received;
  const bool complete = ReadChildOutput(fds[0], limits, &received);
  close(fds[0]);
  const bool exited = CollectChild(pid, !complete);
  if (!complete || !exited) return XLX_ERR_FORMAT;
  *output = std::move(received);
  return XLX_OK;
}

}  // namespace vkimg
