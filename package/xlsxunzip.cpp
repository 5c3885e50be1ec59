// Zip package access over a host file handle through minizip's I/O callbacks.
#include "package/xlsxunzip.h"

#include <minizip/unzip.h>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "common/apiutils.h"
#include "common/limits.h"
#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"

namespace xlx {
namespace {

// Bytes of the file kept in memory between the zip library's reads.
constexpr size_t kReadWindowBytes = 64 << 10;

// The "file name" minizip passes to the open callback is this record; nothing is opened. Reads go
// through a window of the file: the zip library reads its headers a byte at a time, and a host
// read per byte would make a large directory take minutes.
struct HandleStream {
  explicit HandleStream(int64_t h) : handle(h) {}
  int64_t handle;
  uint64_t position = 0;     // where the zip library reads next
  uint64_t windowStart = 0;  // file offset of window[0]
  size_t windowLength = 0;   // bytes of the window that hold file data
  uint8_t window[kReadWindowBytes];
};

voidpf ZipOpen(voidpf, const void* filename, int) { return const_cast<void*>(filename); }

// Fills the window from the current position; false at the end of the file or on an error.
bool FillWindow(HandleStream* s) {
  s->windowLength = 0;
  if (s->position > static_cast<uint64_t>(INT64_MAX) ||
      VkSeekFile(s->handle, static_cast<int64_t>(s->position), VK_SEEK_SET) < 0)
    return false;
  int64_t n = VkReadFile(s->handle, s->window, static_cast<int64_t>(sizeof s->window));
  if (n <= 0) return false;
  s->windowStart = s->position;
  s->windowLength = static_cast<size_t>(n);
  return true;
}

uLong ZipRead(voidpf, voidpf stream, void* buf, uLong size) {
  auto* s = static_cast<HandleStream*>(stream);
  auto* out = static_cast<uint8_t*>(buf);
  uLong done = 0;
  while (done < size) {
    if (s->position >= s->windowStart && s->position - s->windowStart < s->windowLength) {
      size_t offset = static_cast<size_t>(s->position - s->windowStart);
      size_t n = s->windowLength - offset < size - done ? s->windowLength - offset : static_cast<size_t>(size - done);
      std::memcpy(out + done, s->window + offset, n);
      done += n;
      s->position += n;
    } else if (size - done >= sizeof s->window) {
      // A large read goes straight into the caller's buffer.
      if (s->position > static_cast<uint64_t>(INT64_MAX) ||
          VkSeekFile(s->handle, static_cast<int64_t>(s->position), VK_SEEK_SET) < 0)
        break;
      int64_t n = VkReadFile(s->handle, out + done, static_cast<int64_t>(size - done));
      if (n > 0) done += static_cast<uLong>(n), s->position += static_cast<uint64_t>(n);
      break;
    } else if (!FillWindow(s)) {
      break;
    }
  }
  return done;
}

uLong ZipWrite(voidpf, voidpf stream, const void* buf, uLong size) {
  auto* s = static_cast<HandleStream*>(stream);
  s->windowLength = 0;
  if (s->position > static_cast<uint64_t>(INT64_MAX) ||
      VkSeekFile(s->handle, static_cast<int64_t>(s->position), VK_SEEK_SET) < 0)
    return 0;
  int64_t n = VkWriteFile(s->handle, buf, static_cast<int64_t>(size));
  if (n > 0) s->position += static_cast<uint64_t>(n);
  return n < 0 ? 0 : static_cast<uLong>(n);
}

ZPOS64_T ZipTell(voidpf, voidpf stream) { return static_cast<HandleStream*>(stream)->position; }

// Start and current-position seeks only move the read position; a seek from the end asks the host
// where the end is.
long ZipSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto* s = static_cast<HandleStream*>(stream);
  if (offset > static_cast<ZPOS64_T>(INT64_MAX)) return -1;
  switch (origin) {
    case 0:
      s->position = offset;
      return 0;
    case 1:
      if (offset > static_cast<ZPOS64_T>(INT64_MAX) - s->position) return -1;
      s->position += offset;
      return 0;
    case 2: {
      int64_t r = VkSeekFile(s->handle, static_cast<int64_t>(offset), VK_SEEK_END);
      if (r < 0) return -1;
      s->position = static_cast<uint64_t>(r);
      return 0;
    }
    default:
      return -1;
  }
}

int ZipClose(voidpf, voidpf) { return 0; }
int ZipError(voidpf, voidpf) { return 0; }

unzFile OpenArchive(HandleStream* stream) {
  zlib_filefunc64_def io;
  std::memset(&io, 0, sizeof io);
  io.zopen64_file = ZipOpen;
  io.zread_file = ZipRead;
  io.zwrite_file = ZipWrite;
  io.ztell64_file = ZipTell;
  io.zseek64_file = ZipSeek;
  io.zclose_file = ZipClose;
  io.zerror_file = ZipError;
  if (VkSeekFile(stream->handle, 0, VK_SEEK_SET) < 0) return nullptr;
  stream->position = 0;
  stream->windowLength = 0;
  return unzOpen2_64(stream, &io);
}

// Names are compared without one leading "/".
const char16_t* SkipOneSlash(const char16_t* name) { return name && name[0] == u'/' ? name + 1 : name; }

bool SameName(const char16_t* a, const char16_t* b) {
  size_t i = 0;
  for (; a[i] && b[i]; ++i)
    if (a[i] != b[i]) return false;
  return a[i] == b[i];
}

uint32_t HashName(const char16_t* name) {
  uint32_t h = 2166136261u;
  for (; *name; ++name) h = (h ^ static_cast<uint32_t>(*name)) * 16777619u;
  return h;
}

// Index of the first entry of that name, or -1. Lookups go through the list's hash index (linear
// probing keeps the first of two equal names first on the probe path); a list without one is
// scanned.
int32_t IndexOfPart(const PartList* list, const char16_t* name) {
  if (!list || !name) return -1;
  name = SkipOneSlash(name);
  if (!list->slots) {
    for (int32_t i = 0; i < list->count; ++i)
      if (list->names[i] && SameName(list->names[i], name)) return i;
    return -1;
  }
  const uint32_t mask = list->slotCount - 1;
  for (uint32_t slot = HashName(name) & mask; list->slots[slot]; slot = (slot + 1) & mask) {
    int32_t i = list->slots[slot] - 1;
    if (SameName(list->names[i], name)) return i;
  }
  return -1;
}

// Builds the hash index of the listed names: at least twice as many slots as entries. 1 or -1.
int32_t IndexNames(PartList* list) {
  uint32_t slots = 16;
  while (slots < 2u * static_cast<uint32_t>(list->count)) slots <<= 1;
  list->slots = static_cast<int32_t*>(VK_ALLOC(slots, sizeof(int32_t)));
  if (!list->slots) return XLX_ERR_MEMORY;
  list->slotCount = slots;
  for (int32_t i = 0; i < list->count; ++i) {
    uint32_t slot = HashName(list->names[i]) & (slots - 1);
    while (list->slots[slot]) slot = (slot + 1) & (slots - 1);
    list->slots[slot] = i + 1;
  }
  return XLX_OK;
}

char16_t* CopyToHost(const std::u16string& text) {
  auto* out = static_cast<char16_t*>(VK_ALLOC(text.size() + 1, sizeof(char16_t)));
  if (out) std::memcpy(out, text.data(), text.size() * sizeof(char16_t));
  return out;
}

// Entry sizes over the part limit are recorded as UINT32_MAX, which no read accepts.
uint32_t RecordedSize(ZPOS64_T size) { return size > kMaxPartBytes ? UINT32_MAX : static_cast<uint32_t>(size); }

// Positions the archive on the entry at `index` of the part list straight from its directory
// record, so that a read costs the same in a package of a million entries as in one of ten.
// 1, or -9 when the record does not read.
int32_t SeekToEntry(unzFile zip, const PartList* list, int32_t index) {
  unz64_file_pos where;
  where.pos_in_zip_directory = list->offsets[index];
  where.num_of_file = static_cast<ZPOS64_T>(index);
  if (unzGoToFilePos64(zip, &where) != UNZ_OK) return XLX_CORRUPT(XLX_ERR_FORMAT, "zip directory entry");
  return XLX_OK;
}

// Deflate turns at most this many bytes out of one input byte (258-byte matches coded in under two
// bits); a larger declared size is a lie that would size a buffer no data can fill.
constexpr uint64_t kMaxDeflateRatio = 1032;
constexpr uint64_t kDeflateSlackBytes = 1024;

// Whether the current entry's data can inflate to `declared` bytes: a stored entry holds its bytes
// as they are, a deflated one at most kMaxDeflateRatio times its compressed size. Other methods
// are left to the open, which refuses them.
bool DeclaredSizeFitsData(unzFile zip, uint64_t declared) {
  unz_file_info64 info;
  if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
  if (info.compression_method == 0) return declared <= info.compressed_size;
  if (info.compression_method == Z_DEFLATED)
    return info.compressed_size >= (UINT64_MAX - kDeflateSlackBytes) / kMaxDeflateRatio ||
           declared <= info.compressed_size * kMaxDeflateRatio + kDeflateSlackBytes;
  return true;
}

// Charges `size` inflated bytes to the list's budget; false (nothing charged) when it is spent.
bool ChargeBudget(const PartList* list, uint64_t size) {
  uint64_t total = __atomic_add_fetch(&list->inflatedBytes, size, __ATOMIC_RELAXED);
  if (total <= kMaxPackageBytes && total >= size) return true;
  __atomic_sub_fetch(&list->inflatedBytes, size, __ATOMIC_RELAXED);
  return false;
}

// Reads the current entry (0 < size <= kMaxPartBytes) whole into memory from `allocate`; the data
// is followed by zero bytes up to size + 1. The zip library stops at the declared size, so a
// stream holding more inflates no further than the buffer.
template <typename Allocate, typename Release>
int64_t ReadCurrentEntry(unzFile zip, uint64_t size, uint8_t** buffer, Allocate allocate, Release release) {
  auto* data = static_cast<uint8_t*>(allocate(static_cast<size_t>(size) + 1));
  if (!data) return XLX_ERR_MEMORY;
  if (unzOpenCurrentFilePassword(zip, nullptr) != UNZ_OK) {
    release(data);
    return XLX_CORRUPT(XLX_ERR_FORMAT, "zip entry open");
  }
  uint64_t total = 0;
  bool failed = false;
  while (total < size) {
    uint64_t chunk = size - total < (1u << 30) ? size - total : (1u << 30);
    int n = unzReadCurrentFile(zip, data + total, static_cast<unsigned>(chunk));
    if (n < 0) {
      failed = true;
      break;
    }
    if (n == 0) break;
    total += static_cast<uint64_t>(n);
  }
  int closed = unzCloseCurrentFile(zip);
  if (failed || total == 0 || closed != UNZ_OK) {
    release(data);
    return XLX_CORRUPT(XLX_ERR_FORMAT, "zip entry data or CRC");
  }
  // Only the part not written is cleared: touching a large buffer twice costs more than the read.
  std::memset(data + total, 0, static_cast<size_t>(size - total) + 1);
  *buffer = data;
  return static_cast<int64_t>(total);
}

template <typename Allocate, typename Release>
int64_t ReadPartWith(int64_t handle, const char16_t* name, uint8_t** buffer, uint64_t* size, const PartList* list,
                     Allocate allocate, Release release) {
  if (buffer) *buffer = nullptr;
  if (size) *size = 0;
  if (!buffer) return XLX_ERR_ARGUMENT;
  int32_t index = IndexOfPart(list, name);
  if (index < 0) return XLX_ERR_FORMAT;
  std::unique_ptr<HandleStream> stream(new (std::nothrow) HandleStream(handle));
  if (!stream) return XLX_ERR_MEMORY;
  unzFile zip = OpenArchive(stream.get());
  if (!zip) return XLX_CORRUPT(XLX_ERR_FORMAT, "zip open");
  int64_t result = SeekToEntry(zip, list, index);
  if (result == XLX_OK) {
    uint64_t entrySize = list->sizes[index];
    if (size) *size = entrySize;
    if (entrySize == 0)
      result = XLX_CORRUPT(XLX_ERR_FORMAT, "zip entry size");
    else if (entrySize > kMaxPartBytes)
      result = XLX_CORRUPT(XLX_ERR_LIMIT, "zip entry size over the part limit");
    else if (!DeclaredSizeFitsData(zip, entrySize))
      result = XLX_CORRUPT(XLX_ERR_FORMAT, "zip entry size beyond its data");
    else if (!ChargeBudget(list, entrySize))
      result = XLX_CORRUPT(XLX_ERR_LIMIT, "package inflated-size budget");
    else
      result = ReadCurrentEntry(zip, entrySize, buffer, allocate, release);
  }
  unzClose(zip);
  return result;
}

// Depth of the deepest node of `document` (a root element alone is 1), counted without recursion;
// stops early once past `limit`. The parser builds any depth, but readers that walk the tree
// recursively need it bounded.
uint32_t NestingDepth(const pugi::xml_document& document, uint32_t limit) {
  pugi::xml_node node = document.first_child();
  uint32_t depth = 1, deepest = node ? 1 : 0;
  while (node && deepest <= limit) {
    if (node.first_child()) {
      node = node.first_child();
      if (++depth > deepest) deepest = depth;
      continue;
    }
    while (!node.next_sibling()) {
      if (depth == 1) return deepest;
      node = node.parent();
      --depth;
    }
    node = node.next_sibling();
  }
  return deepest;
}

// Charges a part's markup to the list's tree budget; -1879 (nothing charged) past a limit.
int32_t ChargeTreeNodes(const PartList* list, const uint8_t* data, size_t size) {
  if (size > kMaxTreePartBytes) return XLX_CORRUPT(XLX_ERR_LIMIT, "XML part bytes for a tree");
  const uint64_t nodes = CountMarkupNodes(data, size, kMaxTreePartNodes);
  if (nodes > kMaxTreePartNodes) return XLX_CORRUPT(XLX_ERR_LIMIT, "XML part nodes");
  if (!list) return XLX_OK;
  const uint64_t total = __atomic_add_fetch(&list->treeNodes, nodes, __ATOMIC_RELAXED);
  if (total <= kMaxTreeWorkbookNodes) return XLX_OK;
  __atomic_sub_fetch(&list->treeNodes, nodes, __ATOMIC_RELAXED);
  return XLX_CORRUPT(XLX_ERR_LIMIT, "XML nodes of the workbook's trees");
}

}  // namespace

