// Each class of hostile workbook through xlxrender in a child process under an address-space cap
// and a CPU-time cap: the answer is the expected exit status and message, the page is written when
// the file can be drawn, and the peak memory and CPU time stay small. The fixtures are made by
// tests/fixtures/make_hostile_fixtures.py and make_budget_fixtures.py.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/testsupport.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;  // the sanitizer's shadow mappings do not fit under an address-space cap
#else
constexpr bool kSanitized = false;
#endif

constexpr rlim_t kAddressSpaceBytes = rlim_t(512) << 20;
constexpr rlim_t kCpuSeconds = 20;
constexpr int kWallSeconds = 60;

struct RenderRun {
  int status = -1;         // exit status; -1 killed or not run
  long peakKilobytes = 0;  // resident peak
  double cpuSeconds = 0;
  std::string errors;      // standard error and output
};

// Runs xlxrender with `args` under the caps; standard error goes to `errorFile`.
RenderRun RunRender(const std::vector<std::string>& args, const std::string& errorFile) {
  const std::string tool = std::string(XLX_BINARY_DIR) + "/tools/xlxrender/xlxrender";
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(tool.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  RenderRun run;
  const pid_t child = fork();
  if (child == 0) {
    const int err = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (err >= 0) dup2(err, 2), dup2(err, 1);  // what --info prints is read there too
    if (!kSanitized) {
      const rlimit memory = {kAddressSpaceBytes, kAddressSpaceBytes};
      setrlimit(RLIMIT_AS, &memory);
    }
    const rlimit cpu = {kCpuSeconds, kCpuSeconds + 1};
    setrlimit(RLIMIT_CPU, &cpu);
    execv(tool.c_str(), argv.data());
    _exit(127);
  }
  if (child < 0) return run;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kWallSeconds);
  int status = 0;
  rusage usage{};
  pid_t done = 0;
  while ((done = wait4(child, &status, WNOHANG, &usage)) == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  if (done == 0) {
    kill(child, SIGKILL);
    wait4(child, &status, 0, &usage);
    return run;
  }
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.peakKilobytes = usage.ru_maxrss;
  run.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  std::ifstream in(errorFile);
  std::stringstream text;
  text << in.rdbuf();
  run.errors = text.str();
  return run;
}

bool Exists(const std::string& path) {
  struct stat s;
  return stat(path.c_str(), &s) == 0 && s.st_size > 0;
}

// The first page of OUTROOT, its number padded to the digits of the page count ("-1", "-001").
std::string FirstPage(const std::string& root) {
  std::string padded = "1";
  for (int digits = 1; digits <= 6; ++digits, padded.insert(0, "0"))
    if (Exists(root + "-" + padded + ".png")) return root + "-" + padded + ".png";
  return "";
}

void RemovePages(const std::string& root) {
  std::string padded = "1";
  for (int digits = 1; digits <= 6; ++digits, padded.insert(0, "0")) unlink((root + "-" + padded + ".png").c_str());
}

TEST(HostileClasses, EachAnswersWithinTheLimits) {
  struct Case {
    const char* fixture;
    const char* option;   // an xlxrender option, "" none
    int status;
    const char* message;  // part of standard error; "" none expected
    bool pageWritten;
  } cases[] = {
      {"text_doubling", "", 0, "", true},             // doubling text stops at the cell limit as #VALUE!
      {"drawing_nodes", "", 0, "", true},             // a drawing over the tree limits is dropped
      {"theme_nodes", "", 0, "", true},               // so is a theme: the default colours
      {"relationship_nodes", "", 4, "-1879", false},  // the workbook's own relationships are needed
      {"wmf_broken_dib", "", 0, "", true},            // metafiles convert in a child process
      {"emf_wild_records", "", 0, "", true},
      {"far_cell", "--sheet-pages", 4, "bitmap", false},  // a limit, not unreadable
      // Valid sheets at the edges of the grid print what they hold, page by page with content.
      {"far_cell", "--paginate", 0, "", true},             // blank tiles of a far cell are not drawn
      {"fill_last_cell", "", 0, "", true},                 // the fill prints on a page of its own
      {"fill_last_cell", "--sheet-pages", 4, "larger than one bitmap", false},
      {"merge_whole_sheet", "", 0, "", true},              // one page: the range's content once
      {"merges_overlapping", "", 0, "", true},
      {"print_areas_columns", "", 0, "", true},
      {"sum_whole_grid", "", 0, "", true},
      {"anchor_far", "", 0, "", true},                     // clamped to the grid's last cell
      {"far_cell", "--sheet-pages", 4, "too large for one bitmap", false},  // a limit, not unreadable
      {"picture_repeated", "", 0, "", true},  // one 100-megapixel part, 60 crops and effects: one small source
      {"font_sizes", "", 0, "", true},        // 4,000 runs in sizes 0.01 pt apart
      {"font_names", "", 0, "", true},        // 2,000 faces no system has
      // 20,000 sheets naming one part: four are shown, and the rest are said to be left out.
      {"sheets_one_part", "", 0, "warning: more than 4 sheets show the same worksheet", true},
  };
  const std::string dir = ::testing::TempDir() + "/hostile_classes";
  mkdir(dir.c_str(), 0755);
  for (const Case& c : cases) {
    const std::string input = xlxtest::SourceDir() + "/tests/fixtures/hostile/" + c.fixture + ".xlsx";
    const std::string root = dir + "/" + c.fixture;
    RemovePages(root);
    std::vector<std::string> args = {"-q", input, root};
    if (*c.option) args.insert(args.begin(), c.option);
    const RenderRun run = RunRender(args, root + ".err");
    EXPECT_EQ(run.status, c.status) << c.fixture << ": " << run.errors;
    EXPECT_NE(run.errors.find(c.message), std::string::npos) << c.fixture << ": " << run.errors;
    EXPECT_EQ(!FirstPage(root).empty(), c.pageWritten) << c.fixture;
    if (!kSanitized) {
      EXPECT_LT(run.peakKilobytes, 160 * 1024) << c.fixture;
      EXPECT_LT(run.cpuSeconds, 10) << c.fixture;
    }
  }
  // Pages and messages only: no temporary or partial file is left beside them.
  DIR* folder = opendir(dir.c_str());
  ASSERT_NE(folder, nullptr);
  while (dirent* e = readdir(folder)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    const std::string ext = name.substr(name.find_last_of('.') + 1);
    EXPECT_TRUE(ext == "png" || ext == "err") << name;
  }
  closedir(folder);
}

// Extreme sheets print only their pages with content; content past the page limit is told.
TEST(HostileClasses, ExtremeSheetsPrintTheirPagesWithContent) {
  const struct {
    const char* fixture;
    const char* option;
    const char* pages;    // the --info line
    const char* warning;  // on standard error, "" none
  } cases[] = {
      {"fill_last_cell", "--print", "pages: 2\n", ""},  // A1 and XFD1048576
      {"fill_last_cell", "--paginate", "pages: 2\n", ""},
      {"merge_whole_sheet", "--print", "pages: 1\n", ""},
      {"far_cell", "--paginate", "pages: 3\n", ""},  // A1, ZZ9000 and the tile its text spills into
      {"anchor_far", "--print", "pages: 2\n", ""},
      {"pages_over_limit", "--print", "pages: 100000\n", "warning: a sheet has content on more than 100000 pages"},
  };
  const std::string dir = ::testing::TempDir();
  for (const auto& c : cases) {
    const std::string input = xlxtest::SourceDir() + "/tests/fixtures/hostile/" + c.fixture + ".xlsx";
    const RenderRun run = RunRender({"--info", c.option, input}, dir + "/extreme.err");
    EXPECT_EQ(run.status, 0) << c.fixture << c.option << run.errors;
    EXPECT_NE(run.errors.find(c.pages), std::string::npos) << c.fixture << c.option;
    EXPECT_EQ(run.errors.find("warning") != std::string::npos, *c.warning != 0) << c.fixture << run.errors;
    EXPECT_NE(run.errors.find(c.warning), std::string::npos) << c.fixture;
  }
}

// A pattern that was a format string: refused as a usage error before any file is opened.
TEST(HostileClasses, OutputPatternsAreNotFormatStrings) {
  const std::string input = xlxtest::SourceDir() + "/tests/fixtures/hostile/text_doubling.xlsx";
  const std::string dir = ::testing::TempDir();
  for (const char* pattern : {"%n%n%n%d", "%s%d.png", "%p-%d.png", "%d-%d.png"}) {
    const RenderRun run = RunRender({"-o", dir + "/" + pattern, input}, dir + "/pattern.err");
    EXPECT_EQ(run.status, 99) << pattern;
    EXPECT_NE(run.errors.find("-o"), std::string::npos) << pattern << ": " << run.errors;
  }
  const RenderRun ok = RunRender({"-q", "-o", dir + "/100%%-%03d.png", input}, dir + "/pattern.err");
  EXPECT_EQ(ok.status, 0) << ok.errors;
  EXPECT_TRUE(Exists(dir + "/100%-001.png"));
}

}  // namespace
