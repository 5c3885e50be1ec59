// The compound-file reader and the sniffer on well-formed files from the writer, and on files
// the writer makes and each test breaks in one place.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"
#include "package/compoundfile.h"
#include "package/encryptionsniffer.h"
#include "tests/support/cfbwriter.h"

using namespace xlx;
using xlxtest::BuildCompoundFile;
using xlxtest::CfbLayout;
using xlxtest::PutLe32;

namespace {

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
  std::vector<uint8_t> b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 9));
  return b;
}

// Opens the file and reads the named stream whole; the result code of the first step that fails.
int32_t ReadNamed(const std::vector<uint8_t>& bytes, const char16_t* name, std::vector<uint8_t>* data) {
  int64_t h = VkOpenMemoryFile(bytes.data(), bytes.size());
  CompoundFile file;
  int32_t r = OpenCompoundFile(h, &file);
  if (r == XLX_OK) r = ReadWholeCompoundStream(file, name, 1u << 30, data);
  VkCloseFile(h);
  return r;
}

TEST(CompoundFile, ReadsRegularAndMiniStreamsWholeAndAtAnyOffsetInBothSectorSizes) {
  const std::vector<xlxtest::CfbStream> streams = {
      {u"Small", Pattern(3000, 1)}, {u"Large", Pattern(70000, 2)}, {u"Edge", Pattern(4095, 3)}, {u"Empty", {}}};
  for (uint32_t shift : {9u, 12u}) {
    const std::vector<uint8_t> bytes = BuildCompoundFile(streams, shift);
    int64_t h = VkOpenMemoryFile(bytes.data(), bytes.size());
    CompoundFile file;
    ASSERT_EQ(OpenCompoundFile(h, &file), XLX_OK);
    for (const auto& s : streams) {
      std::vector<uint8_t> data;
      ASSERT_EQ(ReadWholeCompoundStream(file, s.name.c_str(), 1u << 20, &data), XLX_OK) << shift;
      EXPECT_EQ(data, s.data) << "shift " << shift;
      CompoundStream stream;
      ASSERT_EQ(OpenCompoundStream(file, FindCompoundStream(file, s.name.c_str()), &stream), XLX_OK);
      uint8_t buffer[700];
      for (uint64_t at = 0; at + sizeof buffer <= s.data.size(); at += 1237) {  // across (mini) sectors
        ASSERT_EQ(ReadCompoundStream(file, stream, at, buffer, sizeof buffer), XLX_OK) << at;
        EXPECT_EQ(0, memcmp(buffer, s.data.data() + at, sizeof buffer)) << at;
      }
      EXPECT_EQ(ReadCompoundStream(file, stream, s.data.size(), buffer, 1), XLX_ERR_READ) << "past the end";
    }
    EXPECT_GE(FindCompoundStream(file, u"large"), 1) << "names compare without case";
    EXPECT_EQ(FindCompoundStream(file, u"Missing"), -1);
    VkCloseFile(h);
  }
}

// One breakage: what it does to the file, and the code the first failing step gives.
struct Breakage {
  const char* what;
  std::function<void(std::vector<uint8_t>&, const CfbLayout&)> apply;
  int32_t expected;
  const char* check;  // part of the corruption report of the check that must stop it
};

