// A zip archive of stored (uncompressed) entries built in memory: the pages of one answer. PNG and
// PDF bytes are compressed already, so storing them costs little and keeps answers fast.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class ZipArchive {
 public:
  // Adds an entry. False when the archive would pass the 4 GiB or 65535-entry limits of plain zip.
  bool Add(const std::string& name, const std::string& bytes);
  // The finished archive (central directory appended); the object is empty afterwards.
  std::string Finish();

 private:
  struct Entry {
    std::string name;
    uint32_t crc, size, offset;
  };
  std::string data_;
  std::vector<Entry> entries_;
};
