// The compound-file reader over a memory file: the sniffer, the directory walk, and every root
// stream opened and read in pieces from start to end.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/kernel/vkkrnx.h"
#include "package/compoundfile.h"
#include "package/encryptionsniffer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int64_t handle = VkOpenMemoryFile(data, size);
  int32_t kind = 0;
  bool encrypted = false;
  (void)xlx::SniffEncryption(handle, &kind, &encrypted);
  xlx::CompoundFile file;
  if (xlx::OpenCompoundFile(handle, &file) == 1) {
    std::vector<uint8_t> buffer(5000);
    for (size_t i = 1; i < file.entries.size() && i < 64; ++i) {
      xlx::CompoundStream stream;
      if (xlx::OpenCompoundStream(file, static_cast<int32_t>(i), &stream) != 1) continue;
      // Reads of an odd length cross sector and mini-sector boundaries.
      for (uint64_t at = 0; at < stream.size && at < (1u << 20); at += buffer.size()) {
        size_t n = stream.size - at < buffer.size() ? static_cast<size_t>(stream.size - at) : buffer.size();
        if (xlx::ReadCompoundStream(file, stream, at, buffer.data(), n) != 1) break;
      }
    }
    std::vector<uint8_t> whole;
    (void)xlx::ReadWholeCompoundStream(file, u"EncryptionInfo", 1u << 20, &whole);
  }
  VkCloseFile(handle);
  return 0;
}
