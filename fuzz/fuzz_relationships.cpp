// Relationship target resolution: the first byte splits the input into a source folder and a
// target path.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/apiutils.h"
#include "host/kernel/vkkrnx.h"
#include "package/relationships.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  size_t split = data[0] % (size);
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  if (split > text.size()) split = text.size();
  std::u16string dir = xlx::Utf8ToUtf16(text.substr(0, split));
  std::u16string target = xlx::Utf8ToUtf16(text.substr(split));
  xlx::Relationship r{};
  xlx::ResolveRelationshipTarget(dir.c_str(), target.c_str(), &r);
  for (char16_t* f : {r.targetDir, r.targetName, r.targetPath}) VK_FREE(f);
  return 0;
}
