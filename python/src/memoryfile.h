// An anonymous file in memory with a path: the filter and the page writers open files by name,
// and /proc/self/fd/N names this one without anything touching a disk.
#pragma once
#include <cstddef>
#include <string>

class MemoryFile {
 public:
  MemoryFile() = default;
  ~MemoryFile();
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  // Makes the file, empty. False when the system has no anonymous files left.
  bool Create();
  // Replaces the contents with `size` bytes. False when they cannot all be written.
  bool Assign(const void* data, size_t size);
  // Reads the whole file, as written by anyone who opened it by path. False on a read error.
  bool ReadAll(std::string* contents) const;
  // /proc/self/fd/N; empty before Create.
  const std::string& path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};
