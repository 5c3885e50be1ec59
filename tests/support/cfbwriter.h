// Writes small compound files for tests: root streams only, large ones in regular sectors and
// those under 4096 bytes in the mini stream, every FAT sector listed in the header (so up to
// 109 FAT sectors: about 7 MB with 512-byte sectors, 450 MB with 4096-byte ones).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace xlxtest {

struct CfbStream {
  std::u16string name;
  std::vector<uint8_t> data;
};

// Where the writer put things, so tests can break them on purpose.
struct CfbLayout {
  uint32_t sectorBytes = 512;
  uint32_t firstFatSector = 0;        // FAT sectors are consecutive from here
  uint32_t firstDirectorySector = 0;  // directory sectors are consecutive from here
  std::vector<uint32_t> streamStart;  // first sector (or mini sector) of each stream, in order
  uint64_t SectorOffset(uint32_t sector) const { return (static_cast<uint64_t>(sector) + 1) * sectorBytes; }
  // Byte offset of directory entry i (0 is the root, stream k is entry k + 1).
  uint64_t EntryOffset(uint32_t i) const { return SectorOffset(firstDirectorySector) + 128ull * i; }
  uint64_t FatEntryOffset(uint32_t sector) const { return SectorOffset(firstFatSector) + 4ull * sector; }
};

// sectorShift 9 (version 3) or 12 (version 4).
std::vector<uint8_t> BuildCompoundFile(const std::vector<CfbStream>& streams, uint32_t sectorShift = 9,
                                       CfbLayout* layout = nullptr);

void PutLe32(std::vector<uint8_t>& bytes, uint64_t offset, uint32_t value);
uint32_t GetLe32(const std::vector<uint8_t>& bytes, uint64_t offset);

}  // namespace xlxtest
