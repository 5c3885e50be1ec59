// Decryption of password-protected packages: a compound file with an EncryptionInfo and an
// EncryptedPackage stream becomes the plain zip package, written to a private temporary file
// (0600, in the host's temporary folder) that the drivers then open instead of the source.
//
// One decryption runs at a time in the process. The encrypted stream is read once, a megabyte
// at a time: segments are decrypted and written as they come, and the integrity HMAC (agile
// method) is computed over the same reads; a package that fails it is deleted and reported as
// damaged (-9).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/hostrecords.h"

namespace xlx {

// Kinds of document a caller asks for; each names the extension of the temporary file.
enum RequestedKind : int32_t { kRequestWordProcessing = 0, kRequestSpreadsheet = 1, kRequestPresentation = 2 };

// Units of a temporary path, terminator included.
constexpr size_t kTempPathUnits = 260;

// Decrypts the package with one password into an open host file handle. 1; -912 wrong
// password; -1878 a method or algorithm we cannot decrypt; -9 not an encrypted package, broken
// parameters, a truncated stream or an HMAC mismatch; -7 read failure; -14 write failure;
// -1864 no crypto library; -1.
[[nodiscard]] int32_t DecryptPackage(int64_t handle, const std::u16string& password, int64_t output);

// The decryption step of the drivers. Passwords are tried in this order: the text of the
// request's password source (a pointer to the host's NUL-terminated UTF-8 text, 0 for none),
// then the default password of write-protected workbooks. On success the plain package is in a
// new temporary file whose path (kTempPathUnits units) the caller must delete.
// Results: 1; -912 a password was given and every candidate was wrong; -1876 none was given and
// the default did not open it; -1488 the password text is not valid UTF-8; -1877 the package is
// not of the requested kind; -14 the temporary file cannot be written; or DecryptPackage's codes.
// With an info dispatch, a failure other than -9 is recorded in its error field and becomes
// -1863; a package of another kind also sets its protection-kind field.
[[nodiscard]] int32_t DecryptToTempFile(int64_t handle, int32_t requestedKind, uint64_t passwordSource,
                                        _INFODISPATCH* info, char16_t* tempPath);

// Decryptions run by DecryptToTempFile in this process so far (tests check that a cached file is
// decrypted once).
uint64_t DecryptionCount();

}  // namespace xlx
