#include "package/compoundfile.h"

#include <cstring>
#include <new>

#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"
#include "common/littleendian.h"

namespace xlx {

const uint8_t kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFEu;
constexpr uint32_t kNoEntry = 0xFFFFFFFFu;
constexpr uint32_t kHeaderDifatCount = 109;
constexpr uint32_t kDirEntryBytes = 128;
constexpr uint64_t kMaxCompoundEntries = 1u << 20;  // directory entries; real files have a handful


int32_t Corrupt(const char* what) { return XLX_CORRUPT(XLX_ERR_READ, what); }

int32_t ReadAt(int64_t handle, uint64_t offset, void* buffer, size_t count) {
  if (VkSeekFile(handle, static_cast<int64_t>(offset), VK_SEEK_SET) != static_cast<int64_t>(offset))
    return Corrupt("compound file: seek failed");
  if (VkReadFile(handle, buffer, static_cast<int64_t>(count)) != static_cast<int64_t>(count))
    return Corrupt("compound file: short read");
  return XLX_OK;
}

uint32_t SectorSize(const CompoundFile& f) { return 1u << f.sectorShift; }

// Sectors that begin inside the file (the last one may be cut short).
uint64_t SectorCount(const CompoundFile& f) {
  const uint64_t size = SectorSize(f);
  return f.fileSize <= size ? 0 : (f.fileSize - size + size - 1) / size;
}

uint64_t SectorOffset(const CompoundFile& f, uint32_t sector) { return (static_cast<uint64_t>(sector) + 1) << f.sectorShift; }

// Follows `table` from `start` until the end-of-chain mark, or until `wanted` links are taken when
// wanted is not 0. Every link must index the table and stay below `bound`; a sector met twice is
// a loop.
int32_t FollowChain(const std::vector<uint32_t>& table, uint32_t start, uint64_t bound, uint64_t wanted,
                    std::vector<uint32_t>* chain) {
  chain->clear();
  const uint64_t limit = bound < table.size() ? bound : table.size();
  std::vector<bool> seen;
  uint32_t at = start;
  while (at != kEndOfChain && (wanted == 0 || chain->size() < wanted)) {
    if (at >= limit) return Corrupt("compound file: chain leaves the file");
    if (seen.empty()) seen.assign(static_cast<size_t>(limit), false);
    if (seen[at]) return Corrupt("compound file: chain loops");
    seen[at] = true;
    chain->push_back(at);
    at = table[at];
  }
  if (wanted != 0 && chain->size() < wanted) return Corrupt("compound file: chain shorter than its stream");
  return XLX_OK;
}

// Reads whole sectors of a chain into 32-bit table entries.
int32_t ReadTableSectors(const CompoundFile& f, const std::vector<uint32_t>& sectors, std::vector<uint32_t>* table) {
  const uint32_t size = SectorSize(f);
  table->assign(static_cast<size_t>(sectors.size()) * (size / 4), 0);
  std::vector<uint8_t> buffer(size);
  for (size_t i = 0; i < sectors.size(); ++i) {
    int32_t r = ReadAt(f.handle, SectorOffset(f, sectors[i]), buffer.data(), size);
    if (r != XLX_OK) return r;
    for (uint32_t k = 0; k < size / 4; ++k) (*table)[i * (size / 4) + k] = Le32(buffer.data() + 4 * k);
  }
  return XLX_OK;
}

// The FAT sectors: the header's first 109, then the DIFAT chain, each of whose sectors lists
// sectorSize / 4 - 1 more and ends with the next DIFAT sector.
int32_t CollectFatSectors(const CompoundFile& f, const uint8_t* header, std::vector<uint32_t>* fatSectors) {
  const uint32_t fatCount = Le32(header + 44);
  uint32_t difatAt = Le32(header + 68);
  const uint32_t difatCount = Le32(header + 72);
  const uint64_t sectors = SectorCount(f);
  if (fatCount == 0 || fatCount > sectors) return Corrupt("compound file: FAT sector count");
  if (difatCount > sectors) return Corrupt("compound file: DIFAT sector count");
  fatSectors->clear();
  fatSectors->reserve(fatCount);
  for (uint32_t i = 0; i < kHeaderDifatCount && fatSectors->size() < fatCount; ++i)
    fatSectors->push_back(Le32(header + 76 + 4 * i));
  const uint32_t size = SectorSize(f);
  std::vector<uint8_t> buffer(size);
  for (uint32_t d = 0; d < difatCount && fatSectors->size() < fatCount; ++d) {
    if (difatAt >= sectors) return Corrupt("compound file: DIFAT sector past the end");
    int32_t r = ReadAt(f.handle, SectorOffset(f, difatAt), buffer.data(), size);
    if (r != XLX_OK) return r;
    for (uint32_t k = 0; k + 1 < size / 4 && fatSectors->size() < fatCount; ++k)
      fatSectors->push_back(Le32(buffer.data() + 4 * k));
    difatAt = Le32(buffer.data() + size - 4);
  }
  if (fatSectors->size() < fatCount) return Corrupt("compound file: DIFAT lists fewer FAT sectors than claimed");
  for (uint32_t s : *fatSectors)
    if (s >= sectors) return Corrupt("compound file: FAT sector past the end");
  return XLX_OK;
}

void ParseEntry(const uint8_t* p, bool version3, CompoundEntry* e) {
  const uint16_t nameBytes = Le16(p + 64);
  const uint32_t units = nameBytes >= 2 && nameBytes <= 64 ? nameBytes / 2 - 1u : 0u;
  for (uint32_t i = 0; i < 32; ++i) e->name[i] = i < units ? static_cast<char16_t>(Le16(p + 2 * i)) : u'\0';
  e->name[31] = 0;
  e->type = p[66];
  e->left = Le32(p + 68);
  e->right = Le32(p + 72);
  e->child = Le32(p + 76);
  e->start = Le32(p + 116);
  // Version 3 files keep only 32 bits of size; writers leave junk in the upper half.
  e->size = version3 ? Le32(p + 120) : Le64(p + 120);
}

int32_t ReadDirectory(CompoundFile* f, uint32_t firstSector, bool version3) {
  std::vector<uint32_t> chain;
  int32_t r = FollowChain(f->fat, firstSector, SectorCount(*f), 0, &chain);
  if (r != XLX_OK) return r;
  if (chain.empty()) return Corrupt("compound file: no directory");
  const uint32_t size = SectorSize(*f);
  if (chain.size() * (size / kDirEntryBytes) > kMaxCompoundEntries) return Corrupt("compound file: directory too large");
  std::vector<uint8_t> buffer(size);
  f->entries.reserve(chain.size() * (size / kDirEntryBytes));
  for (uint32_t sector : chain) {
    r = ReadAt(f->handle, SectorOffset(*f, sector), buffer.data(), size);
    if (r != XLX_OK) return r;
    for (uint32_t k = 0; k < size / kDirEntryBytes; ++k) {
      CompoundEntry e;
      ParseEntry(buffer.data() + k * kDirEntryBytes, version3, &e);
      f->entries.push_back(e);
    }
  }
  if (f->entries[0].type != 5) return Corrupt("compound file: first directory entry is not the root");
  return XLX_OK;
}

int32_t ReadMiniTables(CompoundFile* f, const uint8_t* header) {
  const uint32_t firstMiniFat = Le32(header + 60);
  std::vector<uint32_t> chain;
  if (firstMiniFat != kEndOfChain) {
    int32_t r = FollowChain(f->fat, firstMiniFat, SectorCount(*f), 0, &chain);
    if (r == XLX_OK) r = ReadTableSectors(*f, chain, &f->miniFat);
    if (r != XLX_OK) return r;
  }
  const CompoundEntry& root = f->entries[0];
  if (root.size == 0) return XLX_OK;
  if (root.size > f->fileSize) return Corrupt("compound file: mini stream larger than the file");
  const uint64_t wanted = (root.size + SectorSize(*f) - 1) >> f->sectorShift;
  return FollowChain(f->fat, root.start, SectorCount(*f), wanted, &f->miniStreamChain);
}

int32_t OpenChecked(int64_t handle, CompoundFile* f) {
  const int64_t end = VkSeekFile(handle, 0, VK_SEEK_END);
  if (end < 512) return Corrupt("compound file: shorter than its header");
  f->handle = handle;
  f->fileSize = static_cast<uint64_t>(end);
  uint8_t header[512];
  int32_t r = ReadAt(handle, 0, header, sizeof header);
  if (r != XLX_OK) return r;
  if (std::memcmp(header, kCompoundSignature, 8) != 0) return Corrupt("compound file: signature");
  if (Le16(header + 28) != 0xFFFE) return Corrupt("compound file: byte order mark");
  const uint16_t major = Le16(header + 26);
  f->sectorShift = Le16(header + 30);
  f->miniShift = Le16(header + 32);
  f->miniCutoff = Le32(header + 56);
  if (f->sectorShift != 9 && f->sectorShift != 12) return Corrupt("compound file: sector shift");
  if (f->miniShift != 6 || f->miniCutoff != 4096) return Corrupt("compound file: mini sector layout");
  std::vector<uint32_t> fatSectors;
  r = CollectFatSectors(*f, header, &fatSectors);
  if (r == XLX_OK) r = ReadTableSectors(*f, fatSectors, &f->fat);
  if (r == XLX_OK) r = ReadDirectory(f, Le32(header + 48), major == 3);
  if (r == XLX_OK) r = ReadMiniTables(f, header);
  return r;
}

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

bool SameName(const char16_t* a, const char16_t* b) {
  size_t i = 0;
  for (; a[i] && b[i]; ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return a[i] == b[i];
}

// Reads one run of a regular stream that stays inside one sector run. Returns bytes consumed.
int32_t ReadRegular(const CompoundFile& f, const CompoundStream& s, uint64_t offset, uint8_t* out, size_t count) {
  const uint64_t size = SectorSize(f);
  while (count > 0) {
    size_t index = static_cast<size_t>(offset >> f.sectorShift);
    const uint64_t within = offset & (size - 1);
    // Merge sectors that follow each other in the file into one read.
    size_t last = index;
    uint64_t runBytes = size - within;
    while (runBytes < count && last + 1 < s.chain.size() && s.chain[last + 1] == s.chain[last] + 1) {
      ++last;
      runBytes += size;
    }
    const size_t n = runBytes < count ? static_cast<size_t>(runBytes) : count;
    int32_t r = ReadAt(f.handle, SectorOffset(f, s.chain[index]) + within, out, n);
    if (r != XLX_OK) return r;
    out += n;
    offset += n;
    count -= n;
  }
  return XLX_OK;
}

int32_t ReadMini(const CompoundFile& f, const CompoundStream& s, uint64_t offset, uint8_t* out, size_t count) {
  const uint64_t miniSize = 1u << f.miniShift;
  while (count > 0) {
    const uint64_t within = offset & (miniSize - 1);
    const uint64_t position = (static_cast<uint64_t>(s.chain[static_cast<size_t>(offset >> f.miniShift)]) << f.miniShift) + within;
    const size_t sectorIndex = static_cast<size_t>(position >> f.sectorShift);
    if (sectorIndex >= f.miniStreamChain.size()) return Corrupt("compound file: mini sector past the mini stream");
    const uint64_t left = miniSize - within;
    const size_t n = left < count ? static_cast<size_t>(left) : count;
    const uint64_t at = SectorOffset(f, f.miniStreamChain[sectorIndex]) + (position & (SectorSize(f) - 1));
    int32_t r = ReadAt(f.handle, at, out, n);
    if (r != XLX_OK) return r;
    out += n;
    offset += n;
    count -= n;
  }
  return XLX_OK;
}

}  // namespace

int32_t OpenCompoundFile(int64_t handle, CompoundFile* file) {
  if (!file) return XLX_ERR_ARGUMENT;
  *file = CompoundFile{};
  try {
    int32_t r = OpenChecked(handle, file);
    if (r != XLX_OK) *file = CompoundFile{};
    return r;
  } catch (const std::bad_alloc&) {
    *file = CompoundFile{};
    return XLX_ERR_MEMORY;
  }
}

int32_t FindCompoundStream(const CompoundFile& file, const char16_t* name) {
  if (file.entries.empty() || !name) return -1;
  // The children of a storage form a tree of siblings; walk it all with a visited mark, so a
  // directory whose links form a cycle cannot keep the walk going.
  std::vector<bool> seen(file.entries.size(), false);
  std::vector<uint32_t> pending{file.entries[0].child};
  while (!pending.empty()) {
    const uint32_t at = pending.back();
    pending.pop_back();
    if (at == kNoEntry || at >= file.entries.size() || seen[at]) continue;
    seen[at] = true;
    const CompoundEntry& e = file.entries[at];
    if (e.type == 2 && SameName(e.name, name)) return static_cast<int32_t>(at);
    pending.push_back(e.left);
    pending.push_back(e.right);
  }
  return -1;
}

int32_t OpenCompoundStream(const CompoundFile& file, int32_t index, CompoundStream* stream) {
  if (!stream) return XLX_ERR_ARGUMENT;
  *stream = CompoundStream{};
  if (index <= 0 || static_cast<size_t>(index) >= file.entries.size()) return Corrupt("compound file: no such entry");
  const CompoundEntry& e = file.entries[static_cast<size_t>(index)];
  if (e.type != 2) return Corrupt("compound file: entry is not a stream");
  if (e.size > kMaxCompoundStreamBytes || e.size > file.fileSize) return Corrupt("compound file: stream size");
  try {
    stream->size = e.size;
    stream->mini = e.size < file.miniCutoff;
    if (e.size == 0) return XLX_OK;
    int32_t r;
    if (stream->mini) {
      const uint64_t miniSectors = (static_cast<uint64_t>(file.miniStreamChain.size()) << file.sectorShift) >> file.miniShift;
      const uint64_t wanted = (e.size + (1u << file.miniShift) - 1) >> file.miniShift;
      r = FollowChain(file.miniFat, e.start, miniSectors, wanted, &stream->chain);
    } else {
      const uint64_t wanted = (e.size + SectorSize(file) - 1) >> file.sectorShift;
      r = FollowChain(file.fat, e.start, SectorCount(file), wanted, &stream->chain);
    }
    if (r != XLX_OK) *stream = CompoundStream{};
    return r;
  } catch (const std::bad_alloc&) {
    *stream = CompoundStream{};
    return XLX_ERR_MEMORY;
  }
}

int32_t ReadCompoundStream(const CompoundFile& file, const CompoundStream& stream, uint64_t offset, void* buffer,
                           size_t count) {
  if (count == 0) return XLX_OK;
  if (!buffer || offset > stream.size || count > stream.size - offset)
    return Corrupt("compound file: read past the end of a stream");
  auto* out = static_cast<uint8_t*>(buffer);
  return stream.mini ? ReadMini(file, stream, offset, out, count) : ReadRegular(file, stream, offset, out, count);
}

int32_t ReadWholeCompoundStream(const CompoundFile& file, const char16_t* name, uint64_t maxBytes,
                                std::vector<uint8_t>* data) {
  data->clear();
  const int32_t index = FindCompoundStream(file, name);
  if (index < 0) return XLX_CORRUPT(XLX_ERR_FORMAT, "compound file: stream missing");
  CompoundStream stream;
  int32_t r = OpenCompoundStream(file, index, &stream);
  if (r != XLX_OK) return r;
  if (stream.size > maxBytes) return Corrupt("compound file: stream larger than expected");
  try {
    data->resize(static_cast<size_t>(stream.size));
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
  return ReadCompoundStream(file, stream, 0, data->data(), data->size());
}

}  // namespace xlx
