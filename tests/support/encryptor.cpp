#define OPENSSL_SUPPRESS_DEPRECATED
#include "tests/support/encryptor.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <cstring>
#include <stdexcept>

#include "tests/support/cfbwriter.h"

namespace xlxtest {
namespace {

using Bytes = std::vector<uint8_t>;

const uint8_t kVerifierInput[8] = {0xFE, 0xA7, 0xD2, 0x76, 0x3B, 0x4B, 0x9E, 0x79};
const uint8_t kVerifierHash[8] = {0xD7, 0xAA, 0x0F, 0x6D, 0x30, 0x61, 0x34, 0x4E};
const uint8_t kKeyValue[8] = {0x14, 0x6E, 0x0B, 0xE7, 0xAB, 0xAC, 0xD0, 0xD6};
const uint8_t kHmacKey[8] = {0x5F, 0xB2, 0xAD, 0x01, 0x0C, 0xB9, 0xE1, 0xF6};
const uint8_t kHmacValue[8] = {0xA0, 0x67, 0x7F, 0x02, 0xB2, 0x2C, 0x84, 0x33};

Bytes Random(size_t n) {
  Bytes b(n);
  RAND_bytes(b.data(), static_cast<int>(n));
  return b;
}

Bytes Hash(const EVP_MD* md, Bytes a, const Bytes& b = {}) {
  a.insert(a.end(), b.begin(), b.end());
  Bytes out(EVP_MD_get_size(md));
  EVP_Digest(a.data(), a.size(), out.data(), nullptr, md, nullptr);
  return out;
}

Bytes Fit(Bytes b, size_t n, uint8_t pad) {
  b.resize(n, pad);
  return b;
}

Bytes PadToBlock(Bytes b, size_t block) { return Fit(b, (b.size() + block - 1) / block * block, 0); }

Bytes Encrypt(const char* name, const Bytes& key, const Bytes& iv, const Bytes& plain) {
  const EVP_CIPHER* cipher = EVP_get_cipherbyname(name);
  if (!cipher) throw std::runtime_error(std::string("no cipher ") + name);
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex(ctx, cipher, nullptr, key.data(), iv.empty() ? nullptr : iv.data());
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  Bytes out(plain.size() + 64);
  int n = 0;
  EVP_EncryptUpdate(ctx, out.data(), &n, plain.data(), static_cast<int>(plain.size()));
  EVP_CIPHER_CTX_free(ctx);
  out.resize(static_cast<size_t>(n));
  return out;
}

Bytes Join(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes Le(uint64_t v, size_t n = 4) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = uint8_t(v >> (8 * i));
  return b;
}

std::string Base64(const Bytes& b) {
  std::string out(4 * ((b.size() + 2) / 3) + 1, '\0');
  int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&out[0]), b.data(), static_cast<int>(b.size()));
  out.resize(static_cast<size_t>(n));
  return out;
}

Bytes PasswordBytes(const std::u16string& password) {
  Bytes b;
  for (char16_t c : password) b.push_back(uint8_t(c)), b.push_back(uint8_t(c >> 8));
  return b;
}

std::string Params(const AgileOptions& o, size_t hashSize, const Bytes& salt) {
  return "saltSize=\"16\" blockSize=\"" + std::to_string(o.blockSize) + "\" keyBits=\"" + std::to_string(o.keyBits) +
         "\" hashSize=\"" + std::to_string(hashSize) + "\" cipherAlgorithm=\"" + o.cipher + "\" cipherChaining=\"" +
         o.chaining + "\" hashAlgorithm=\"" + o.hash + "\" saltValue=\"" + Base64(salt) + "\"";
}

}  // namespace

