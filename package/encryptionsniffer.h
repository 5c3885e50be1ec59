// Tells a zip package from a compound-file container by the first bytes of the file.
#pragma once
#include <cstdint>

namespace xlx {

enum DocumentKind : int32_t {
  kDocWordBinary = 3,     // compound file with a WordDocument stream
  kDocPresentation = 4,   // compound file with a Current User stream
  kDocWorkbookBinary = 5, // compound file with a Workbook stream
  kDocPackage = 6,        // zip package, or an encrypted package inside a compound file
};

// Reads the start of the file through the host handle. 1 with the kind and whether it is
// encrypted; -7 when 8 bytes cannot be read; -9 for anything that is not a package. Compound
// files are refused with -9 until the compound-file reader exists.
int32_t SniffEncryption(int64_t handle, int32_t* kind, bool* encrypted);

}  // namespace xlx
