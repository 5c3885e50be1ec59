#include "package/encryptionsniffer.h"

#include <cstring>

#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"

namespace xlx {

int32_t SniffEncryption(int64_t handle, int32_t* kind, bool* encrypted) {
  if (kind) *kind = 0;
  if (encrypted) *encrypted = false;
  uint8_t head[8] = {0};
  if (VkSeekFile(handle, 0, VK_SEEK_SET) < 0 || VkReadFile(handle, head, 8) != 8) return XLX_ERR_READ;
  VkSeekFile(handle, 0, VK_SEEK_SET);
  static const uint8_t kZip[4] = {'P', 'K', 3, 4};
  if (std::memcmp(head, kZip, 4) == 0) {
    if (kind) *kind = kDocPackage;
    return XLX_OK;
  }
  return XLX_CORRUPT(XLX_ERR_FORMAT, "neither a zip package nor a supported container");
}

}  // namespace xlx
