// The EncryptionInfo parser: binary headers of the standard method and XML descriptors of the
// agile method, with every length and count they claim.
#include <cstddef>
#include <cstdint>

#include "package/encryptioninfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  xlx::EncryptionInfo info;
  (void)xlx::ParseEncryptionInfo(data, size, &info);
  return 0;
}
