// Helpers shared by the test executables: paths of fixtures and corpus files, UTF-16 literals.
#pragma once
#include <string>
#include <vector>

namespace xlxtest {
// Root of the source tree and of the shared corpus (../shared/corpus beside the checkout).
std::string SourceDir();
std::string CorpusDir();
// Every file under the corpus folder `sub` (e.g. "xlsx"), sorted; empty when the corpus is absent.
std::vector<std::string> CorpusFiles(const std::string& sub);
// Workbooks of the corpus saved both as xlsx/NAME.xlsx and as xlsb/NAME.xlsb: the NAMEs, sorted.
std::vector<std::string> CorpusTwins();
// What a shell command line writes to stdout; *status gets the status pclose reports.
std::string CommandOutput(const std::string& commandLine, int* status);
std::u16string U16(const std::string& utf8);
std::vector<unsigned char> ReadWholeFile(const std::string& path);
}  // namespace xlxtest