int32_t BuildPartList(int64_t handle, PartList* list, const char16_t* nameToFind, bool* found) {
  if (found) *found = false;
  if (!list) return XLX_ERR_ARGUMENT;
  *list = PartList{};
  std::unique_ptr<HandleStream> stream(new (std::nothrow) HandleStream(handle));
  if (!stream) return XLX_ERR_MEMORY;
  unzFile zip = OpenArchive(stream.get());
  if (!zip) return XLX_CORRUPT(XLX_ERR_FORMAT, "not a zip archive");
  unz_global_info64 global;
  if (unzGetGlobalInfo64(zip, &global) != UNZ_OK || global.number_entry == 0 || global.number_entry > kMaxZipEntries) {
    unzClose(zip);
    return XLX_CORRUPT(XLX_ERR_FORMAT, "zip entry count");
  }
  int32_t declared = static_cast<int32_t>(global.number_entry);
  list->names = static_cast<char16_t**>(VK_ALLOC(declared, sizeof(char16_t*)));
  list->sizes = static_cast<uint32_t*>(VK_ALLOC(declared, sizeof(uint32_t)));
  list->offsets = static_cast<uint64_t*>(VK_ALLOC(declared, sizeof(uint64_t)));
  if (!list->names || !list->sizes || !list->offsets) {
    unzClose(zip);
    FreePartList(list);
    return XLX_ERR_MEMORY;
  }
  const char16_t* wanted = SkipOneSlash(nameToFind);
  int32_t result = XLX_OK;
  int r = unzGoToFirstFile(zip);
  for (int32_t i = 0; i < declared; ++i) {
    unz_file_info64 info;
    // The zip library fills the whole buffer with a long name and then adds no terminator, so the
    // last byte is kept out of its reach.
    char rawName[kMaxZipNameBytes + 1] = {0};
    if (r != UNZ_OK || unzGetCurrentFileInfo64(zip, &info, rawName, kMaxZipNameBytes, nullptr, 0, nullptr, 0) != UNZ_OK) {
      result = XLX_CORRUPT(XLX_ERR_FORMAT, "zip entry header");
      break;
    }
    if (info.flag & 1) {
      result = XLX_CORRUPT(XLX_ERR_FORMAT, "encrypted zip entry");
      break;
    }
    std::u16string converted = Utf8ToUtf16(rawName);
    // Packages zipped on Windows may separate folders with backslashes.
    for (char16_t& unit : converted)
      if (unit == u'\\') unit = u'/';
    list->names[i] = CopyToHost(converted);
    if (!list->names[i]) {
      result = XLX_ERR_MEMORY;
      break;
    }
    list->sizes[i] = RecordedSize(info.uncompressed_size);
    unz64_file_pos where;
    if (unzGetFilePos64(zip, &where) != UNZ_OK) {
      result = XLX_CORRUPT(XLX_ERR_FORMAT, "zip entry position");
      break;
    }
    list->offsets[i] = where.pos_in_zip_directory;
    list->count = i + 1;
    if (wanted && found && !*found && SameName(list->names[i], wanted)) *found = true;
    if (i + 1 < declared) r = unzGoToNextFile(zip);
  }
  unzClose(zip);
  if (result == XLX_OK) result = IndexNames(list);
  if (result != XLX_OK) {
    FreePartList(list);
    if (found) *found = false;
  }
  return result;
}

