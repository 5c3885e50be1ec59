// Page files that appear under their names only when complete: written unnamed (or under a
// temporary name where the file system cannot hold an unnamed file) in the folder of their name,
// then named. A run that is interrupted leaves no partial page behind.
#pragma once
#include <cstdio>
#include <string>

class OutputFile {
 public:
  ~OutputFile();  // discards a file not committed
  // Opens the file for writing (mode 0644 before the umask). A path under /proc/ or /dev/ names
  // an open descriptor or a device (an in-memory page of the service or the Python module) and is
  // written in place. -1 with errno set on failure.
  int Open(const std::string& path);
  // Names the written file `path`, replacing a file of that name. The descriptor stays open for
  // the caller to close. False with errno set on failure (the file is then discarded).
  bool Commit();
  // Removes what was written; nothing ever appears under the name.
  void Discard();
  // A path that opens the file being written, for writers that take a name: "/proc/self/fd/N" of
  // the unnamed file, or its temporary name. "" before Open.
  std::string WritePath() const;

  // The same as a buffered stream: Open and fdopen (nothing left behind on failure; null, errno
  // set); CloseStream flushes, names the file and closes it (false and the file discarded when
  // any of it fails); AbortStream closes and discards.
  std::FILE* OpenStream(const std::string& path);
  bool CloseStream(std::FILE** file);
  void AbortStream(std::FILE** file);

 private:
  int fd_ = -1;
  std::string path_;
  std::string tempName_;  // the temporary name when the file is not unnamed
  bool inPlace_ = false;  // a descriptor or device path (/proc/self/fd/N, /dev/...): written as it is
};
