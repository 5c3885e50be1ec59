#include "package/encryptionsniffer.h"

#include <cstring>
#include <vector>

#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"
#include "package/compoundfile.h"

namespace xlx {
namespace {

// Looks for the streams of each document kind in turn.
int32_t SniffCompoundFile(int64_t handle, int32_t* kind, bool* encrypted) {
  CompoundFile file;
  if (OpenCompoundFile(handle, &file) != XLX_OK) return XLX_ERR_READ;
  if (FindCompoundStream(file, u"EncryptionInfo") >= 0 && FindCompoundStream(file, u"EncryptedPackage") >= 0) {
    *kind = kDocPackage;
    *encrypted = true;
    return XLX_OK;
  }
  const int32_t word = FindCompoundStream(file, u"WordDocument");
  if (word >= 0) {
    // Byte 11 of the file information block: bit 0 set and bit 7 clear mark encryption.
    CompoundStream stream;
    uint8_t flags = 0;
    if (OpenCompoundStream(file, word, &stream) != XLX_OK || ReadCompoundStream(file, stream, 11, &flags, 1) != XLX_OK)
      return XLX_ERR_READ;
    *kind = kDocWordBinary;
    *encrypted = (flags & 0x01) && !(flags & 0x80);
    return XLX_OK;
  }
  if (FindCompoundStream(file, u"Current User") >= 0) {
    *kind = kDocPresentation;
    *encrypted = FindCompoundStream(file, u"EncryptedSummary") >= 0;
    return XLX_OK;
  }
  if (FindCompoundStream(file, u"Workbook") >= 0) {
    *kind = kDocWorkbookBinary;
    return XLX_OK;
  }
  return XLX_CORRUPT(XLX_ERR_FORMAT, "compound file of no known document kind");
}

}  // namespace

int32_t SniffEncryption(int64_t handle, int32_t* kind, bool* encrypted) {
  int32_t k = 0;
  bool e = false;
  uint8_t head[8] = {0};
  int32_t r = XLX_OK;
  if (VkSeekFile(handle, 0, VK_SEEK_SET) < 0 || VkReadFile(handle, head, 8) != 8) {
    r = XLX_ERR_READ;
  } else if (std::memcmp(head, "PK\x03\x04", 4) == 0) {
    k = kDocPackage;
  } else if (std::memcmp(head, kCompoundSignature, 8) == 0) {
    r = SniffCompoundFile(handle, &k, &e);
  } else {
    r = XLX_CORRUPT(XLX_ERR_FORMAT, "neither a zip package nor a compound file");
  }
  VkSeekFile(handle, 0, VK_SEEK_SET);
  if (kind) *kind = r == XLX_OK ? k : 0;
  if (encrypted) *encrypted = r == XLX_OK && e;
  return r;
}

}  // namespace xlx
