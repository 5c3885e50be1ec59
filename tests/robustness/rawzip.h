// Zip archives written byte by byte for the robustness tests: every size, count and CRC in the
// headers is whatever the test says, true or not, and entries can carry data compressed elsewhere
// (such as a decompression bomb made without ever holding its inflated bytes).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace xlxtest {

struct RawEntry {
  std::string name;
  std::string data;             // the entry's bytes as stored in the archive
  uint16_t method = 8;          // 0 stored, 8 deflated
  uint32_t crc = 0;             // CRC-32 written in the headers
  uint64_t declaredSize = 0;    // inflated size written in the headers
  bool zip64 = false;           // sizes in zip64 extra fields
};

// The archive of the entries in order. `claimedEntries` >= 0 replaces the entry count of the end
// records; counts over 65535 are written in zip64 end records.
std::vector<unsigned char> BuildRawZip(const std::vector<RawEntry>& entries, int64_t claimedEntries = -1);

// An entry holding `text` deflated, with true sizes and CRC.
RawEntry DeflatedEntry(const std::string& name, const std::string& text);

// A raw deflate stream that inflates to `mebibytes` MiB of `fill` bytes, about 1 KiB per MiB:
// one flushed MiB block repeated.
std::string RepeatedDeflate(uint32_t mebibytes, char fill);

// CRC-32 of `count` bytes of `fill`.
uint32_t CrcOfRepeated(uint64_t count, char fill);

}  // namespace xlxtest
