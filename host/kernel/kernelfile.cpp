// Host file access on UTF-16 paths, memory-backed handles, and private temporary files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>
#include "host/kernel/vkkrnx.h"
#include "host/resultcodes.h"

namespace {

constexpr uint32_t kFileMagic = 0x454C4946;  // "FILE"

struct HostFile {
  uint32_t magic = kFileMagic;
  int fd = -1;                  // -1 for a memory file
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t position = 0;
};

HostFile* FromHandle(int64_t handle) {
  if (handle == -1 || handle == 0) return nullptr;
  auto* f = reinterpret_cast<HostFile*>(static_cast<intptr_t>(handle));
  return f->magic == kFileMagic ? f : nullptr;
}

int64_t ToHandle(HostFile* f) { return static_cast<int64_t>(reinterpret_cast<intptr_t>(f)); }

std::string PathToUtf8(const char16_t* path) {
  std::string out;
  for (size_t i = 0; path[i]; ++i) {
    uint32_t c = path[i];
    if (c >= 0xD800 && c <= 0xDBFF && path[i + 1] >= 0xDC00 && path[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (path[i + 1] - 0xDC00);
      ++i;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

int64_t OpenFd(int fd) {
  if (fd < 0) return -1;
  auto* f = new (std::nothrow) HostFile;
  if (!f) {
    close(fd);
    return -1;
  }
  f->fd = fd;
  return ToHandle(f);
}

std::mutex g_tempLock;
std::atomic<uint64_t> g_tempCounter{0};
// Temporary files live on only through these descriptors: their names are removed as soon as they
// are made, so nothing is left behind when the process ends, however it ends.
std::vector<int> g_tempAnchors;

// The descriptor behind a temporary path "/proc/self/fd/N" that this process made, or -1.
int TempAnchor(const std::string& path) {
  static const char kPrefix[] = "/proc/self/fd/";
  if (path.compare(0, sizeof kPrefix - 1, kPrefix) != 0) return -1;
  const int fd = std::atoi(path.c_str() + sizeof kPrefix - 1);
  for (int anchor : g_tempAnchors)
    if (anchor == fd) return fd;
  return -1;
}

// The folder of temporary files: $TMPDIR, else /tmp. No folder of our own is made, so a process
// that is killed leaves none behind.
std::string TempBase() {
  const char* base = std::getenv("TMPDIR");
  return base && *base ? base : "/tmp";
}

// An unnamed file in `folder` (never visible to other processes); where the file system cannot make
// one, a file created exclusively, readable by its owner only, and unlinked at once. -1 on failure.
int OpenUnnamedFile(const std::string& folder, const std::string& extension) {
#ifdef O_TMPFILE
  int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
#endif
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = folder + "/xlxhost-" + std::to_string(getpid()) + "-" +
                             std::to_string(g_tempCounter.fetch_add(1)) + "." + extension;
    int fd = open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd >= 0) unlink(name.c_str());
    return fd;
  }
  return -1;
}

}  // namespace

VK_API int64_t VkOpenFile(const char16_t* path, uint32_t flags, uint32_t permission) {
  if (!path || !path[0]) return -1;
  int oflags = O_CLOEXEC;
  if ((flags & VK_OPEN_READ) && (flags & VK_OPEN_WRITE)) oflags |= O_RDWR;
  else if (flags & VK_OPEN_WRITE) oflags |= O_WRONLY;
  else oflags |= O_RDONLY;
  if (flags & VK_OPEN_CREATE) oflags |= O_CREAT;
  if (flags & VK_OPEN_TRUNCATE) oflags |= O_TRUNC;
  int fd = open(PathToUtf8(path).c_str(), oflags, permission ? permission : 0600);
  if (fd >= 0) {
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
      close(fd);
      return -1;
    }
  }
  return OpenFd(fd);
}

VK_API int64_t VkOpenMemoryFile(const void* data, size_t size) {
  auto* f = new (std::nothrow) HostFile;
  if (!f) return -1;
  f->data = static_cast<const uint8_t*>(data);
  f->size = data ? size : 0;
  return ToHandle(f);
}

VK_API int64_t VkReadFile(int64_t handle, void* buffer, int64_t count) {
  HostFile* f = FromHandle(handle);
  if (!f || !buffer || count < 0) return -1;
  if (f->fd < 0) {
    size_t left = f->position < f->size ? f->size - f->position : 0;
    size_t n = static_cast<uint64_t>(count) < left ? static_cast<size_t>(count) : left;
    if (n) std::memcpy(buffer, f->data + f->position, n);
    f->position += n;
    return static_cast<int64_t>(n);
  }
  int64_t total = 0;
  auto* out = static_cast<uint8_t*>(buffer);
  while (total < count) {
    ssize_t n = read(f->fd, out + total, static_cast<size_t>(count - total));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return total ? total : -1;
    if (n == 0) break;
    total += n;
  }
  return total;
}

VK_API int64_t VkWriteFile(int64_t handle, const void* buffer, int64_t count) {
  HostFile* f = FromHandle(handle);
  if (!f || f->fd < 0 || !buffer || count < 0) return -1;
  int64_t total = 0;
  auto* in = static_cast<const uint8_t*>(buffer);
  while (total < count) {
    ssize_t n = write(f->fd, in + total, static_cast<size_t>(count - total));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    total += n;
  }
  return total;
}

VK_API int64_t VkSeekFile(int64_t handle, int64_t offset, int32_t origin) {
  HostFile* f = FromHandle(handle);
  if (!f) return -1;
  if (f->fd >= 0) {
    int whence = origin == VK_SEEK_SET ? SEEK_SET : origin == VK_SEEK_CUR ? SEEK_CUR : origin == VK_SEEK_END ? SEEK_END : -1;
    if (whence < 0) return -1;
    off_t pos = lseek(f->fd, static_cast<off_t>(offset), whence);
    return pos < 0 ? -1 : static_cast<int64_t>(pos);
  }
  int64_t base = origin == VK_SEEK_SET ? 0 : origin == VK_SEEK_CUR ? static_cast<int64_t>(f->position)
               : origin == VK_SEEK_END ? static_cast<int64_t>(f->size) : -1;
  if (base < 0) return -1;
  if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0) return -1;
  f->position = static_cast<size_t>(base + offset);
  return base + offset;
}

