// Conversions that run third-party readers of untrusted bytes in a child process of their own, so
// that a reader that reads past its buffers, spins or allocates without bound harms only the child:
// the child runs under memory and CPU-time limits, the parent waits at most a wall-clock time and
// takes at most a bounded amount of output, and no lock of this process is held while it waits.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace vkimg {

struct ChildLimits {
  size_t memoryBytes;       // address space the child may add to what it inherits
  uint32_t cpuSeconds;      // CPU time of the child
  uint32_t wallMilliseconds;  // time the parent waits before it kills the child
  size_t outputBytes;       // longest output taken from the child
};

// The limits of one metafile conversion: 512 MB, 5 s of CPU, 10 s of wall time, 16 MB of SVG.
constexpr ChildLimits kMetafileLimits = {size_t(512) << 20, 5, 10000, size_t(16) << 20};

// The work done in the child: fills `output` and answers true, or answers false. It runs in a
// forked copy of this process: it must not wait for locks other threads may hold (no font or
// drawing calls), and what it changes stays in the child.
using ChildWork = bool (*)(const void* context, std::string* output);

// Runs `work(context, ...)` in a child process under `limits` and puts its output in `output`.
// 1 on success; -9 when the work failed, crashed, or was stopped at a limit (its output is then
// dropped); -1 when no child could be started.
int32_t RunInChildProcess(ChildWork work, const void* context, const ChildLimits& limits, std::string* output);

}  // namespace vkimg