int32_t HasPart(const PartList* list, const char16_t* name) { return IndexOfPart(list, name) >= 0 ? 1 : 0; }

int64_t ReadPart(int64_t handle, const char16_t* name, uint8_t** buffer, uint64_t* size, const PartList* list) {
  return ReadPartWith(
      handle, name, buffer, size, list, [](size_t n) { return VK_ALLOC(n, 1); }, [](void* p) { VK_FREE(p); });
}

int64_t ReadXmlPartBytes(int64_t handle, const PartList* list, const char16_t* name, uint8_t** data) {
  if (!data) return XLX_ERR_ARGUMENT;
  *data = nullptr;
  if (handle == -1) return XLX_ERR_REOPEN;
  // Read straight into pugixml's own memory so the DOM can be built in place, without a copy.
  auto allocate = [](size_t n) { return pugi::get_memory_allocation_function()(n); };
  auto release = [](void* p) { pugi::get_memory_deallocation_function()(p); };
  uint64_t size = 0;
  int64_t n = ReadPartWith(handle, name, data, &size, list, allocate, release);
  if (n <= 0) return n;
  // A part that starts with a zero byte has nothing to read, unless it is UTF-16 big-endian text
  // written without a byte-order mark ("\0<"), which the XML library recognises by itself.
  if ((*data)[0] == 0 && !(n >= 2 && (*data)[1] == '<')) {
    release(*data);
    *data = nullptr;
    return 0;
  }
  const int32_t charged = ChargeTreeNodes(list, *data, static_cast<size_t>(n));
  if (charged != XLX_OK) {
    release(*data);
    *data = nullptr;
    return charged;
  }
  return n;
}

