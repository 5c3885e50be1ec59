#include "bench/benchsupport.h"

#include <sys/resource.h>
#include <zip.h>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace xlxbench {

double NowSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

size_t PeakRssBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stoull(line.substr(6)) * 1024;
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<size_t>(usage.ru_maxrss) * 1024;
}

bool ResetPeakRss() {
  std::ofstream clear("/proc/self/clear_refs");
  if (!clear) return false;
  clear << "5";
  return static_cast<bool>(clear);
}

void Report(const std::string& figure, const std::string& value, const std::string& baseline, double ratio) {
  if (ratio > 0) std::printf("RESULT %s | %s | %s | %.2f\n", figure.c_str(), value.c_str(), baseline.c_str(), ratio);
  else std::printf("RESULT %s | %s | %s | \n", figure.c_str(), value.c_str(), baseline.c_str());
  std::fflush(stdout);
}

std::string Seconds(double s) {
  char buf[64];
  if (s < 1e-3) std::snprintf(buf, sizeof buf, "%.1f us", s * 1e6);
  else if (s < 1) std::snprintf(buf, sizeof buf, "%.2f ms", s * 1e3);
  else std::snprintf(buf, sizeof buf, "%.2f s", s);
  return buf;
}

std::string Megabytes(size_t bytes) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.1f MB", bytes / 1048576.0);
  return buf;
}

bool WriteZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& parts) {
  zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  if (!zip) return false;
  bool ok = true;
  for (const auto& p : parts) {
    zip_fileinfo info = {};
    ok = ok && zipOpenNewFileInZip64(zip, p.first.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 1, 1) == ZIP_OK &&
         zipWriteInFileInZip(zip, p.second.data(), static_cast<unsigned>(p.second.size())) == ZIP_OK &&
         zipCloseFileInZip(zip) == ZIP_OK;
  }
  return zipClose(zip, nullptr) == ZIP_OK && ok;
}

}  // namespace xlxbench