EncryptedStreams EncryptAgile(const Bytes& plain, const std::u16string& password, const AgileOptions& o) {
  const EVP_MD* md = EVP_get_digestbyname(o.hash == "SHA1" ? "SHA1" : o.hash.c_str());
  if (!md) throw std::runtime_error("no digest " + o.hash);
  const size_t hashSize = static_cast<size_t>(EVP_MD_get_size(md)), keyBytes = o.keyBits / 8;
  const Bytes dataSalt = Random(16), keySalt = Random(16), packageKey = Random(keyBytes);
  const char* name = o.opensslCipher.c_str();

  // The package, segment by segment, behind its size.
  EncryptedStreams out;
  out.package = Le(plain.size(), 8);
  for (size_t at = 0, i = 0; at < plain.size(); at += 4096, ++i) {
    Bytes segment(plain.begin() + at, plain.begin() + std::min(plain.size(), at + 4096));
    const Bytes iv = Fit(Hash(md, dataSalt, Le(static_cast<uint32_t>(i))), o.blockSize, 0x36);
    const Bytes enc = Encrypt(name, packageKey, iv, PadToBlock(segment, o.blockSize));
    out.package.insert(out.package.end(), enc.begin(), enc.end());
  }

  // The password key encryptor.
  Bytes h = Hash(md, keySalt, PasswordBytes(password));
  for (uint32_t i = 0; i < o.spinCount; ++i) h = Hash(md, Le(i), h);
  auto keyFor = [&](const uint8_t* block) { return Fit(Hash(md, h, Bytes(block, block + 8)), keyBytes, 0x36); };
  const Bytes keyIv = Fit(keySalt, o.blockSize, 0x36);
  const Bytes verifier = Random(16);
  const Bytes encVerifier = Encrypt(name, keyFor(kVerifierInput), keyIv, PadToBlock(verifier, o.blockSize));
  const Bytes encVerifierHash = Encrypt(name, keyFor(kVerifierHash), keyIv, PadToBlock(Hash(md, verifier), o.blockSize));
  const Bytes encKey = Encrypt(name, keyFor(kKeyValue), keyIv, PadToBlock(packageKey, o.blockSize));

  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                    "<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\" "
                    "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
                    "<keyData " + Params(o, hashSize, dataSalt) + "/>";
  if (o.integrity) {
    const Bytes hmacKey = Random(hashSize);
    Bytes mac(hashSize);
    HMAC(md, hmacKey.data(), static_cast<int>(hmacKey.size()), out.package.data(), out.package.size(), mac.data(), nullptr);
    const Bytes ivKey = Fit(Hash(md, dataSalt, Bytes(kHmacKey, kHmacKey + 8)), o.blockSize, 0x36);
    const Bytes ivValue = Fit(Hash(md, dataSalt, Bytes(kHmacValue, kHmacValue + 8)), o.blockSize, 0x36);
    xml += "<dataIntegrity encryptedHmacKey=\"" + Base64(Encrypt(name, packageKey, ivKey, PadToBlock(hmacKey, o.blockSize))) +
           "\" encryptedHmacValue=\"" + Base64(Encrypt(name, packageKey, ivValue, PadToBlock(mac, o.blockSize))) + "\"/>";
  }
  xml += "<keyEncryptors><keyEncryptor uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
         "<p:encryptedKey spinCount=\"" + std::to_string(o.spinCount) + "\" " + Params(o, hashSize, keySalt) +
         " encryptedVerifierHashInput=\"" + Base64(encVerifier) + "\" encryptedVerifierHashValue=\"" +
         Base64(encVerifierHash) + "\" encryptedKeyValue=\"" + Base64(encKey) + "\"/></keyEncryptor></keyEncryptors></encryption>";
  out.info = {uint8_t(o.major), 0, uint8_t(o.minor), 0, 0x40, 0, 0, 0};
  out.info.insert(out.info.end(), xml.begin(), xml.end());
  return out;
}

EncryptedStreams EncryptStandard(const Bytes& plain, const std::u16string& password, uint32_t keyBits, uint16_t major,
                                 uint32_t algId) {
  const EVP_MD* sha1 = EVP_sha1();
  const Bytes salt = Random(16);
  Bytes h = Hash(sha1, salt, PasswordBytes(password));
  for (uint32_t i = 0; i < 50000; ++i) h = Hash(sha1, Le(i), h);
  h = Hash(sha1, h, Le(0));
  Bytes inner(64, 0x36), outer(64, 0x5C);
  for (size_t i = 0; i < 20; ++i) inner[i] ^= h[i], outer[i] ^= h[i];
  const Bytes expanded = Join(Hash(sha1, inner), Hash(sha1, outer));
  const Bytes key(expanded.begin(), expanded.begin() + keyBits / 8);
  const std::string name = "AES-" + std::to_string(keyBits) + "-ECB";

  const Bytes verifier = Random(16);
  EncryptedStreams out;
  out.info = {uint8_t(major), 0, 2, 0, 0x24, 0, 0, 0};
  Bytes header;  // eight fields and the provider name, here "AES" and its terminator in UTF-16
  for (uint32_t v : {0x24u, 0u, algId, 0x8004u, keyBits, 0x18u, 0u, 0u}) header = Join(header, Le(v));
  header = Join(header, PasswordBytes(std::u16string(u"AES") + u'\0'));
  for (const Bytes& part : {Le(header.size()), header, Le(16), salt, Encrypt(name.c_str(), key, {}, verifier), Le(20),
                            Encrypt(name.c_str(), key, {}, Fit(Hash(sha1, verifier), 32, 0))})
    out.info = Join(out.info, part);
  out.package = Join(Le(plain.size(), 8), Encrypt(name.c_str(), key, {}, PadToBlock(plain, 16)));
  return out;
}

std::vector<uint8_t> EncryptedCompoundFile(const EncryptedStreams& s) {
  return BuildCompoundFile({{u"EncryptionInfo", s.info}, {u"EncryptedPackage", s.package}},
                           s.package.size() > (6u << 20) ? 12 : 9);
}

}  // namespace xlxtest
