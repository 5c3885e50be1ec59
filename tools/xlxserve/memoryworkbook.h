// Workbook bytes kept in an anonymous memory file, so the filter can open them by path without
// anything reaching the disk. The path stays valid while the object lives.
#pragma once
#include <cstddef>
#include <string>

class MemoryFile {
 public:
  MemoryFile() = default;
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  ~MemoryFile();
  // Creates the file holding `size` bytes of `data` (size may be 0: an empty file, e.g. for
  // output). False with a message when memory files cannot be made.
  bool Create(const char* data, size_t size, std::string* error);
  // "/proc/self/fd/N": a name every open() of this process resolves to the same memory.
  const std::string& path() const { return path_; }
  // The whole current content (for output written through path()). False when unreadable.
  bool ReadAll(std::string* out) const;
  size_t size() const;

 private:
  int fd_ = -1;
  std::string path_;
};
