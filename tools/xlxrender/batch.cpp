#include "batch.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "common/resultcodes.h"
#include "host/drawing/vkdrwx.h"

namespace {

constexpr size_t kMaxStemBytes = 200;

// Only regular files are opened: a directory fails at once, and a pipe or device could block.
bool IsRegularFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string Stem(const std::string& path) {
  std::string base = path.substr(path.find_last_of('/') + 1);
  size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  if (base.size() > kMaxStemBytes) {  // a folder name stays within NAME_MAX, cut between characters
    size_t cut = kMaxStemBytes;
    while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80) --cut;
    base.resize(cut);
  }
  return base.empty() || base == "." || base == ".." ? "workbook" : base;
}


bool ReadList(const std::string& name, std::string* text) {
  if (name == "-") {
    text->assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    return !std::cin.bad();
  }
  std::ifstream in(name, std::ios::binary);
  if (!in) return false;
  text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

// A JSON string literal of UTF-8 text; control bytes are escaped, other bytes pass as they are.
std::string JsonText(const std::string& text) {
  std::string out = "\"";
  for (char ch : text) {
    if (ch == '"' || ch == '\\') {
      out += '\\', out += ch;
    } else if (static_cast<unsigned char>(ch) < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned char>(ch));
      out += buf;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

std::vector<BatchEntry> BatchEntries(const std::string& listText, const std::string& outDir) {
  std::vector<BatchEntry> entries;
  std::set<std::string> taken;
  std::istringstream in(listText);
  std::string line;
  for (size_t number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    std::string stem = Stem(line);
    if (!taken.insert(stem).second) {
      stem += "-" + std::to_string(number);
      taken.insert(stem);
    }
    entries.push_back({line, outDir + "/" + stem});
  }
  return entries;
}

std::string BatchJsonLine(const BatchEntry& entry, const WorkbookOutcome& outcome, double seconds) {
  char figures[160];
  std::snprintf(figures, sizeof figures, ", \"status\": \"%s\", \"code\": %d, \"pages\": %d, \"seconds\": %.3f",
                outcome.code == XLX_OK ? "ok" : "failed", outcome.code, outcome.pages, seconds);
  return "{\"path\": " + JsonText(entry.path) + figures + ", \"output\": " + JsonText(entry.folder) + "}";
}

int RunBatch(const RenderOptions& options) {
  std::string text;
  if (!ReadList(options.batchList, &text)) {
    std::fprintf(stderr, "xlxrender: cannot read the batch list %s\n", options.batchList.c_str());
    return 99;
  }
  if (options.reportFonts) VkSetFontReport(1);
  const std::string outDir = options.outRoot.empty() ? "." : options.outRoot;
  const std::vector<BatchEntry> entries = BatchEntries(text, outDir);
  std::atomic<size_t> next{0};
  std::atomic<bool> anyFailed{false};
  std::mutex output;
  auto work = [&]() {
    for (size_t i = next++; i < entries.size(); i = next++) {
      const auto start = std::chrono::steady_clock::now();
      RenderOptions one = options;
      one.input = entries[i].path;
      one.outRoot = entries[i].folder + "/" + Stem(entries[i].path);
      one.threads = 1;
      one.quiet = true;
      WorkbookOutcome outcome;
      std::error_code ec;
      const bool regular = IsRegularFile(entries[i].path);
      if (regular) std::filesystem::create_directories(entries[i].folder, ec);
      if (!regular) {
        std::fprintf(stderr, "xlxrender: %s: not a readable file\n", entries[i].path.c_str());
        outcome.code = XLX_ERR_OPEN;
      } else if (ec) {
        std::fprintf(stderr, "xlxrender: cannot create %s: %s\n", entries[i].folder.c_str(), ec.message().c_str());
        outcome.code = XLX_ERR_REOPEN;
      } else if (ConvertWorkbook(one, &outcome) != 0 && outcome.code == XLX_OK) {
        outcome.code = XLX_ERR_REOPEN;  // a page could not be written
      }
      if (outcome.code != XLX_OK) {
        anyFailed = true;
        std::filesystem::remove(entries[i].folder, ec);  // only when nothing was written into it
      }
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      std::lock_guard<std::mutex> guard(output);
      std::printf("%s\n", BatchJsonLine(entries[i], outcome, seconds).c_str());
      std::fflush(stdout);
    }
  };
  const int threads = std::max(1, std::min<int>(options.threads, static_cast<int>(entries.size())));
  std::vector<std::thread> pool;
  for (int t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();
  if (options.reportFonts) PrintFontReport();
  return anyFailed ? 1 : 0;
}
