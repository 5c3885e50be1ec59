// Access to the parts of a zip package over a host file handle. The part list is built once when
// a workbook is opened; each read reopens the archive, so no zip state lives between calls.
// Part names are UTF-16; one leading "/" is ignored; comparison is exact and case-sensitive.
#pragma once
#include <cstddef>
#include <cstdint>
#include <pugixml.hpp>

namespace xlx {

struct PartList {
  char16_t** names = nullptr;  // entry names in central-directory order, zero-terminated UTF-16
  uint32_t* sizes = nullptr;   // uncompressed size of each entry (low 32 bits)
  int32_t count = 0;           // number of entries
  uint64_t* offsets = nullptr;  // where each entry's directory record starts: reads go straight there
  int32_t* slots = nullptr;     // hash index of the names: entry index + 1, 0 for an empty slot
  uint32_t slotCount = 0;       // a power of two, at least twice count
  // Bytes inflated so far through this list: every read is charged its entry's size, and a read
  // that would take the total past kMaxPackageBytes is refused, so one parse inflates at most that
  // much however often its parts are read. Updated atomically by const reads; a holder that
  // starts a new parse on the same list may set it back to 0.
  mutable uint64_t inflatedBytes = 0;
  // Markup nodes of the parts read into document trees through this list (kMaxTreeWorkbookNodes),
  // charged the same way.
  mutable uint64_t treeNodes = 0;
};

// Lists the entries of the package. When `nameToFind` is given, `found` tells whether an entry of
// exactly that name exists. 1; -1 memory; -9 not a zip, no entries, too many entries, an
// encrypted entry or a directory error.
[[nodiscard]] int32_t BuildPartList(int64_t handle, PartList* list, const char16_t* nameToFind, bool* found);
// 1 when the part is in the list, else 0.
[[nodiscard]] int32_t HasPart(const PartList* list, const char16_t* name);
// Reads a part whole into a host-allocated buffer followed by one zero byte (free with VK_FREE).
// At most the declared size is inflated, whatever the data holds. Bytes read (> 0); 0 when the
// entry is listed but not met in the archive; -1 memory; -9 absent part, empty entry, a declared
// size larger than its compressed data can inflate to, data or CRC error; -1879 a declared size
// over kMaxPartBytes or the package budget (kMaxPackageBytes) spent: a limit, not damage.
int64_t ReadPart(int64_t handle, const char16_t* name, uint8_t** buffer, uint64_t* size, const PartList* list);
// Reads and parses an XML part from its UTF-8 bytes. 1; 0 nothing to read (document left as it
// was); -1; -9 (as ReadPart, or elements nested deeper than kMaxXmlDepth: the document is left
// empty); -14 (no file handle); -1879 a part past the tree limits (see ReadXmlPartBytes). A malformed part leaves what the XML library built.
[[nodiscard]] int32_t LoadXmlPart(int64_t handle, const PartList* list, const char16_t* name, pugi::xml_document* document);
// The two halves of LoadXmlPart, for readers that look at the bytes before they parse them.
// ReadXmlPartBytes: the part's bytes (followed by one zero byte) in the XML library's memory, to
// be given to ParseXmlPartBytes or FreeXmlPartBytes; returns the size as ReadPart does, 0 for a
// part with nothing to read, -1879 for a part over kMaxTreePartBytes or kMaxTreePartNodes, or one
// whose nodes would take the parse past kMaxTreeWorkbookNodes. ParseXmlPartBytes takes the bytes over and returns 1 or -9 (nesting).
int64_t ReadXmlPartBytes(int64_t handle, const PartList* list, const char16_t* name, uint8_t** data);
[[nodiscard]] int32_t ParseXmlPartBytes(uint8_t* data, size_t size, pugi::xml_document* document);
void FreeXmlPartBytes(uint8_t* data);
// Markup nodes of XML bytes: one per '<' (an element, a comment, a declaration) and one per '='
// (an attribute), an upper bound of what a tree of them holds; counting stops past `limit`.
uint64_t CountMarkupNodes(const uint8_t* data, size_t size, uint64_t limit);
// The parse options every part is read with.
constexpr unsigned kXmlParseOptions = pugi::parse_default | pugi::parse_ws_pcdata_single;
// -9 (and the document emptied) when its elements, placed `enclosingDepth` levels down, nest
// deeper than kMaxXmlDepth; 1 otherwise.
[[nodiscard]] int32_t CheckXmlDepth(pugi::xml_document* document, uint32_t enclosingDepth);
void FreePartList(PartList* list);

// A part read in pieces as it inflates, for readers that never hold it whole. The part-size limit
// does not apply (the reader bounds its own work); every byte read is charged to the package
// budget (kMaxPackageBytes) as it comes.
class PartStream {
 public:
  PartStream() = default;
  ~PartStream();  // closes the part
  PartStream(const PartStream&) = delete;
  PartStream& operator=(const PartStream&) = delete;
  // Opens the part. 1; -1 memory; -9 absent part, empty entry, or a zip error; -14 no handle.
  [[nodiscard]] int32_t Open(int64_t handle, const PartList* list, const char16_t* name);
  // Inflates up to `capacity` bytes into `buffer`: the count (> 0); 0 at the end of the part, whose
  // CRC is then checked; -9 data or CRC error; -1879 the package budget spent.
  int64_t Read(uint8_t* buffer, size_t capacity);
  // The entry's uncompressed size as listed (UINT32_MAX when above kMaxPartBytes).
  uint64_t ListedSize() const { return listedSize_; }

 private:
  void Close();
  void* stream_ = nullptr;  // the handle's stream for the zip library
  void* zip_ = nullptr;
  const PartList* list_ = nullptr;
  uint64_t listedSize_ = 0;
  bool ended_ = false;
};

}  // namespace xlx
