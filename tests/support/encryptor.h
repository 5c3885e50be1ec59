// Encrypts a package the way the spreadsheet application does, for tests and benchmarks: the
// agile method with any cipher, chaining and hash, or the standard method (AES-ECB, SHA-1), into
// a compound file with EncryptionInfo and EncryptedPackage streams. Uses OpenSSL directly.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace xlxtest {

struct AgileOptions {
  std::string cipher = "AES";               // as written in the descriptor
  std::string opensslCipher = "AES-256-CBC";  // the cipher that encrypts
  uint32_t keyBits = 256;
  uint32_t blockSize = 16;
  std::string chaining = "ChainingModeCBC";
  std::string hash = "SHA512";
  uint32_t spinCount = 100000;
  bool integrity = true;
  uint16_t major = 4, minor = 4;            // EncryptionInfo version
};

// The EncryptionInfo and EncryptedPackage streams of a package.
struct EncryptedStreams {
  std::vector<uint8_t> info;
  std::vector<uint8_t> package;
};

EncryptedStreams EncryptAgile(const std::vector<uint8_t>& plain, const std::u16string& password,
                              const AgileOptions& options = {});
// The standard method with AES (keyBits 128, 192 or 256) at EncryptionInfo version major.2.
EncryptedStreams EncryptStandard(const std::vector<uint8_t>& plain, const std::u16string& password,
                                 uint32_t keyBits = 128, uint16_t major = 3, uint32_t algId = 0x660E);

// The streams in a compound file (512-byte sectors, or 4096 for packages over 6 MB).
std::vector<uint8_t> EncryptedCompoundFile(const EncryptedStreams& streams);

}  // namespace xlxtest
