#include "package/encryptioninfo.h"

#include <pugixml.hpp>
#include <cstring>
#include <new>

#include "common/resultcodes.h"
#include "common/littleendian.h"
#include "package/xmlnames.h"

namespace xlx {
namespace {

constexpr uint32_t kStandardFlagsAes = 0x24;  // fCryptoAPI | fAES
constexpr uint32_t kStandardFlagExternal = 0x10;
constexpr uint32_t kAlgAes128 = 0x660E, kAlgAes256 = 0x6610, kAlgSha1 = 0x8004;


int32_t Malformed(const char* what) { return XLX_CORRUPT(XLX_ERR_FORMAT, what); }
int32_t Unsupported(const char* what) { return XLX_CORRUPT(XLX_ERR_UNSUPPORTED_ENCRYPTION, what); }

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return XLX_ERR_MEMORY;
}

// ---- standard method --------------------------------------------------------------------------

int32_t ParseStandard(const uint8_t* data, size_t size, StandardEncryption* s) {
  if (size < 12) return Malformed("standard encryption: no header size");
  const uint32_t headerSize = Le32(data + 8);
  // The header holds eight 32-bit fields and the provider name; the verifier follows it.
  if (headerSize < 32 || headerSize > size - 12) return Malformed("standard encryption: header size");
  const uint8_t* h = data + 12;
  s->headerFlags = Le32(h);
  s->algId = Le32(h + 8);
  s->algIdHash = Le32(h + 12);
  s->keyBits = Le32(h + 16);
  const size_t at = 12 + static_cast<size_t>(headerSize);
  if (size - at < 40) return Malformed("standard encryption: verifier missing");
  const uint8_t* v = data + at;
  if (Le32(v) != 16) return Malformed("standard encryption: salt size");
  std::memcpy(s->salt, v + 4, 16);
  std::memcpy(s->verifier, v + 20, 16);
  s->verifierHashSize = Le32(v + 36);
  // RC4 keeps the verifier hash in 20 bytes and has no fAES flag: a method we do not decrypt.
  const bool aes = (s->headerFlags & kStandardFlagsAes) == kStandardFlagsAes;
  if (!aes || (s->algId != 0 && (s->algId < kAlgAes128 || s->algId > kAlgAes256)))
    return Unsupported("standard encryption: not AES (RC4 or another cipher)");
  if (s->headerFlags & kStandardFlagExternal) return Unsupported("standard encryption: external key provider");
  if (s->algIdHash != 0 && s->algIdHash != kAlgSha1) return Unsupported("standard encryption: hash is not SHA-1");
  const uint32_t expectedBits = s->algId == 0 ? 128 : 128 + 64 * (s->algId - kAlgAes128);
  if (s->keyBits != expectedBits) return Malformed("standard encryption: key size does not match the cipher");
  if (s->verifierHashSize != 20) return Malformed("standard encryption: verifier hash size");
  if (size - at < 40 + 32) return Malformed("standard encryption: verifier hash missing");
  std::memcpy(s->verifierHash, v + 40, 32);
  return XLX_OK;
}

// ---- agile method -----------------------------------------------------------------------------

// Decimal attribute in [low, high]; false when missing or not a plain number.
bool ReadCount(const pugi::xml_node& node, const char* name, uint32_t low, uint32_t high, uint32_t* out) {
  const char* text = node.attribute(name).value();
  if (!*text) return false;
  uint64_t value = 0;
  for (; *text; ++text) {
    if (*text < '0' || *text > '9') return false;
    value = value * 10 + static_cast<uint64_t>(*text - '0');
    if (value > high) return false;
  }
  if (value < low) return false;
  *out = static_cast<uint32_t>(value);
  return true;
}

bool ReadName(const pugi::xml_node& node, const char* name, char* out, size_t capacity) {
  const char* text = node.attribute(name).value();
  const size_t n = std::strlen(text);
  if (n == 0 || n >= capacity) return false;
  std::memcpy(out, text, n + 1);
  return true;
}

// Base64 attribute decoded to at least `length` bytes and cut to that length.
bool ReadBinary(const pugi::xml_node& node, const char* name, size_t length, std::vector<uint8_t>* out) {
  if (!DecodeBase64(node.attribute(name).value(), out) || out->size() < length) return false;
  out->resize(length);
  return true;
}

size_t RoundUp(size_t n, size_t block) { return (n + block - 1) / block * block; }

bool ReadCipherParams(const pugi::xml_node& node, CipherParams* p) {
  return ReadCount(node, "saltSize", 1, kMaxSaltBytes, &p->saltSize) &&
         ReadCount(node, "blockSize", 2, kMaxCipherBlockBytes, &p->blockSize) &&
         ReadCount(node, "keyBits", 8, kMaxKeyBits, &p->keyBits) && p->keyBits % 8 == 0 &&
         ReadCount(node, "hashSize", 1, kMaxHashBytes, &p->hashSize) &&
         ReadName(node, "cipherAlgorithm", p->cipherAlgorithm, sizeof p->cipherAlgorithm) &&
         ReadName(node, "cipherChaining", p->cipherChaining, sizeof p->cipherChaining) &&
         ReadName(node, "hashAlgorithm", p->hashAlgorithm, sizeof p->hashAlgorithm) &&
         ReadBinary(node, "saltValue", p->saltSize, &p->salt);
}

// Length of an encrypted hash: whole blocks that hold hashSize bytes.
size_t HashBlocks(const CipherParams& p) { return RoundUp(p.hashSize, p.blockSize); }

// The password key encryptor: the last encryptedKey that carries a spin count (certificate
// encryptors have none).
pugi::xml_node PasswordEncryptor(const pugi::xml_node& root) {
  pugi::xml_node found;
  pugi::xml_node list = Child(root, "keyEncryptors");
  for (pugi::xml_node k = list.first_child(); k; k = k.next_sibling()) {
    if (!IsElement(k, "keyEncryptor")) continue;
    pugi::xml_node key = Child(k, "encryptedKey");
    if (key && key.attribute("spinCount")) found = key;
  }
  return found;
}

int32_t ParseAgile(const uint8_t* data, size_t size, AgileEncryption* a) {
  pugi::xml_document document;
  if (!document.load_buffer(data + 8, size - 8, pugi::parse_default, pugi::encoding_auto))
    return Malformed("agile encryption: descriptor is not XML");
  const pugi::xml_node root = document.document_element();
  const pugi::xml_node keyData = Child(root, "keyData");
  const pugi::xml_node key = PasswordEncryptor(root);
  if (!keyData || !key) return Malformed("agile encryption: keyData or the password key encryptor missing");
  if (!ReadCipherParams(keyData, &a->keyData)) return Malformed("agile encryption: keyData attributes");
  const pugi::xml_node integrity = Child(root, "dataIntegrity");
  if (integrity) {
    const size_t n = HashBlocks(a->keyData);
    if (!ReadBinary(integrity, "encryptedHmacKey", n, &a->hmacKey) ||
        !ReadBinary(integrity, "encryptedHmacValue", n, &a->hmacValue))
      return Malformed("agile encryption: dataIntegrity attributes");
    a->hasIntegrity = true;
  }
  CipherParams& e = a->encryptor;
  if (!ReadCipherParams(key, &e) || !ReadCount(key, "spinCount", 0, kMaxSpinCount, &a->spinCount) ||
      !ReadBinary(key, "encryptedVerifierHashInput", RoundUp(e.saltSize, e.blockSize), &a->verifierInput) ||
      !ReadBinary(key, "encryptedVerifierHashValue", HashBlocks(e), &a->verifierHash) ||
      !ReadBinary(key, "encryptedKeyValue", RoundUp(e.keyBits / 8, e.blockSize), &a->keyValue))
    return Malformed("agile encryption: key encryptor attributes");
  return XLX_OK;
}

}  // namespace

