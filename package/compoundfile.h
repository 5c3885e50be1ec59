// A read-only reader of compound files (the sector-based container of password-protected
// packages) over a host file handle: header, sector allocation tables (FAT, DIFAT chain, mini
// FAT), the directory, and streams read by position.
//
// Every value read from the file is checked before it is used: sector numbers past the end of
// the file, chains that loop or run longer than the file has sectors, directory trees with
// cycles, sizes beyond the file and sector shifts other than 9 or 12 all give -7, never a hang or
// an overread. Streams are read whole by their callers, so nothing is cached and nothing written.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace xlx {

// Compound-file signature: the first 8 bytes of every compound file.
extern const uint8_t kCompoundSignature[8];

// Largest stream the reader opens, in bytes.
constexpr uint64_t kMaxCompoundStreamBytes = 4ull << 30;

struct CompoundEntry {
  char16_t name[32];     // zero-terminated
  uint8_t type;          // 1 storage, 2 stream, 5 root
  uint32_t left, right, child;  // directory indices, 0xFFFFFFFF for none
  uint32_t start;        // first sector (mini sector for a small stream)
  uint64_t size;         // bytes
};

struct CompoundFile {
  int64_t handle = -1;                   // not owned
  uint64_t fileSize = 0;                 // bytes
  uint32_t sectorShift = 9;              // sector size = 1 << sectorShift (512 or 4096)
  uint32_t miniShift = 6;                // mini sector size = 1 << miniShift (64)
  uint32_t miniCutoff = 4096;            // streams below this size live in the mini stream
  std::vector<uint32_t> fat;             // next sector of each sector
  std::vector<uint32_t> miniFat;         // next mini sector of each mini sector
  std::vector<CompoundEntry> entries;    // the directory, entry 0 the root
  std::vector<uint32_t> miniStreamChain; // sectors of the mini stream, in order
};

// One opened stream: its size and the sectors (or mini sectors) that hold it, in order.
struct CompoundStream {
  uint64_t size = 0;
  bool mini = false;
  std::vector<uint32_t> chain;
};

// Reads the header, the allocation tables and the directory. 1; -7 not a compound file, a
// structure that does not fit the file, or a read failure; -1 memory.
[[nodiscard]] int32_t OpenCompoundFile(int64_t handle, CompoundFile* file);

// Index of the stream of this name among the children of the root storage (names compared
// without regard to ASCII case), or -1.
[[nodiscard]] int32_t FindCompoundStream(const CompoundFile& file, const char16_t* name);

// Opens the stream at a directory index. 1; -7 when it is not a stream, is larger than
// kMaxCompoundStreamBytes, or its chain is broken or shorter than its size; -1 memory.
[[nodiscard]] int32_t OpenCompoundStream(const CompoundFile& file, int32_t index, CompoundStream* stream);

// Reads `count` bytes from `offset` (bytes from the start of the stream). 1; -7 when the range
// passes the end of the stream or the file cannot be read.
[[nodiscard]] int32_t ReadCompoundStream(const CompoundFile& file, const CompoundStream& stream, uint64_t offset,
                                         void* buffer, size_t count);

// Opens the named root stream and reads it whole, at most `maxBytes`. 1; -9 no such stream;
// -7 as above or when the stream is larger than maxBytes; -1 memory.
[[nodiscard]] int32_t ReadWholeCompoundStream(const CompoundFile& file, const char16_t* name, uint64_t maxBytes,
                                              std::vector<uint8_t>* data);

}  // namespace xlx
