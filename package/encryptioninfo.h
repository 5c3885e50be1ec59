// The EncryptionInfo stream of a password-protected package: which method encrypts it and the
// parameters of that method. Pure parsing, no cryptography: every size, count and length is
// checked here, so the decrypter can trust the record it gets.
//
// Stream layout: uint16 major version, uint16 minor version, uint32 flags, then
//   - version 4.4 (agile): an XML descriptor with the package key's cipher parameters
//     (keyData), an optional HMAC of the encrypted package (dataIntegrity) and the password key
//     encryptor (keyEncryptors/keyEncryptor/encryptedKey) with its salt, spin count and the
//     encrypted verifier and key;
//   - versions 2.2, 3.2 and 4.2 (standard): a binary header naming the cipher and hash by
//     identifier, and a verifier.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace xlx {

enum EncryptionMethod : int32_t { kEncryptionStandard = 1, kEncryptionAgile = 2 };

// Limits on what a descriptor may claim.
constexpr uint32_t kMaxSpinCount = 10000000;     // the format's own ceiling
constexpr uint32_t kMaxSaltBytes = 64;
constexpr uint32_t kMaxCipherBlockBytes = 64;
constexpr uint32_t kMaxKeyBits = 512;
constexpr uint32_t kMaxHashBytes = 64;
constexpr uint64_t kMaxEncryptionInfoBytes = 1u << 20;

// Cipher parameters shared by keyData and the password key encryptor.
struct CipherParams {
  uint32_t saltSize = 0;      // bytes
  uint32_t blockSize = 0;     // bytes
  uint32_t keyBits = 0;
  uint32_t hashSize = 0;      // bytes
  char cipherAlgorithm[16] = {0};   // "AES", "DES", "3DES", "3DES_112", "RC2", ...
  char cipherChaining[24] = {0};    // "ChainingModeCBC" or "ChainingModeCFB"
  char hashAlgorithm[16] = {0};     // "SHA1", "SHA256", "SHA384", "SHA512", "MD5", ...
  std::vector<uint8_t> salt;        // saltSize bytes
};

struct AgileEncryption {
  CipherParams keyData;               // encrypts the package
  bool hasIntegrity = false;
  std::vector<uint8_t> hmacKey;       // encrypted; blockSize x ceil(hashSize / blockSize) bytes
  std::vector<uint8_t> hmacValue;     // encrypted; same length
  CipherParams encryptor;             // derives the key from the password
  uint32_t spinCount = 0;
  std::vector<uint8_t> verifierInput;  // encrypted; saltSize rounded up to whole blocks
  std::vector<uint8_t> verifierHash;   // encrypted; blockSize x ceil(hashSize / blockSize)
  std::vector<uint8_t> keyValue;       // encrypted; keyBits / 8 rounded up to whole blocks
};

struct StandardEncryption {
  uint32_t headerFlags = 0;
  uint32_t algId = 0;          // 0x660E AES-128, 0x660F AES-192, 0x6610 AES-256, 0x6801 RC4
  uint32_t algIdHash = 0;      // 0x8004 SHA-1
  uint32_t keyBits = 0;
  uint8_t salt[16] = {0};
  uint8_t verifier[16] = {0};       // encrypted
  uint32_t verifierHashSize = 0;    // 20
  uint8_t verifierHash[32] = {0};   // encrypted
};

struct EncryptionInfo {
  uint16_t major = 0, minor = 0;
  uint32_t flags = 0;
  int32_t method = 0;               // EncryptionMethod
  AgileEncryption agile;            // when method is agile
  StandardEncryption standard;      // when method is standard
};

// True when a stream of this version holds an encrypted package of a method we know: 4.4, or
// 2.2, 3.2 and 4.2.
bool IsKnownEncryptionVersion(uint16_t major, uint16_t minor);

// Parses the stream. 1; -9 malformed (too short, bad XML, missing elements or attributes,
// values out of range, Base64 that does not decode); -1878 a version or standard-method
// algorithm this filter does not decrypt (RC4, extensible encryption); -1 memory.
[[nodiscard]] int32_t ParseEncryptionInfo(const uint8_t* data, size_t size, EncryptionInfo* info);

// Decodes standard Base64 (whitespace ignored, '=' padding optional). False on any other character.
bool DecodeBase64(const char* text, std::vector<uint8_t>* out);

}  // namespace xlx
