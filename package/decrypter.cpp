#include "package/decrypter.h"

#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "common/apiutils.h"
#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"
#include "package/compoundfile.h"
#include "package/cryptolib.h"
#include "package/encryptioninfo.h"
#include "package/encryptionkeys.h"
#include "package/xlsxunzip.h"
#include "common/littleendian.h"

namespace xlx {
namespace {

constexpr uint64_t kSegmentBytes = 4096;              // agile packages are encrypted in segments
constexpr uint64_t kChunkBytes = 256 * kSegmentBytes;  // bytes read from the stream at a time

// Package kinds recognised in a decrypted package, and what the info dispatch's protection-kind
// field says for each (0 word processing, 1 spreadsheet, 2 presentation, 3 to 5 binary
// documents, 6 anything else).
constexpr int32_t kPackageOther = 6;
constexpr int32_t kProtectionKinds[7] = {99, 100, 101, 94, 96, 93, -9};

std::mutex g_decryptLock;  // one decryption at a time in the process
uint64_t g_decryptions = 0;  // guarded by g_decryptLock

struct EncryptedPackage {
  CompoundFile file;
  EncryptionInfo info;
  CompoundStream stream;   // EncryptedPackage
  uint64_t plainSize = 0;  // bytes of the zip package
};

int32_t OpenEncryptedPackage(int64_t handle, EncryptedPackage* p) {
  int32_t r = OpenCompoundFile(handle, &p->file);
  if (r != XLX_OK) return r;
  std::vector<uint8_t> infoBytes;
  r = ReadWholeCompoundStream(p->file, u"EncryptionInfo", kMaxEncryptionInfoBytes, &infoBytes);
  if (r == XLX_OK) r = ParseEncryptionInfo(infoBytes.data(), infoBytes.size(), &p->info);
  if (r != XLX_OK) return r;
  const int32_t index = FindCompoundStream(p->file, u"EncryptedPackage");
  if (index < 0) return XLX_CORRUPT(XLX_ERR_FORMAT, "encrypted package: stream missing");
  r = OpenCompoundStream(p->file, index, &p->stream);
  uint8_t size[8];
  if (r == XLX_OK) r = ReadCompoundStream(p->file, p->stream, 0, size, 8);
  if (r != XLX_OK) return r;
  p->plainSize = Le64(size);
  if (p->plainSize > p->stream.size - 8) return XLX_CORRUPT(XLX_ERR_FORMAT, "encrypted package: size beyond the stream");
  return XLX_OK;
}

int32_t WriteAll(int64_t output, const uint8_t* data, size_t n) {
  return n == 0 || VkWriteFile(output, data, static_cast<int64_t>(n)) == static_cast<int64_t>(n) ? XLX_OK
                                                                                                : XLX_ERR_REOPEN;
}

// The package cipher of the agile method, the hash that makes segment IVs, and the HMAC.
struct AgileStreamState {
  Hasher hash;
  BlockDecryptor cipher;
  const CipherParams* params = nullptr;
  bool checkIntegrity = false;
  Hmac hmac;
  std::vector<uint8_t> expectedHmac;
};

// IV = H(keyData salt + block bytes) fitted to the block size.
int32_t AgileIv(AgileStreamState& s, const uint8_t* block, size_t n, std::vector<uint8_t>* iv) {
  uint8_t digest[64];
  int32_t r = s.hash.Hash(s.params->salt.data(), s.params->salt.size(), block, n, digest);
  if (r == XLX_OK) *iv = FitKeyBytes(digest, s.hash.size(), s.params->blockSize);
  return r;
}

// Decrypts the HMAC key and the expected HMAC of the package, and starts the HMAC.
int32_t StartIntegrityCheck(const AgileEncryption& a, AgileStreamState& s) {
  std::vector<uint8_t> iv, key(a.hmacKey.size()), value(a.hmacValue.size());
  int32_t r = AgileIv(s, kBlockKeyIntegrityKey, 8, &iv);
  if (r == XLX_OK) r = s.cipher.Decrypt(iv.data(), a.hmacKey.data(), key.data(), key.size());
  if (r == XLX_OK) r = AgileIv(s, kBlockKeyIntegrityValue, 8, &iv);
  if (r == XLX_OK) r = s.cipher.Decrypt(iv.data(), a.hmacValue.data(), value.data(), value.size());
  if (r == XLX_OK) r = s.hmac.Init(s.hash, key.data(), a.keyData.hashSize);
  if (r != XLX_OK) return r;
  s.expectedHmac.assign(value.begin(), value.begin() + a.keyData.hashSize);
  s.checkIntegrity = true;
  return XLX_OK;
}

int32_t PrepareAgile(const AgileEncryption& a, const std::vector<uint8_t>& key, AgileStreamState& s) {
  s.params = &a.keyData;
  int32_t r = s.hash.Init(a.keyData.hashAlgorithm);
  if (r != XLX_OK) return r;
  if (s.hash.size() != a.keyData.hashSize) return XLX_CORRUPT(XLX_ERR_FORMAT, "keyData: hash size");
  r = s.cipher.Init(a.keyData.cipherAlgorithm, a.keyData.cipherChaining, key.data(), key.size());
  if (r != XLX_OK) return r;
  if (s.cipher.blockSize() != a.keyData.blockSize) return XLX_CORRUPT(XLX_ERR_FORMAT, "keyData: block size");
  return a.hasIntegrity ? StartIntegrityCheck(a, s) : XLX_OK;
}

// Decrypts the segments that start inside one chunk of the stream (chunk offsets count from the
// first byte after the size field) and writes their plain bytes.
int32_t DecryptAgileChunk(const EncryptedPackage& p, AgileStreamState& s, uint64_t chunkAt, uint8_t* chunk,
                          size_t length, int64_t output) {
  const size_t block = s.params->blockSize;
  for (size_t at = 0; at < length && chunkAt + at < p.plainSize; at += kSegmentBytes) {
    const uint64_t segment = (chunkAt + at) / kSegmentBytes;
    const uint64_t left = p.plainSize - (chunkAt + at);
    const size_t plain = left < kSegmentBytes ? static_cast<size_t>(left) : static_cast<size_t>(kSegmentBytes);
    const size_t encrypted = (plain + block - 1) / block * block;
    if (encrypted > length - at) return XLX_CORRUPT(XLX_ERR_FORMAT, "encrypted package: last segment cut short");
    const uint8_t index[4] = {static_cast<uint8_t>(segment), static_cast<uint8_t>(segment >> 8),
                              static_cast<uint8_t>(segment >> 16), static_cast<uint8_t>(segment >> 24)};
    std::vector<uint8_t> iv;
    int32_t r = AgileIv(s, index, 4, &iv);
    if (r == XLX_OK) r = s.cipher.Decrypt(iv.data(), chunk + at, chunk + at, encrypted);
    if (r == XLX_OK) r = WriteAll(output, chunk + at, plain);
    if (r != XLX_OK) return r;
  }
  return XLX_OK;
}

// Reads the stream after its size field in chunks: every byte goes through the HMAC, segments
// through the cipher.
int32_t DecryptAgileStream(const EncryptedPackage& p, const std::vector<uint8_t>& key, int64_t output) {
  AgileStreamState s;
  int32_t r = PrepareAgile(p.info.agile, key, s);
  if (r != XLX_OK) return r;
  std::vector<uint8_t> chunk(static_cast<size_t>(kChunkBytes));
  if (s.checkIntegrity) {
    uint8_t size[8];
    r = ReadCompoundStream(p.file, p.stream, 0, size, 8);
    if (r == XLX_OK) r = s.hmac.Update(size, 8);
    if (r != XLX_OK) return r;
  }
  const uint64_t body = p.stream.size - 8;
  for (uint64_t at = 0; at < body; at += kChunkBytes) {
    if (!s.checkIntegrity && at >= p.plainSize) break;
    const size_t length = static_cast<size_t>(body - at < kChunkBytes ? body - at : kChunkBytes);
    r = ReadCompoundStream(p.file, p.stream, 8 + at, chunk.data(), length);
    if (r == XLX_OK && s.checkIntegrity) r = s.hmac.Update(chunk.data(), length);
    if (r == XLX_OK) r = DecryptAgileChunk(p, s, at, chunk.data(), length, output);
    if (r != XLX_OK) return r;
  }
  if (!s.checkIntegrity) return XLX_OK;
  uint8_t actual[64];
  r = s.hmac.Final(actual);
  if (r != XLX_OK) return r;
  if (std::memcmp(actual, s.expectedHmac.data(), s.expectedHmac.size()) != 0)
    return XLX_CORRUPT(XLX_ERR_FORMAT, "encrypted package: integrity check failed");
  return XLX_OK;
}

// The standard method: the whole package under AES-ECB with one key.
int32_t DecryptStandardStream(const EncryptedPackage& p, const std::vector<uint8_t>& key, int64_t output) {
  BlockDecryptor cipher;
  int32_t r = cipher.Init("AES", "ECB", key.data(), key.size());
  if (r != XLX_OK) return r;
  const uint64_t needed = (p.plainSize + 15) / 16 * 16;
  if (needed > p.stream.size - 8) return XLX_CORRUPT(XLX_ERR_FORMAT, "encrypted package: last block cut short");
  std::vector<uint8_t> chunk(static_cast<size_t>(kChunkBytes));
  for (uint64_t at = 0; at < needed; at += kChunkBytes) {
    const size_t length = static_cast<size_t>(needed - at < kChunkBytes ? needed - at : kChunkBytes);
    r = ReadCompoundStream(p.file, p.stream, 8 + at, chunk.data(), length);
    if (r == XLX_OK) r = cipher.Decrypt(nullptr, chunk.data(), chunk.data(), length);
    const uint64_t plainLeft = p.plainSize - at;
    if (r == XLX_OK) r = WriteAll(output, chunk.data(), plainLeft < length ? static_cast<size_t>(plainLeft) : length);
    if (r != XLX_OK) return r;
  }
  return XLX_OK;
}

int32_t DeriveKey(const EncryptedPackage& p, const std::u16string& password, std::vector<uint8_t>* key) {
  return p.info.method == kEncryptionAgile ? DeriveAgileKey(p.info.agile, password, key)
                                           : DeriveStandardKey(p.info.standard, password, key);
}

int32_t DecryptStream(const EncryptedPackage& p, const std::vector<uint8_t>& key, int64_t output) {
  try {
    return p.info.method == kEncryptionAgile ? DecryptAgileStream(p, key, output)
                                             : DecryptStandardStream(p, key, output);
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
}

// ---- the decryption step of the drivers ---------------------------------------------------------

struct Candidates {
  std::u16string given;  // from the request
  bool hasGiven = false;
};

int32_t ReadPasswordSource(uint64_t source, Candidates* c) {
  const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(source));
  if (!text || !*text) return XLX_OK;
  const std::string_view bytes(text);
  c->given = Utf8ToUtf16(bytes);
  // Invalid sequences come back as U+FFFD; a text that did not hold that character was not UTF-8.
  if (c->given.find(u'\uFFFD') != std::u16string::npos && bytes.find("\xEF\xBF\xBD") == std::string_view::npos)
    return XLX_ERR_PASSWORD_TEXT;
  c->hasGiven = true;
  return XLX_OK;
}

// Tries the candidates in order and leaves the key of the first that opens the package.
int32_t FindKey(const EncryptedPackage& p, const Candidates& c, std::vector<uint8_t>* key) {
  if (c.hasGiven) {
    int32_t r = DeriveKey(p, c.given, key);
    if (r != XLX_ERR_WRONG_PASSWORD) return r;
  }
  int32_t r = DeriveKey(p, kDefaultWorkbookPassword, key);
  if (r != XLX_ERR_WRONG_PASSWORD) return r;
  return c.hasGiven ? XLX_ERR_WRONG_PASSWORD : XLX_ERR_NO_PASSWORD;
}

// Which kind of package the decrypted zip is, from the folder of its main parts.
int32_t PackageKind(const char16_t* path, int32_t* kind) {
  *kind = kPackageOther;
  int64_t handle = VkOpenTempFile(path);
  if (handle == -1) return XLX_ERR_REOPEN;
  PartList list;
  int32_t r = BuildPartList(handle, &list, nullptr, nullptr);
  VkCloseFile(handle);
  if (r != XLX_OK) return XLX_CORRUPT(XLX_ERR_FORMAT, "decrypted package is not a zip package");
  static const struct {
    const char16_t* folder;
    int32_t kind;
  } kFolders[] = {{u"xl/", kRequestSpreadsheet}, {u"word/", kRequestWordProcessing}, {u"ppt/", kRequestPresentation}};
  for (int32_t i = 0; i < list.count && *kind == kPackageOther; ++i) {
    const std::u16string_view name = list.names[i] ? list.names[i] : u"";
    for (const auto& f : kFolders)
      if (name.substr(0, std::char_traits<char16_t>::length(f.folder)) == f.folder) *kind = f.kind;
  }
  FreePartList(&list);
  return XLX_OK;
}

// Writes the plain package to a new temporary file and checks its kind.
int32_t WriteTempPackage(const EncryptedPackage& p, const std::vector<uint8_t>& key, int32_t requestedKind,
                         _INFODISPATCH* info, char16_t* tempPath) {
  const char16_t* extension = requestedKind == kRequestWordProcessing ? u"dox"
                              : requestedKind == kRequestSpreadsheet  ? u"xlx"
                              : requestedKind == kRequestPresentation ? u"ptx"
                                                                      : u"tmp";
  int64_t output = -1;
  int32_t r = VkCreateTempFile(extension, tempPath, kTempPathUnits, &output);
  if (r != XLX_OK) return r == XLX_ERR_MEMORY ? r : XLX_ERR_REOPEN;
  r = DecryptStream(p, key, output);
  VkCloseFile(output);
  int32_t kind = kPackageOther;
  if (r == XLX_OK) r = PackageKind(tempPath, &kind);
  if (r == XLX_OK && kind != requestedKind) {
    if (info) info->nProtectionKind = kProtectionKinds[kind];
    r = XLX_ERR_OTHER_KIND;
  }
  if (r != XLX_OK) {
    VkDeleteFile(tempPath);
    tempPath[0] = 0;
  }
  return r;
}

int32_t DecryptLocked(int64_t handle, int32_t requestedKind, uint64_t passwordSource, _INFODISPATCH* info,
                      char16_t* tempPath) {
  Candidates candidates;
  int32_t r = ReadPasswordSource(passwordSource, &candidates);
  if (r != XLX_OK) return r;
  r = BindCryptoLibrary();
  if (r != XLX_OK) return r;
  EncryptedPackage package;
  r = OpenEncryptedPackage(handle, &package);
  std::vector<uint8_t> key;
  if (r == XLX_OK) r = FindKey(package, candidates, &key);
  if (r == XLX_OK) r = WriteTempPackage(package, key, requestedKind, info, tempPath);
  return r;
}

}  // namespace

uint64_t DecryptionCount() {
  std::lock_guard<std::mutex> guard(g_decryptLock);
  return g_decryptions;
}

int32_t DecryptPackage(int64_t handle, const std::u16string& password, int64_t output) {
  int32_t r = BindCryptoLibrary();
  if (r != XLX_OK) return r;
  try {
    EncryptedPackage package;
    r = OpenEncryptedPackage(handle, &package);
    std::vector<uint8_t> key;
    if (r == XLX_OK) r = DeriveKey(package, password, &key);
    if (r == XLX_OK) r = DecryptStream(package, key, output);
    return r;
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
}

int32_t DecryptToTempFile(int64_t handle, int32_t requestedKind, uint64_t passwordSource, _INFODISPATCH* info,
                          char16_t* tempPath) {
  if (!tempPath) return XLX_ERR_ARGUMENT;
  tempPath[0] = 0;
  int32_t r;
  {
    std::lock_guard<std::mutex> guard(g_decryptLock);
    ++g_decryptions;
    try {
      r = DecryptLocked(handle, requestedKind, passwordSource, info, tempPath);
    } catch (...) {  // allocations of the containers above; nothing else throws
      r = XLX_ERR_MEMORY;
    }
  }
  VkSeekFile(handle, 0, VK_SEEK_SET);
  if (r != XLX_OK && r != XLX_ERR_FORMAT && info) {
    info->nDecryptError = r;
    r = XLX_ERR_DECRYPT;
  }
  return r;
}

}  // namespace xlx
