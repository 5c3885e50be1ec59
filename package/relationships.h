// Relationship parts (_rels/*.rels): reading them into resolved records, and the two lookups by
// which loaders walk from the package root to the workbook, its sheets and their parts.
#pragma once
#include <cstdint>
#include <string>
#include "package/xlsxunzip.h"

namespace xlx {

struct Relationship {
  char16_t* id = nullptr;          // Id as written
  char16_t* typeName = nullptr;    // last segment of the Type URI (officeDocument, worksheet, ...)
  char16_t* targetDir = nullptr;   // folder of the target part, no trailing "/"
  char16_t* targetName = nullptr;  // file name of the target part
  char16_t* targetPath = nullptr;  // full path of the target part
  char16_t* targetMode = nullptr;  // TargetMode attribute ("External" for links outside the package)
};

struct PackageSource {
  int64_t handle = -1;             // host file handle of the package
  const PartList* parts = nullptr;
};

// Reads the relationships of the part `sourceName` in folder `sourceDir` (both may be empty or
// null for the package root). A part without relationships gives 1 and no records.
// 1; -1 memory; -13 null output; a LoadXmlPart error.
[[nodiscard]] int32_t ReadRelationships(const PackageSource& source, const char16_t* sourceDir, const char16_t* sourceName,
                          Relationship** records, int32_t* count);
// Resolves one Target against the source folder into the record's targetDir/Name/Path.
// 1 or -1. Exposed for tests.
[[nodiscard]] int32_t ResolveRelationshipTarget(const char16_t* sourceDir, const char16_t* target, Relationship* record);
// First record whose field equals the text, compared case-insensitively; null when none.
const Relationship* FindRelationshipByType(const Relationship* records, int32_t count, const char16_t* typeName);
const Relationship* FindRelationshipById(const Relationship* records, int32_t count, const char16_t* id);
void FreeRelationships(Relationship* records, int32_t count);

// The workbook part located from the package relationships.
struct WorkbookLocation {
  std::u16string dir, name, path;
  bool isBinary = false;           // the workbook part is a .bin part
};
// Walks _rels/.rels to the officeDocument part. 1; -9 none; -1; a reader error.
[[nodiscard]] int32_t LocateWorkbookPart(const PackageSource& source, WorkbookLocation* location);

}  // namespace xlx