uint64_t CountMarkupNodes(const uint8_t* data, size_t size, uint64_t limit) {
  uint64_t nodes = 0;
  for (size_t i = 0; i < size && nodes <= limit; ++i) nodes += data[i] == '<' || data[i] == '=';
  return nodes;
}

void FreeXmlPartBytes(uint8_t* data) {
  if (data) pugi::get_memory_deallocation_function()(data);
}

int32_t ParseXmlPartBytes(uint8_t* data, size_t size, pugi::xml_document* document) {
  if (!document) {
    FreeXmlPartBytes(data);
    return XLX_ERR_ARGUMENT;
  }
  document->load_buffer_inplace_own(data, size, kXmlParseOptions, pugi::encoding_auto);
  return CheckXmlDepth(document, 0);
}

int32_t CheckXmlDepth(pugi::xml_document* document, uint32_t enclosingDepth) {
  if (enclosingDepth > kMaxXmlDepth || NestingDepth(*document, kMaxXmlDepth) > kMaxXmlDepth - enclosingDepth) {
    document->reset();
    return XLX_CORRUPT(XLX_ERR_FORMAT, "XML nesting depth");
  }
  return XLX_OK;
}

int32_t LoadXmlPart(int64_t handle, const PartList* list, const char16_t* name, pugi::xml_document* document) {
  if (handle == -1) return XLX_ERR_REOPEN;
  if (!document) return XLX_ERR_ARGUMENT;
  uint8_t* data = nullptr;
  int64_t n = ReadXmlPartBytes(handle, list, name, &data);
  if (n <= 0) return static_cast<int32_t>(n);
  return ParseXmlPartBytes(data, static_cast<size_t>(n), document);
}

