// From a password to the key of an encrypted package, checked against the package's verifier.
//
// Agile method: H0 = H(salt + password as UTF-16LE), spinCount rounds of H(i as uint32 LE +
// previous), then one key per purpose (verifier input, verifier hash, package key) as
// H(final + block key) cut to the key size or padded with 0x36; the password is right when the
// hash of the decrypted verifier input equals the decrypted verifier hash.
// Standard method: SHA-1 with 50000 rounds, the 0x36/0x5C key expansion, AES-ECB verifier.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "package/encryptioninfo.h"

namespace xlx {

// Default password the spreadsheet application uses for workbooks that are only protected
// against writing: tried when the user gives none.
extern const char16_t kDefaultWorkbookPassword[];

// Bytes of block keys and their purpose in the agile method.
extern const uint8_t kBlockKeyVerifierInput[8];
extern const uint8_t kBlockKeyVerifierHash[8];
extern const uint8_t kBlockKeyEncryptedKey[8];
extern const uint8_t kBlockKeyIntegrityKey[8];
extern const uint8_t kBlockKeyIntegrityValue[8];

// Cuts `bytes` to `length` or pads it with 0x36, the rule for keys and IVs of the agile method.
std::vector<uint8_t> FitKeyBytes(const uint8_t* bytes, size_t n, size_t length);

// The package key (keyData keyBits / 8 bytes) for this password. 1; -912 wrong password; -1878 a
// hash or cipher the crypto library does not offer; -9 inconsistent parameters; -1864; -1.
[[nodiscard]] int32_t DeriveAgileKey(const AgileEncryption& agile, const std::u16string& password,
                                     std::vector<uint8_t>* key);

// The AES key (keyBits / 8 bytes) for this password. Results as DeriveAgileKey.
[[nodiscard]] int32_t DeriveStandardKey(const StandardEncryption& standard, const std::u16string& password,
                                        std::vector<uint8_t>* key);

}  // namespace xlx
