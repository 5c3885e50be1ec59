#include "package/encryptionkeys.h"

#include <cstring>
#include <new>

#include "common/resultcodes.h"
#include "package/cryptolib.h"

namespace xlx {

const char16_t kDefaultWorkbookPassword[] = u"VelvetSweatshop";

const uint8_t kBlockKeyVerifierInput[8] = {0xFE, 0xA7, 0xD2, 0x76, 0x3B, 0x4B, 0x9E, 0x79};
const uint8_t kBlockKeyVerifierHash[8] = {0xD7, 0xAA, 0x0F, 0x6D, 0x30, 0x61, 0x34, 0x4E};
const uint8_t kBlockKeyEncryptedKey[8] = {0x14, 0x6E, 0x0B, 0xE7, 0xAB, 0xAC, 0xD0, 0xD6};
const uint8_t kBlockKeyIntegrityKey[8] = {0x5F, 0xB2, 0xAD, 0x01, 0x0C, 0xB9, 0xE1, 0xF6};
const uint8_t kBlockKeyIntegrityValue[8] = {0xA0, 0x67, 0x7F, 0x02, 0xB2, 0x2C, 0x84, 0x33};

namespace {

constexpr uint32_t kStandardSpinCount = 50000;

std::vector<uint8_t> PasswordBytes(const std::u16string& password) {
  std::vector<uint8_t> bytes;
  bytes.reserve(password.size() * 2);
  for (char16_t c : password) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  return bytes;
}

void Le32(uint32_t v, uint8_t* out) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}

// H0 = H(salt + password), then `spins` rounds of H(round as uint32 LE + previous).
int32_t SpinPasswordHash(Hasher& h, const std::vector<uint8_t>& salt, const std::u16string& password, uint32_t spins,
                         uint8_t* hash) {
  const std::vector<uint8_t> bytes = PasswordBytes(password);
  int32_t r = h.Hash(salt.data(), salt.size(), bytes.data(), bytes.size(), hash);
  uint8_t round[4];
  for (uint32_t i = 0; i < spins && r == XLX_OK; ++i) {
    Le32(i, round);
    r = h.Hash(round, 4, hash, h.size(), hash);
  }
  return r;
}

// Decrypts `in` with a key made from the final hash and one block key, IV = the encryptor's salt.
int32_t DecryptWithBlockKey(Hasher& h, const CipherParams& p, const uint8_t* finalHash, const uint8_t* blockKey,
                            const std::vector<uint8_t>& in, std::vector<uint8_t>* out) {
  uint8_t derived[64];
  int32_t r = h.Hash(finalHash, h.size(), blockKey, 8, derived);
  if (r != XLX_OK) return r;
  const std::vector<uint8_t> key = FitKeyBytes(derived, h.size(), p.keyBits / 8);
  BlockDecryptor cipher;
  r = cipher.Init(p.cipherAlgorithm, p.cipherChaining, key.data(), key.size());
  if (r != XLX_OK) return r;
  if (cipher.blockSize() != p.blockSize) return XLX_CORRUPT(XLX_ERR_FORMAT, "key encryptor: block size");
  const std::vector<uint8_t> iv = FitKeyBytes(p.salt.data(), p.salt.size(), p.blockSize);
  out->resize(in.size());
  return cipher.Decrypt(iv.data(), in.data(), out->data(), in.size());
}

}  // namespace

std::vector<uint8_t> FitKeyBytes(const uint8_t* bytes, size_t n, size_t length) {
  std::vector<uint8_t> out(length, 0x36);
  std::memcpy(out.data(), bytes, n < length ? n : length);
  return out;
}

int32_t DeriveAgileKey(const AgileEncryption& agile, const std::u16string& password, std::vector<uint8_t>* key) {
  key->clear();
  const CipherParams& e = agile.encryptor;
  try {
    Hasher h;
    int32_t r = h.Init(e.hashAlgorithm);
    if (r != XLX_OK) return r;
    if (h.size() != e.hashSize) return XLX_CORRUPT(XLX_ERR_FORMAT, "key encryptor: hash size");
    uint8_t finalHash[64];
    r = SpinPasswordHash(h, e.salt, password, agile.spinCount, finalHash);
    std::vector<uint8_t> input, expected, value;
    if (r == XLX_OK) r = DecryptWithBlockKey(h, e, finalHash, kBlockKeyVerifierInput, agile.verifierInput, &input);
    if (r == XLX_OK) r = DecryptWithBlockKey(h, e, finalHash, kBlockKeyVerifierHash, agile.verifierHash, &expected);
    if (r != XLX_OK) return r;
    uint8_t actual[64];
    r = h.Hash(input.data(), e.saltSize, nullptr, 0, actual);
    if (r != XLX_OK) return r;
    if (std::memcmp(actual, expected.data(), e.hashSize) != 0) return XLX_ERR_WRONG_PASSWORD;
    r = DecryptWithBlockKey(h, e, finalHash, kBlockKeyEncryptedKey, agile.keyValue, &value);
    if (r != XLX_OK) return r;
    const size_t keyBytes = agile.keyData.keyBits / 8;
    if (value.size() < keyBytes) return XLX_CORRUPT(XLX_ERR_FORMAT, "key encryptor: key shorter than the package key");
    key->assign(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(keyBytes));
    return XLX_OK;
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
}

int32_t DeriveStandardKey(const StandardEncryption& s, const std::u16string& password, std::vector<uint8_t>* key) {
  key->clear();
  try {
    Hasher h;
    int32_t r = h.Init("SHA1");
    if (r != XLX_OK) return r;
    const std::vector<uint8_t> salt(s.salt, s.salt + 16);
    uint8_t hash[64];
    r = SpinPasswordHash(h, salt, password, kStandardSpinCount, hash);
    const uint8_t block0[4] = {0, 0, 0, 0};
    if (r == XLX_OK) r = h.Hash(hash, 20, block0, 4, hash);
    if (r != XLX_OK) return r;
    // The key is the start of SHA-1(0x36 pad ^ hash) + SHA-1(0x5C pad ^ hash).
    uint8_t inner[64], outer[64], expanded[40];
    for (size_t i = 0; i < 64; ++i) {
      inner[i] = static_cast<uint8_t>(0x36 ^ (i < 20 ? hash[i] : 0));
      outer[i] = static_cast<uint8_t>(0x5C ^ (i < 20 ? hash[i] : 0));
    }
    r = h.Hash(inner, 64, nullptr, 0, expanded);
    if (r == XLX_OK) r = h.Hash(outer, 64, nullptr, 0, expanded + 20);
    if (r != XLX_OK) return r;
    const size_t keyBytes = s.keyBits / 8;
    BlockDecryptor cipher;
    r = cipher.Init("AES", "ECB", expanded, keyBytes);
    if (r != XLX_OK) return r;
    uint8_t verifier[16], verifierHash[32], actual[20];
    r = cipher.Decrypt(nullptr, s.verifier, verifier, 16);
    if (r == XLX_OK) r = cipher.Decrypt(nullptr, s.verifierHash, verifierHash, 32);
    if (r == XLX_OK) r = h.Hash(verifier, 16, nullptr, 0, actual);
    if (r != XLX_OK) return r;
    if (std::memcmp(actual, verifierHash, 20) != 0) return XLX_ERR_WRONG_PASSWORD;
    key->assign(expanded, expanded + keyBytes);
    return XLX_OK;
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
}

}  // namespace xlx