bool IsKnownEncryptionVersion(uint16_t major, uint16_t minor) {
  return (major == 4 && minor == 4) || ((major == 2 || major == 3 || major == 4) && minor == 2);
}

bool DecodeBase64(const char* text, std::vector<uint8_t>* out) {
  out->clear();
  if (!text) return false;
  uint32_t bits = 0;
  int count = 0;
  bool padding = false;
  for (const char* p = text; *p; ++p) {
    const char c = *p;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    if (c == '=') {
      padding = true;
      continue;
    }
    const int v = Base64Value(c);
    if (v < 0 || padding) return false;
    bits = (bits << 6) | static_cast<uint32_t>(v);
    if (++count == 4) {
      out->push_back(static_cast<uint8_t>(bits >> 16));
      out->push_back(static_cast<uint8_t>(bits >> 8));
      out->push_back(static_cast<uint8_t>(bits));
      bits = 0;
      count = 0;
    }
  }
  if (count == 1) return false;
  if (count == 2) out->push_back(static_cast<uint8_t>(bits >> 4));
  if (count == 3) {
    out->push_back(static_cast<uint8_t>(bits >> 10));
    out->push_back(static_cast<uint8_t>(bits >> 2));
  }
  return true;
}

int32_t ParseEncryptionInfo(const uint8_t* data, size_t size, EncryptionInfo* info) {
  if (!info) return XLX_ERR_ARGUMENT;
  *info = EncryptionInfo{};
  if (!data || size < 8) return Malformed("encryption info: shorter than its version");
  if (size > kMaxEncryptionInfoBytes) return Malformed("encryption info: too large");
  info->major = Le16(data);
  info->minor = Le16(data + 2);
  info->flags = Le32(data + 4);
  if (!IsKnownEncryptionVersion(info->major, info->minor))
    return Unsupported("encryption info: a version this filter does not decrypt");
  try {
    int32_t r;
    if (info->major == 4 && info->minor == 4) {
      info->method = kEncryptionAgile;
      r = ParseAgile(data, size, &info->agile);
    } else {
      info->method = kEncryptionStandard;
      r = ParseStandard(data, size, &info->standard);
    }
    if (r != XLX_OK) *info = EncryptionInfo{};
    return r;
  } catch (const std::bad_alloc&) {
    *info = EncryptionInfo{};
    return XLX_ERR_MEMORY;
  }
}

}  // namespace xlx
