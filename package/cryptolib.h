// The crypto library (OpenSSL libcrypto 3), bound by name on the first decryption and kept for
// the life of the process: digests, block ciphers for decryption, and HMAC. The filter does not
// link it, so a host without it still loads the filter and only decryption fails (-1864).
//
// The library is looked for in the host's library folder, then beside the filter module, then
// by its system name. Algorithms come from a library context of our own with the default and
// (when present) the legacy provider, so DES and RC2 work without touching the host process's
// own OpenSSL configuration.
#pragma once
#include <cstddef>
#include <cstdint>

namespace xlx {

// Binds the library once per process (later calls return the first outcome). 1 or -1864.
[[nodiscard]] int32_t BindCryptoLibrary();

// Test hook: the next binds look only for this file (null: the normal search again) and bind afresh.
void SetCryptoLibraryForTesting(const char* path);

// A message digest by its name in encryption descriptors: "SHA1" (or "SHA-1"), "SHA256",
// "SHA384", "SHA512", "MD5", and others the library knows ("RIPEMD160", "WHIRLPOOL", "MD4").
class Hasher {
 public:
  Hasher() = default;
  ~Hasher();
  Hasher(const Hasher&) = delete;
  Hasher& operator=(const Hasher&) = delete;
  // 1; -1878 unknown digest; -1864 library missing; -1 memory.
  [[nodiscard]] int32_t Init(const char* name);
  // Digest length in bytes (0 before Init).
  size_t size() const { return size_; }
  // out = H(a + b); `out` holds size() bytes. 1 or -1864.
  [[nodiscard]] int32_t Hash(const uint8_t* a, size_t na, const uint8_t* b, size_t nb, uint8_t* out);
  const void* digest() const { return md_; }

 private:
  const void* md_ = nullptr;  // EVP_MD from the library's cache
  void* ctx_ = nullptr;       // EVP_MD_CTX, reused for every hash
  size_t size_ = 0;
};

// Decryption with a block cipher named as in encryption descriptors: "AES" (128, 192, 256-bit
// keys), "DES" (64), "3DES" (192), "3DES_112" (128) and "RC2" (40 to 128), chained by
// "ChainingModeCBC" or "ChainingModeCFB" (8-bit feedback); "ECB" for the standard method.
class BlockDecryptor {
 public:
  BlockDecryptor() = default;
  ~BlockDecryptor();
  BlockDecryptor(const BlockDecryptor&) = delete;
  BlockDecryptor& operator=(const BlockDecryptor&) = delete;
  // Sets the cipher and key (keyBytes bytes). 1; -1878 a cipher, chaining or key size the
  // library does not offer; -1864; -1.
  [[nodiscard]] int32_t Init(const char* cipher, const char* chaining, const uint8_t* key, size_t keyBytes);
  // Block size in bytes (the IV length).
  size_t blockSize() const { return blockSize_; }
  // Decrypts n bytes (a whole number of blocks for CBC and ECB) from a fresh IV of blockSize()
  // bytes (ignored for ECB). in and out may be the same. 1 or -9.
  [[nodiscard]] int32_t Decrypt(const uint8_t* iv, const uint8_t* in, uint8_t* out, size_t n);

 private:
  void* ctx_ = nullptr;  // EVP_CIPHER_CTX
  size_t blockSize_ = 0;
  bool stream_ = false;  // 8-bit feedback: any length
};

// HMAC over a digest of the library.
class Hmac {
 public:
  Hmac() = default;
  ~Hmac();
  Hmac(const Hmac&) = delete;
  Hmac& operator=(const Hmac&) = delete;
  // 1; -1864; -1.
  [[nodiscard]] int32_t Init(const Hasher& digest, const uint8_t* key, size_t n);
  [[nodiscard]] int32_t Update(const uint8_t* data, size_t n);
  // Writes the digest's size of bytes. 1 or -1864.
  [[nodiscard]] int32_t Final(uint8_t* out);

 private:
  void* ctx_ = nullptr;  // HMAC_CTX
};

}  // namespace xlx
