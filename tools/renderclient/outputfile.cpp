#include "outputfile.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string TemporaryName(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  // Kept within a component's length: the page name itself may be near the limit.
  return folder + "." + name.substr(0, 200) + "." + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".part";
}

}  // namespace

OutputFile::~OutputFile() { Discard(); }

int OutputFile::Open(const std::string& path) {
  Discard();
  path_ = path;
  inPlace_ = path.compare(0, 6, "/proc/") == 0 || path.compare(0, 5, "/dev/") == 0;
  if (inPlace_) return fd_ = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
#ifdef O_TMPFILE
  fd_ = open(FolderOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
  if (fd_ >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd_;
#endif
  tempName_ = TemporaryName(path);
  fd_ = open(tempName_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd_ < 0) tempName_.clear();
  return fd_;
}

bool OutputFile::Commit() {
  if (fd_ < 0) return false;
  if (inPlace_) {
    fd_ = -1;  // the caller closes it
    return true;
  }
  if (tempName_.empty()) {
    // An unnamed file gets a temporary name first (a link cannot replace a file), then the name.
    tempName_ = TemporaryName(path_);
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, tempName_.c_str(), AT_SYMLINK_FOLLOW) != 0) {
      const int saved = errno;
      tempName_.clear();
      Discard();
      errno = saved;
      return false;
    }
  }
  if (rename(tempName_.c_str(), path_.c_str()) != 0) {
    const int saved = errno;
    Discard();
    errno = saved;
    return false;
  }
  tempName_.clear();
  fd_ = -1;  // the caller closes it
  return true;
}

std::string OutputFile::WritePath() const {
  if (fd_ < 0) return std::string();
  return tempName_.empty() ? "/proc/self/fd/" + std::to_string(fd_) : tempName_;
}

void OutputFile::Discard() {
  if (!inPlace_ && !tempName_.empty()) unlink(tempName_.c_str());
  tempName_.clear();
  fd_ = -1;  // owned and closed by the caller's stream
}

std::FILE* OutputFile::OpenStream(const std::string& path) {
  const int fd = Open(path);
  std::FILE* file = fd >= 0 ? fdopen(fd, "wb") : nullptr;
  if (!file) {
    const int saved = errno;
    if (fd >= 0) close(fd);
    Discard();
    errno = saved;
  }
  return file;
}

bool OutputFile::CloseStream(std::FILE** file) {
  bool ok = std::fflush(*file) == 0 && !std::ferror(*file);
  ok = ok && Commit();
  ok = std::fclose(*file) == 0 && ok;
  *file = nullptr;
  if (!ok) Discard();
  return ok;
}

void OutputFile::AbortStream(std::FILE** file) {
  if (*file) std::fclose(*file);
  *file = nullptr;
  Discard();
}
