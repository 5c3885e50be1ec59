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
std::u16string U16(const std::string& utf8);
std::vector<unsigned char> ReadWholeFile(const std::string& path);
}  // namespace xlxtest
