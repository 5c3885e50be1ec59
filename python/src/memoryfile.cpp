#include "memoryfile.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

MemoryFile::~MemoryFile() {
  if (fd_ != -1) close(fd_);
}

bool MemoryFile::Create() {
  fd_ = memfd_create("xlxfilter", MFD_CLOEXEC);
  if (fd_ == -1) return false;
  path_ = "/proc/self/fd/" + std::to_string(fd_);
  return true;
}

bool MemoryFile::Assign(const void* data, size_t size) {
  if (fd_ == -1 || ftruncate(fd_, 0) != 0) return false;
  const char* bytes = static_cast<const char*>(data);
  for (size_t done = 0; done < size;) {
    ssize_t n = pwrite(fd_, bytes + done, size - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool MemoryFile::ReadAll(std::string* contents) const {
  struct stat st;
  if (fd_ == -1 || fstat(fd_, &st) != 0 || st.st_size < 0) return false;
  contents->resize(static_cast<size_t>(st.st_size));
  for (size_t done = 0; done < contents->size();) {
    ssize_t n = pread(fd_, &(*contents)[done], contents->size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}
