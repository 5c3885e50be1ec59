// Tells a zip package from a compound-file container by the first bytes of the file, and for a
// compound file which kind of document it holds and whether that document is encrypted.
#pragma once
#include <cstdint>

namespace xlx {

enum DocumentKind : int32_t {
  kDocWordBinary = 3,     // compound file with a WordDocument stream
  kDocPresentation = 4,   // compound file with a Current User stream
  kDocWorkbookBinary = 5, // compound file with a Workbook stream
  kDocPackage = 6,        // zip package, or an encrypted package inside a compound file
};

// Reads the start of the file through the host handle (and leaves it at the start). 1 with the
// kind and whether it is encrypted; -7 when 8 bytes cannot be read or a compound file cannot be
// opened or read; -9 for a file that is neither a package nor a compound file of a known kind.
// A compound file with EncryptionInfo and EncryptedPackage streams is an encrypted package,
// whatever the version of its EncryptionInfo: the decrypter tells the methods apart.
[[nodiscard]] int32_t SniffEncryption(int64_t handle, int32_t* kind, bool* encrypted);

}  // namespace xlx
