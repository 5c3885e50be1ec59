// Page files appear under their names only when complete: nothing is visible while a page is
// written, a discarded or interrupted page leaves nothing in the folder, and a finished page
// replaces an older file of its name.
#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <string>

#include "tools/renderclient/outputfile.h"

namespace {

std::set<std::string> Entries(const std::string& folder) {
  std::set<std::string> names;
  if (DIR* d = opendir(folder.c_str())) {
    while (dirent* e = readdir(d))
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.insert(e->d_name);
    closedir(d);
  }
  return names;
}

std::string Folder(const char* name) {
  const std::string folder = ::testing::TempDir() + "/" + name + std::to_string(getpid());
  std::system(("rm -rf '" + folder + "'").c_str());
  mkdir(folder.c_str(), 0755);
  return folder;
}

std::string Contents(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(OutputFile, AppearsOnlyWhenCommitted) {
  const std::string folder = Folder("outputfile");
  const std::string path = folder + "/page-1.png";
  {
    std::ofstream(path) << "older page";
    OutputFile file;
    const int fd = file.Open(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "new page", 8), 8);
    EXPECT_EQ(Contents(path), "older page") << "the old file stays until the new one is whole";
    EXPECT_EQ(Entries(folder), std::set<std::string>{"page-1.png"});
    ASSERT_TRUE(file.Commit());
    close(fd);
  }
  EXPECT_EQ(Contents(path), "new page");
  EXPECT_EQ(Entries(folder), std::set<std::string>{"page-1.png"});
  {
    OutputFile file;
    const int fd = file.Open(folder + "/page-2.png");
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "half", 4), 4);
    close(fd);
  }  // never committed
  EXPECT_EQ(Entries(folder), std::set<std::string>{"page-1.png"});
  OutputFile missing;
  EXPECT_LT(missing.Open(folder + "/no/such/folder/page.png"), 0);
  std::system(("rm -rf '" + folder + "'").c_str());
}

TEST(OutputFile, AKilledWriterLeavesNothing) {
  const std::string folder = Folder("outputkill");
  const pid_t child = fork();
  if (child == 0) {
    OutputFile file;
    const int fd = file.Open(folder + "/page-1.png");
    if (fd < 0 || write(fd, "part of a page", 14) != 14) _exit(1);
    raise(SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_TRUE(Entries(folder).empty());
  std::system(("rm -rf '" + folder + "'").c_str());
}

}  // namespace
