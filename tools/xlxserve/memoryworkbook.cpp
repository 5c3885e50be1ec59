#include "memoryworkbook.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

MemoryFile::~MemoryFile() {
  if (fd_ >= 0) close(fd_);
}

bool MemoryFile::Create(const char* data, size_t size, std::string* error) {
  fd_ = memfd_create("xlxserve", MFD_CLOEXEC);
  if (fd_ < 0) return *error = std::string("cannot make a memory file: ") + std::strerror(errno), false;
  path_ = "/proc/self/fd/" + std::to_string(fd_);
  size_t done = 0;
  while (done < size) {
    ssize_t n = write(fd_, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return *error = std::string("cannot fill a memory file: ") + std::strerror(errno), false;
    done += static_cast<size_t>(n);
  }
  return true;
}

size_t MemoryFile::size() const {
  struct stat st;
  if (fd_ < 0 || fstat(fd_, &st) != 0 || st.st_size < 0) return 0;
  return static_cast<size_t>(st.st_size);
}

bool MemoryFile::ReadAll(std::string* out) const {
  const size_t total = size();
  out->assign(total, '\0');
  size_t done = 0;
  while (done < total) {
    ssize_t n = pread(fd_, &(*out)[done], total - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}