TEST(CompoundFile, HostileStructuresGiveCodesQuickly) {
  const std::vector<xlxtest::CfbStream> streams = {{u"Big", Pattern(9000, 5)}, {u"Tiny", Pattern(200, 6)}};
  const uint32_t kEnd = 0xFFFFFFFEu;
  const Breakage cases[] = {
      {"FAT chain of a stream loops to itself", [](auto& b, auto& l) { PutLe32(b, l.FatEntryOffset(l.streamStart[0] + 1), l.streamStart[0]); }, XLX_ERR_READ, "loops"},
      {"FAT chain leaves the file", [](auto& b, auto& l) { PutLe32(b, l.FatEntryOffset(l.streamStart[0]), 0x7FFFFFF0); }, XLX_ERR_READ, "leaves the file"},
      {"chain ends before the stream does", [=](auto& b, auto& l) { PutLe32(b, l.FatEntryOffset(l.streamStart[0] + 2), kEnd); }, XLX_ERR_READ, "shorter than its stream"},
      {"directory chain loops", [](auto& b, auto& l) { PutLe32(b, l.FatEntryOffset(l.firstDirectorySector), l.firstDirectorySector); }, XLX_ERR_READ, "loops"},
      {"stream size beyond the file", [](auto& b, auto& l) { PutLe32(b, l.EntryOffset(1) + 120, 0x7FFFFFFF); }, XLX_ERR_READ, "stream size"},
      {"mini chain loops", [](auto& b, auto& l) { PutLe32(b, l.SectorOffset(xlxtest::GetLe32(b, 60)) + 4 * (l.streamStart[1] + 1), l.streamStart[1]); }, XLX_ERR_READ, "loops"},
      {"sector shift of 30", [](auto& b, auto&) { b[30] = 30; }, XLX_ERR_READ, "sector shift"},
      {"mini sector shift of 0", [](auto& b, auto&) { b[32] = 0; }, XLX_ERR_READ, "mini sector layout"},
      {"four billion FAT sectors", [](auto& b, auto&) { PutLe32(b, 44, 0xFFFFFFFF); }, XLX_ERR_READ, "FAT sector count"},
      {"FAT sector past the end", [](auto& b, auto&) { PutLe32(b, 76, 0x00FFFFFF); }, XLX_ERR_READ, "FAT sector past the end"},
      {"more FAT sectors than the DIFAT lists", [](auto& b, auto&) { b.resize(b.size() + 120 * 512), PutLe32(b, 44, 115), PutLe32(b, 72, 0); }, XLX_ERR_READ, "fewer FAT sectors"},
      {"DIFAT sector past the end", [](auto& b, auto&) { b.resize(b.size() + 120 * 512), PutLe32(b, 44, 115), PutLe32(b, 68, 0x00FFFFFF), PutLe32(b, 72, 1); }, XLX_ERR_READ, "DIFAT sector past"},
      {"root entry is a stream", [](auto& b, auto& l) { b[l.EntryOffset(0) + 66] = 2; }, XLX_ERR_READ, "not the root"},
      {"siblings point at each other", [](auto& b, auto& l) { PutLe32(b, l.EntryOffset(2) + 68, 1), PutLe32(b, l.EntryOffset(1) + 72, 2), b[l.EntryOffset(2)] = 'X'; }, XLX_ERR_FORMAT, "stream missing"},
      {"child index far past the directory", [](auto& b, auto& l) { PutLe32(b, l.EntryOffset(0) + 76, 0x12345678); }, XLX_ERR_FORMAT, "stream missing"},
      {"bad signature", [](auto& b, auto&) { b[3] = 0; }, XLX_ERR_READ, "signature"},
  };
  for (const Breakage& c : cases) {
    CfbLayout layout;
    std::vector<uint8_t> bytes = BuildCompoundFile(streams, 9, &layout);
    c.apply(bytes, layout);
    const auto start = std::chrono::steady_clock::now();
    std::vector<uint8_t> big, tiny;
    int32_t r = ReadNamed(bytes, u"Big", &big);
    if (r == XLX_OK) r = ReadNamed(bytes, u"Tiny", &tiny);
    EXPECT_EQ(r, c.expected) << c.what;
    EXPECT_NE(std::string(XlxLastCorruption()).find(c.check), std::string::npos) << c.what << ": " << XlxLastCorruption();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << c.what;
  }
}

TEST(CompoundFile, EveryTruncationGivesACode) {
  const std::vector<uint8_t> whole = BuildCompoundFile({{u"EncryptionInfo", Pattern(300, 1)}, {u"EncryptedPackage", Pattern(6000, 2)}});
  for (size_t n = 0; n < whole.size(); n += 97) {
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + n);
    std::vector<uint8_t> data;
    const int32_t r = ReadNamed(cut, u"EncryptedPackage", &data);
    EXPECT_TRUE(r == XLX_ERR_READ || r == XLX_ERR_FORMAT) << n << " bytes gave " << r;
  }
}

TEST(Sniffer, TellsPackagesCompoundKindsAndJunkApart) {
  const std::vector<uint8_t> zip = {'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0};
  std::vector<uint8_t> word = Pattern(5000, 0);
  word[11] = 0x01;  // encrypted flag of the file information block
  const struct {
    std::vector<uint8_t> bytes;
    int32_t result, kind;
    bool encrypted;
  } cases[] = {
      {zip, XLX_OK, kDocPackage, false},
      {BuildCompoundFile({{u"EncryptionInfo", {3, 0, 3, 0}}, {u"EncryptedPackage", {8, 0}}}), XLX_OK, kDocPackage, true},
      {BuildCompoundFile({{u"WordDocument", word}}), XLX_OK, kDocWordBinary, true},
      {BuildCompoundFile({{u"Current User", {1}}, {u"EncryptedSummary", {1}}}), XLX_OK, kDocPresentation, true},
      {BuildCompoundFile({{u"Workbook", {1}}}), XLX_OK, kDocWorkbookBinary, false},
      {BuildCompoundFile({{u"EncryptionInfo", {1}}}), XLX_ERR_FORMAT, 0, false},
      {{'J', 'U', 'N', 'K', 0, 0, 0, 0}, XLX_ERR_FORMAT, 0, false},
      {{'P', 'K'}, XLX_ERR_READ, 0, false},
  };
  for (const auto& c : cases) {
    int64_t h = VkOpenMemoryFile(c.bytes.data(), c.bytes.size());
    int32_t kind = -1;
    bool encrypted = true;
    EXPECT_EQ(SniffEncryption(h, &kind, &encrypted), c.result);
    EXPECT_EQ(kind, c.kind);
    EXPECT_EQ(encrypted, c.encrypted);
    VkCloseFile(h);
  }
}

}  // namespace