void FreePartList(PartList* list) {
  if (!list) return;
  if (list->names) {
    for (int32_t i = 0; i < list->count; ++i) VK_FREE(list->names[i]);
    VK_FREE(list->names);
  }
  VK_FREE(list->sizes);
  VK_FREE(list->offsets);
  VK_FREE(list->slots);
  *list = PartList{};
}

PartStream::~PartStream() { Close(); }

void PartStream::Close() {
  if (zip_) {
    if (!ended_) unzCloseCurrentFile(static_cast<unzFile>(zip_));
    unzClose(static_cast<unzFile>(zip_));
  }
  delete static_cast<HandleStream*>(stream_);
  zip_ = nullptr;
  stream_ = nullptr;
}

int32_t PartStream::Open(int64_t handle, const PartList* list, const char16_t* name) {
  Close();
  ended_ = false;
  if (handle == -1) return XLX_ERR_REOPEN;
  const int32_t index = IndexOfPart(list, name);
  if (index < 0) return XLX_ERR_FORMAT;
  auto* stream = new (std::nothrow) HandleStream(handle);
  if (!stream) return XLX_ERR_MEMORY;
  stream_ = stream;
  unzFile zip = OpenArchive(stream);
  if (!zip) return XLX_CORRUPT(XLX_ERR_FORMAT, "zip open");
  if (SeekToEntry(zip, list, index) != 1 || unzOpenCurrentFilePassword(zip, nullptr) != UNZ_OK) {
    unzClose(zip);
    return XLX_CORRUPT(XLX_ERR_FORMAT, "zip entry open");
  }
  zip_ = zip;
  list_ = list;
  listedSize_ = list->sizes[index];
  return listedSize_ == 0 ? XLX_CORRUPT(XLX_ERR_FORMAT, "zip entry size") : XLX_OK;
}

int64_t PartStream::Read(uint8_t* buffer, size_t capacity) {
  if (!zip_ || !buffer || capacity == 0) return XLX_ERR_FORMAT;
  if (ended_) return 0;
  const unsigned ask = capacity < (1u << 30) ? static_cast<unsigned>(capacity) : (1u << 30);
  const int n = unzReadCurrentFile(static_cast<unzFile>(zip_), buffer, ask);
  if (n < 0) return XLX_CORRUPT(XLX_ERR_FORMAT, "zip entry data");
  if (n == 0) {
    ended_ = true;
    return unzCloseCurrentFile(static_cast<unzFile>(zip_)) == UNZ_OK ? 0 : XLX_CORRUPT(XLX_ERR_FORMAT, "zip entry CRC");
  }
  if (!ChargeBudget(list_, static_cast<uint64_t>(n))) return XLX_CORRUPT(XLX_ERR_LIMIT, "package inflated-size budget");
  return n;
}

}  // namespace xlx