VK_API int32_t VkCloseFile(int64_t handle) {
  HostFile* f = FromHandle(handle);
  if (!f) return XLX_ERR_ARGUMENT;
  if (f->fd >= 0) close(f->fd);
  f->magic = 0;
  delete f;
  return XLX_OK;
}

VK_API int32_t VkDeleteFile(const char16_t* path) {
  if (!path || !path[0]) return XLX_ERR_ARGUMENT;
  const std::string name = PathToUtf8(path);
  {
    std::lock_guard<std::mutex> guard(g_tempLock);
    const int anchor = TempAnchor(name);
    if (anchor >= 0) {
      for (size_t i = 0; i < g_tempAnchors.size(); ++i)
        if (g_tempAnchors[i] == anchor) g_tempAnchors.erase(g_tempAnchors.begin() + static_cast<std::ptrdiff_t>(i));
      close(anchor);
      return XLX_OK;
    }
  }
  return unlink(name.c_str()) == 0 ? XLX_OK : XLX_ERR_REOPEN;
}

VK_API int32_t VkCreateTempFile(const char16_t* extension, char16_t* path, size_t capacity, int64_t* handle) {
  if (!path || !handle || capacity == 0) return XLX_ERR_ARGUMENT;
  *handle = -1;
  path[0] = 0;
  const std::string ext = extension && extension[0] ? PathToUtf8(extension) : "tmp";
  const int fd = OpenUnnamedFile(TempBase(), ext);
  if (fd < 0) return XLX_ERR_REOPEN;
  // A second descriptor keeps the file, and names it, until VkDeleteFile.
  const int anchor = fcntl(fd, F_DUPFD_CLOEXEC, 0);
  const std::string anchored = "/proc/self/fd/" + std::to_string(anchor);
  if (anchor < 0 || anchored.size() + 1 > capacity) {
    if (anchor >= 0) close(anchor);
    close(fd);
    return anchor < 0 ? XLX_ERR_REOPEN : XLX_ERR_ARGUMENT;
  }
  {
    std::lock_guard<std::mutex> guard(g_tempLock);
    g_tempAnchors.push_back(anchor);
  }
  for (size_t i = 0; i <= anchored.size(); ++i) path[i] = static_cast<unsigned char>(anchored[i]);
  *handle = OpenFd(fd);
  if (*handle == -1) {
    VkDeleteFile(path);
    path[0] = 0;
    return XLX_ERR_MEMORY;
  }
  return XLX_OK;
}

VK_API int64_t VkOpenTempFile(const char16_t* path) { return VkOpenFile(path, VK_OPEN_READ, 0); }
