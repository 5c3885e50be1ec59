// Shared helpers of the benchmark programs: wall time, peak memory, and the result lines that
// bench/run gathers into one table ("RESULT figure | value | baseline | ratio").
#pragma once
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace xlxbench {
double NowSeconds();
// Peak resident set size of this process so far, in bytes.
size_t PeakRssBytes();
// Resets the peak (Linux: writes 5 to /proc/self/clear_refs); false when not possible.
bool ResetPeakRss();
// Prints one result line; `baseline` and `ratio` may be empty / 0 when there is none.
void Report(const std::string& figure, const std::string& value, const std::string& baseline, double ratio);
std::string Seconds(double s);
std::string Megabytes(size_t bytes);
// Writes a zip package of (name, bytes) parts, deflated; false when it cannot be written.
bool WriteZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& parts);
}  // namespace xlxbench
