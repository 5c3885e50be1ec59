// The service's pieces on their own: request options, the zip of pages, admission with its queue,
// the document cache's budget, and the limits that stop work.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>
#include <unzip.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "admission.h"
#include "documentcache.h"
#include "openedworkbook.h"
#include "requestoptions.h"
#include "tests/support/testsupport.h"
#include "worklimits.h"
#include "zipwriter.h"

namespace {

using Clock = std::chrono::steady_clock;

TEST(RequestOptions, AcceptsWhatTheCommandLineAcceptsAndNothingElse) {
  struct Case {
    RequestFields fields;
    bool ok;
  };
  const Case cases[] = {
      {{}, true},
      {{{"format", "pdf"}, {"dpi", "150"}, {"pages", "1,3-N"}}, true},
      {{{"paper", "a4"}, {"fit", "width"}, {"gridlines", "1"}}, true},
      {{{"paginate", ""}, {"margins", "0.5"}, {"password", "-starts-with-dash"}}, true},
      {{{"unknown", "x"}}, true},               // other names are ignored
      {{{"format", "jpeg"}, {"pages", "2"}}, true},
      {{{"format", "bmp"}}, false},
      {{{"dpi", "0"}}, false},
      {{{"dpi", "2401"}}, false},
      {{{"dpi", "96"}, {"dpi", "96"}}, false},  // repeated
      {{{"pages", "3-1"}}, false},
      {{{"pages", "-o"}}, false},                // would read as an option
      {{{"paper", std::string("a4\0x", 4)}}, false},
      {{{"print", ""}, {"paper", "a4"}}, true},   // "print" is not a request field
  };
  for (const Case& c : cases) {
    RenderOptions o;
    std::string error;
    EXPECT_EQ(RenderOptionsFromFields(c.fields, "upload", &o, &error), c.ok)
        << (c.fields.empty() ? "(none)" : c.fields.begin()->first + "=" + c.fields.begin()->second) << ": " << error;
    if (!c.ok) {
      EXPECT_FALSE(error.empty());
    }
  }
  RenderOptions o;
  std::string error;
  ASSERT_TRUE(RenderOptionsFromFields({{"format", "svg"}, {"dpi", "200"}, {"pages", "2-4"}}, "in", &o, &error));
  EXPECT_EQ(o.format, RenderOptions::Format::kSvg);
  EXPECT_EQ(o.dpi, 200u);
  ASSERT_EQ(o.pageRanges.size(), 1u);
  EXPECT_EQ(o.pageRanges[0], std::make_pair(2, 4));
  EXPECT_EQ(o.input, "in");
}

TEST(RequestOptions, PasswordComesOnlyFromTheRequest) {
  setenv("XLX_PASSWORD", "from-the-server-environment", 1);
  RenderOptions o;
  std::string error;
  ASSERT_TRUE(RenderOptionsFromFields({}, "in", &o, &error));
  EXPECT_EQ(o.password, "");
  ASSERT_TRUE(RenderOptionsFromFields({{"password", "given"}}, "in", &o, &error));
  EXPECT_EQ(o.password, "given");
  unsetenv("XLX_PASSWORD");
}

TEST(RequestOptions, NumbersAndIds) {
  uint32_t v = 0;
  EXPECT_TRUE(ParsePositive("600", 600, &v) && v == 600);
  for (const char* bad : {"", "0", "601", "1e2", "-1", "12a", "9999999999", " 5"}) EXPECT_FALSE(ParsePositive(bad, 600, &v)) << bad;
  EXPECT_TRUE(IsDocumentId(std::string(64, 'a')));
  EXPECT_FALSE(IsDocumentId(std::string(64, 'A')));
  EXPECT_FALSE(IsDocumentId(std::string(63, '0')));
  EXPECT_FALSE(IsDocumentId(std::string(63, '0') + "/"));
}

TEST(ZipArchive, EntriesReadBackWithMinizip) {
  ZipArchive zip;
  const std::string big(100000, 'x');
  ASSERT_TRUE(zip.Add("page-1.png", "first"));
  ASSERT_TRUE(zip.Add("page-2.png", big));
  ASSERT_TRUE(zip.Add("empty.svg", ""));
  const std::string bytes = zip.Finish();
  char path[] = "/tmp/xlxservezipXXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  close(fd);
  unzFile z = unzOpen(path);
  ASSERT_NE(z, nullptr);
  const std::pair<std::string, std::string> expected[] = {{"page-1.png", "first"}, {"page-2.png", big}, {"empty.svg", ""}};
  int r = unzGoToFirstFile(z);
  for (const auto& [name, content] : expected) {
    ASSERT_EQ(r, UNZ_OK);
    char fileName[64];
    unz_file_info info;
    ASSERT_EQ(unzGetCurrentFileInfo(z, &info, fileName, sizeof fileName, nullptr, 0, nullptr, 0), UNZ_OK);
    EXPECT_EQ(fileName, name);
    ASSERT_EQ(unzOpenCurrentFile(z), UNZ_OK);  // checks the CRC as it reads to the end
    std::string read(content.size() + 1, '\0');
    EXPECT_EQ(unzReadCurrentFile(z, &read[0], static_cast<unsigned>(read.size())), static_cast<int>(content.size()));
    read.resize(content.size());
    EXPECT_EQ(read, content);
    EXPECT_EQ(unzCloseCurrentFile(z), UNZ_OK);
    r = unzGoToNextFile(z);
  }
  EXPECT_EQ(r, UNZ_END_OF_LIST_OF_FILE);
  unzClose(z);
  unlink(path);
}

TEST(Admission, QueueBoundsWaitsAndHandsOver) {
  Admission admission(1, 1);
  const auto later = Clock::now() + std::chrono::seconds(10);
  ASSERT_EQ(admission.Acquire(later), Admission::Outcome::kAdmitted);
  // A waiter past its deadline gives up; with the queue taken, the next is turned away at once.
  EXPECT_EQ(admission.Acquire(Clock::now() + std::chrono::milliseconds(30)), Admission::Outcome::kTimedOut);
  Admission::Outcome waited = Admission::Outcome::kQueueFull;
  std::thread waiter([&] { waited = admission.Acquire(later); });
  while (admission.queued() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(admission.Acquire(later), Admission::Outcome::kQueueFull);
  admission.Release();
  waiter.join();
  EXPECT_EQ(waited, Admission::Outcome::kAdmitted);
  EXPECT_EQ(admission.running(), 1u);
  admission.Release();
  EXPECT_EQ(admission.running(), 0u);
}

std::shared_ptr<StoredDocument> Document(const std::string& id) {
  auto d = std::make_shared<StoredDocument>();
  d->id = id;
  return d;
}

TEST(DocumentCache, KeepsTheRecentlyUsedWithinItsBudget) {
  DocumentCache cache(100);
  ASSERT_TRUE(cache.Put(Document("a"), 40));
  ASSERT_TRUE(cache.Put(Document("b"), 40));
  ASSERT_NE(cache.Find("a"), nullptr);  // a is now the most recent: b goes first
  ASSERT_TRUE(cache.Put(Document("c"), 40));
  EXPECT_EQ(cache.Find("b"), nullptr);
  EXPECT_NE(cache.Find("a"), nullptr);
  EXPECT_NE(cache.Find("c"), nullptr);
  EXPECT_EQ(cache.bytes(), 80u);
  EXPECT_EQ(cache.evictions(), 1u);
  EXPECT_FALSE(cache.Put(Document("huge"), 101));
  ASSERT_TRUE(cache.Put(Document("a"), 10));  // replacing recounts
  EXPECT_EQ(cache.bytes(), 50u);
  EXPECT_TRUE(cache.Remove("a"));
  EXPECT_FALSE(cache.Remove("a"));
  EXPECT_EQ(cache.bytes(), 40u);
  EXPECT_EQ(cache.count(), 1u);
}

TEST(WorkLimits, StopAtTheDeadlineOrWhenThePeerCloses) {
  WorkLimits past(Clock::now() - std::chrono::seconds(1), -1);
  EXPECT_TRUE(past.ShouldStop());
  EXPECT_EQ(past.stop(), WorkLimits::Stop::kTimeLimit);
  int pair[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  WorkLimits watched(Clock::now() + std::chrono::seconds(60), pair[0]);
  ASSERT_EQ(write(pair[1], "x", 1), 1);  // unread bytes are not a hang-up
  EXPECT_FALSE(watched.ShouldStop());
  close(pair[1]);
  EXPECT_TRUE(watched.ShouldStop());
  EXPECT_EQ(watched.stop(), WorkLimits::Stop::kClientGone);
  close(pair[0]);
}

TEST(OpenedWorkbook, StopsBeforeDrawingWhenTheLimitsSaySo) {
  const auto files = xlxtest::CorpusFiles("xlsx");
  if (files.empty()) GTEST_SKIP() << "no corpus";
  const auto bytes = xlxtest::ReadWholeFile(files[0]);
  auto file = std::make_shared<MemoryFile>();
  std::string error;
  ASSERT_TRUE(file->Create(reinterpret_cast<const char*>(bytes.data()), bytes.size(), &error)) << error;
  RenderOptions o;
  ASSERT_TRUE(RenderOptionsFromFields({}, "upload", &o, &error));
  OpenedWorkbook book;
  ASSERT_EQ(book.Open(file, o, &error), 1) << error;
  WorkLimits expired(Clock::now() - std::chrono::seconds(1), -1);
  std::string out;
  EXPECT_EQ(book.RenderPng(1, &expired, &out), kStoppedByLimits);
  EXPECT_EQ(book.RenderPdf({1}, &expired, &out), kStoppedByLimits);
  WorkLimits open(Clock::now() + std::chrono::seconds(60), -1);
  EXPECT_EQ(book.RenderPng(book.pageCount() + 1, &open, &out), kNoSuchPage);
  ASSERT_EQ(book.RenderPng(1, &open, &out), 1);
  EXPECT_EQ(out.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0);
}

}  // namespace
