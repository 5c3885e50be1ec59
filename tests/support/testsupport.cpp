#include "tests/support/testsupport.h"
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace xlxtest {

std::string SourceDir() { return XLX_SOURCE_DIR; }

std::string CorpusDir() {
  for (const char* candidate : {"/../shared/corpus", "/../../shared/corpus"}) {
    std::string dir = SourceDir() + candidate;
    struct stat st;
    if (stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return dir;
  }
  return SourceDir() + "/../shared/corpus";
}

std::vector<std::string> CorpusFiles(const std::string& sub) {
  std::vector<std::string> files;
  std::string dir = CorpusDir() + "/" + sub;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') files.push_back(dir + "/" + e->d_name);
    closedir(d);
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::string> CorpusTwins() {
  std::vector<std::string> twins;
  for (const std::string& path : CorpusFiles("xlsb")) {
    const size_t slash = path.rfind('/') + 1;
    if (path.size() < slash + 6 || path.compare(path.size() - 5, 5, ".xlsb") != 0) continue;
    const std::string base = path.substr(slash, path.size() - 5 - slash);
    struct stat st;
    if (stat((CorpusDir() + "/xlsx/" + base + ".xlsx").c_str(), &st) == 0) twins.push_back(base);
  }
  return twins;
}

std::string CommandOutput(const std::string& commandLine, int* status) {
  std::string out;
  FILE* pipe = popen(commandLine.c_str(), "r");
  if (!pipe) return out;
  char buf[65536];
  for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
  *status = pclose(pipe);
  return out;
}

std::u16string U16(const std::string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = s[i];
    uint32_t cp = c;
    size_t len = 1;
    if (c >= 0xF0) cp = c & 7, len = 4;
    else if (c >= 0xE0) cp = c & 15, len = 3;
    else if (c >= 0xC0) cp = c & 31, len = 2;
    for (size_t k = 1; k < len && i + k < s.size(); ++k) cp = (cp << 6) | (s[i + k] & 0x3F);
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::vector<unsigned char> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace xlxtest
