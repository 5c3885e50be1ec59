#include "tests/support/cfbwriter.h"

#include <cstring>
#include <stdexcept>

namespace xlxtest {
namespace {

constexpr uint32_t kEnd = 0xFFFFFFFEu, kFree = 0xFFFFFFFFu, kFatMark = 0xFFFFFFFDu;

void PutLe16(std::vector<uint8_t>& b, uint64_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

uint32_t Sectors(uint64_t bytes, uint32_t size) { return static_cast<uint32_t>((bytes + size - 1) / size); }

// Appends a chain of `count` sectors to the allocation table; returns its first sector.
uint32_t Allocate(std::vector<uint32_t>& table, uint32_t count, uint32_t mark = 0) {
  const uint32_t first = static_cast<uint32_t>(table.size());
  for (uint32_t i = 0; i < count; ++i) table.push_back(mark ? mark : (i + 1 < count ? first + i + 1 : kEnd));
  return count ? first : kEnd;
}

void WriteEntry(std::vector<uint8_t>& dir, uint32_t index, const std::u16string& name, uint8_t type, uint32_t child,
                uint32_t right, uint32_t start, uint64_t size) {
  const uint64_t at = 128ull * index;
  for (size_t i = 0; i < name.size() && i < 31; ++i) PutLe16(dir, at + 2 * i, name[i]);
  PutLe16(dir, at + 64, static_cast<uint16_t>(2 * (name.size() + 1)));
  dir[at + 66] = type;
  dir[at + 67] = 1;  // black
  PutLe32(dir, at + 68, kFree);
  PutLe32(dir, at + 72, right);
  PutLe32(dir, at + 76, child);
  PutLe32(dir, at + 116, start);
  PutLe32(dir, at + 120, static_cast<uint32_t>(size));
  PutLe32(dir, at + 124, static_cast<uint32_t>(size >> 32));
}

}  // namespace

void PutLe32(std::vector<uint8_t>& b, uint64_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t GetLe32(const std::vector<uint8_t>& b, uint64_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

std::vector<uint8_t> BuildCompoundFile(const std::vector<CfbStream>& streams, uint32_t sectorShift, CfbLayout* layout) {
  const uint32_t size = 1u << sectorShift;
  CfbLayout l;
  l.sectorBytes = size;
  std::vector<uint32_t> fat, miniFat;
  std::vector<uint8_t> mini;
  // Data: large streams in sectors, small ones in the mini stream.
  for (const CfbStream& s : streams) {
    if (s.data.size() >= 4096) {
      l.streamStart.push_back(Allocate(fat, Sectors(s.data.size(), size)));
    } else {
      l.streamStart.push_back(s.data.empty() ? kEnd : Allocate(miniFat, Sectors(s.data.size(), 64)));
      mini.insert(mini.end(), s.data.begin(), s.data.end());
      mini.resize((mini.size() + 63) / 64 * 64, 0);
    }
  }
  const uint32_t miniStart = Allocate(fat, Sectors(mini.size(), size));
  const uint32_t miniFatStart = Allocate(fat, Sectors(miniFat.size() * 4, size));
  const uint32_t entries = static_cast<uint32_t>(streams.size()) + 1;
  l.firstDirectorySector = Allocate(fat, Sectors(entries * 128ull, size));
  // FAT sectors describe themselves too: grow until they cover the whole table.
  uint32_t fatSectors = 1;
  while (fatSectors * (size / 4) < fat.size() + fatSectors) ++fatSectors;
  if (fatSectors > 109) throw std::runtime_error("compound file too large for the header's DIFAT");
  l.firstFatSector = Allocate(fat, fatSectors, kFatMark);
  fat.resize(fatSectors * (size / 4), kFree);
  miniFat.resize(Sectors(miniFat.size() * 4, size) * (size / 4), kFree);

  const uint32_t total = static_cast<uint32_t>(l.firstFatSector + fatSectors);
  std::vector<uint8_t> out((total + 1ull) * size, 0);
  static const uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::memcpy(out.data(), kSignature, 8);
  PutLe16(out, 24, 0x3E);
  PutLe16(out, 26, sectorShift == 12 ? 4 : 3);
  PutLe16(out, 28, 0xFFFE);
  PutLe16(out, 30, static_cast<uint16_t>(sectorShift));
  PutLe16(out, 32, 6);
  PutLe32(out, 40, sectorShift == 12 ? Sectors(entries * 128ull, size) : 0);
  PutLe32(out, 44, fatSectors);
  PutLe32(out, 48, l.firstDirectorySector);
  PutLe32(out, 56, 4096);
  PutLe32(out, 60, miniFat.empty() ? kEnd : miniFatStart);
  PutLe32(out, 64, Sectors(miniFat.size() * 4, size));
  PutLe32(out, 68, kEnd);
  for (uint32_t i = 0; i < 109; ++i) PutLe32(out, 76 + 4 * i, i < fatSectors ? l.firstFatSector + i : kFree);

  for (size_t k = 0; k < streams.size(); ++k)
    if (streams[k].data.size() >= 4096)
      std::memcpy(out.data() + l.SectorOffset(l.streamStart[k]), streams[k].data.data(), streams[k].data.size());
  if (!mini.empty()) std::memcpy(out.data() + l.SectorOffset(miniStart), mini.data(), mini.size());
  for (size_t i = 0; i < miniFat.size(); ++i) PutLe32(out, l.SectorOffset(miniFatStart) + 4 * i, miniFat[i]);
  for (size_t i = 0; i < fat.size(); ++i) PutLe32(out, l.SectorOffset(l.firstFatSector) + 4 * i, fat[i]);

  std::vector<uint8_t> dir(Sectors(entries * 128ull, size) * static_cast<size_t>(size), 0);
  WriteEntry(dir, 0, u"Root Entry", 5, streams.empty() ? kFree : 1, kFree, mini.empty() ? kEnd : miniStart, mini.size());
  for (uint32_t k = 0; k < streams.size(); ++k)
    WriteEntry(dir, k + 1, streams[k].name, 2, kFree, k + 2 < entries ? k + 2 : kFree, l.streamStart[k],
               streams[k].data.size());
  for (uint32_t i = entries; i < dir.size() / 128; ++i) {
    PutLe32(dir, 128ull * i + 68, kFree), PutLe32(dir, 128ull * i + 72, kFree), PutLe32(dir, 128ull * i + 76, kFree);
  }
  std::memcpy(out.data() + l.SectorOffset(l.firstDirectorySector), dir.data(), dir.size());
  if (layout) *layout = l;
  return out;
}

}  // namespace xlxtest
