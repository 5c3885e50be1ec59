// Decryption of password-protected packages: the corpus files with their passwords, packages
// encrypted here with every supported cipher, chaining and hash, broken and unsupported ones,
// the drivers' password handling, and temporary files that never outlive their use.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <glob.h>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

#include "common/apiutils.h"
#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"
#include "package/cryptolib.h"
#include "package/decrypter.h"
#include "package/xlsxunzip.h"
#include "tests/support/cfbwriter.h"
#include "tests/support/encryptor.h"
#include "tests/support/hostcalls.h"
#include "tests/support/testsupport.h"
#include "tests/support/zipbuilder.h"

using namespace xlx;
using xlxtest::AgileOptions;
using xlxtest::EncryptedStreams;

namespace {

// The password of each encrypted corpus file, from the corpus manifest.
std::vector<std::pair<std::string, std::string>> CorpusPasswords() {
  std::vector<std::pair<std::string, std::string>> out;
  std::ifstream in(xlxtest::CorpusDir() + "/MANIFEST.tsv");
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> cols;
    std::stringstream row(line);
    for (std::string col; std::getline(row, col, '\t');) cols.push_back(col);
    if (cols.size() > 5 && cols[0].rfind("encrypted/", 0) == 0) out.emplace_back(cols[0], cols[5]);
  }
  return out;
}

std::vector<uint8_t> SmallWorkbook(size_t padding = 0) {
  return xlxtest::BuildZip({{"[Content_Types].xml", "<Types/>"}, {"xl/workbook.xml", "<workbook/>"},
                            {"xl/pad.bin", std::string(padding, 'p'), nullptr, true}});
}

// Files in the host's private temporary folders.
size_t TempFolderFiles() {
  const char* base = getenv("TMPDIR");
  glob_t found{};
  glob(((base && *base ? std::string(base) : "/tmp") + "/xlxhost-*/*").c_str(), 0, nullptr, &found);
  const size_t count = found.gl_pathc;
  globfree(&found);
  return count;
}

// Decrypts file bytes through the drivers' step; the plain package when it succeeds.
int32_t DecryptBytes(const std::vector<uint8_t>& file, const char* password, std::vector<uint8_t>* plain,
                     _INFODISPATCH* info = nullptr) {
  int64_t h = VkOpenMemoryFile(file.data(), file.size());
  char16_t path[kTempPathUnits];
  int32_t r = DecryptToTempFile(h, kRequestSpreadsheet, reinterpret_cast<uint64_t>(password), info, path);
  VkCloseFile(h);
  if (r != XLX_OK) {
    EXPECT_EQ(path[0], 0) << "no path without a package";
    return r;
  }
  struct stat st;
  EXPECT_EQ(stat(Utf16ToUtf8(path).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  if (plain) *plain = xlxtest::ReadWholeFile(Utf16ToUtf8(path));
  EXPECT_EQ(VkDeleteFile(path), XLX_OK);
  return r;
}

TEST(Decrypter, EveryCorpusFileOpensWithItsPasswordAndOnlyWithIt) {
  const auto files = CorpusPasswords();
  if (files.empty()) GTEST_SKIP() << "no corpus";
  for (const auto& [name, password] : files) {
    const std::vector<uint8_t> bytes = xlxtest::ReadWholeFile(xlxtest::CorpusDir() + "/" + name);
    std::vector<uint8_t> plain;
    ASSERT_EQ(DecryptBytes(bytes, password.c_str(), &plain), XLX_OK) << name;
    ASSERT_GT(plain.size(), 4u);
    EXPECT_EQ(plain[0], 'P') << name;
    // The default password opens write-protected files whatever the user types.
    const bool byDefault = password == "VelvetSweatshop";
    EXPECT_EQ(DecryptBytes(bytes, "wrong", nullptr), byDefault ? XLX_OK : XLX_ERR_WRONG_PASSWORD) << name;
    EXPECT_EQ(DecryptBytes(bytes, nullptr, nullptr), byDefault ? XLX_OK : XLX_ERR_NO_PASSWORD) << name;
  }
  // The plain twin of one encrypted file is its exact decryption.
  std::vector<uint8_t> plain;
  ASSERT_EQ(DecryptBytes(xlxtest::ReadWholeFile(xlxtest::CorpusDir() + "/encrypted/msoffcrypto__example_password.xlsx"),
                         "Password1234_", &plain), XLX_OK);
  EXPECT_EQ(plain, xlxtest::ReadWholeFile(xlxtest::CorpusDir() + "/xlsx/msoffcrypto__example.xlsx"));
}

TEST(Decrypter, AgileAndStandardRoundTripsForEveryCipherChainingHashAndSize) {
  const AgileOptions aes128{"AES", "AES-128-CBC", 128, 16, "ChainingModeCBC", "SHA1", 1000};
  const AgileOptions aes192cfb{"AES", "AES-192-CFB8", 192, 16, "ChainingModeCFB", "SHA384", 1000};
  const AgileOptions aes256md5{"AES", "AES-256-CBC", 256, 16, "ChainingModeCBC", "MD5", 1000, false};
  const AgileOptions des3{"3DES", "DES-EDE3-CBC", 192, 8, "ChainingModeCBC", "SHA256", 1000};
  // A package of exactly two segments needs no third; one byte more does.
  for (size_t padding : {0u, 4096u * 3, 7000u}) {
    std::vector<uint8_t> zip = SmallWorkbook(padding);
    for (size_t exact : {zip.size(), (zip.size() + 4095) / 4096 * 4096}) {
      zip.resize(exact, 0);
      for (const AgileOptions& o : {aes128, aes192cfb, aes256md5, des3}) {
        std::vector<uint8_t> plain;
        EXPECT_EQ(DecryptBytes(EncryptedCompoundFile(EncryptAgile(zip, u"pässwörd", o)), "pässwörd", &plain), XLX_OK)
            << o.opensslCipher << " " << zip.size();
        EXPECT_EQ(plain, zip) << o.opensslCipher << " " << zip.size();
      }
      for (uint16_t major : {2, 3, 4}) {
        std::vector<uint8_t> plain;
        EXPECT_EQ(DecryptBytes(EncryptedCompoundFile(xlxtest::EncryptStandard(zip, u"pw", 256, major, 0x6610)), "pw", &plain),
                  XLX_OK);
        EXPECT_EQ(plain, zip) << "standard " << major << ".2";
      }
    }
  }
}

std::string Replace(std::string s, const std::string& from, const std::string& to) {
  const size_t at = s.find(from);
  return at == std::string::npos ? s : s.replace(at, from.size(), to);
}

// Damage to the streams of a good package, and the code it must give.
struct Damage {
  const char* what;
  std::function<void(EncryptedStreams&)> apply;
  int32_t expected;
};

TEST(Decrypter, DamagedAndUnsupportedPackagesGiveTheirCodes) {
  const std::vector<uint8_t> zip = SmallWorkbook(9000);
  auto xml = [](const char* from, const char* to) {
    return [=](EncryptedStreams& s) {
      std::string text(s.info.begin(), s.info.end());
      text = Replace(text, from, to);
      s.info.assign(text.begin(), text.end());
    };
  };
  const Damage cases[] = {
      {"one flipped byte of the package", [](EncryptedStreams& s) { s.package.at(5000) ^= 1; }, XLX_ERR_FORMAT},
      {"a forged integrity value", xml("encryptedHmacValue=\"", "encryptedHmacValue=\"AAAA"), XLX_ERR_FORMAT},
      {"plain size beyond the stream", [](EncryptedStreams& s) { s.package[3] = 0x10; }, XLX_ERR_FORMAT},
      {"last segment cut short", [](EncryptedStreams& s) { s.package.resize(s.package.size() - 16); }, XLX_ERR_FORMAT},
      {"unknown cipher", xml("cipherAlgorithm=\"AES\"", "cipherAlgorithm=\"Twofish\""), XLX_ERR_UNSUPPORTED_ENCRYPTION},
      {"unknown hash", xml("hashAlgorithm=\"SHA512\"", "hashAlgorithm=\"SHA3\""), XLX_ERR_UNSUPPORTED_ENCRYPTION},
      {"extensible encryption 3.3", [](EncryptedStreams& s) { s.info[0] = 3, s.info[2] = 3; }, XLX_ERR_UNSUPPORTED_ENCRYPTION},
      {"spin count that is not a number", xml("spinCount=\"1000\"", "spinCount=\"1e3\""), XLX_ERR_FORMAT},
      {"spin count over the format's ceiling", xml("spinCount=\"1000\"", "spinCount=\"10000001\""), XLX_ERR_FORMAT},
      {"no keyData", xml("<keyData ", "<keyDatum "), XLX_ERR_FORMAT},
      {"salt that is not Base64", xml("saltValue=\"", "saltValue=\"!"), XLX_ERR_FORMAT},
      {"descriptor that is not XML", xml("<encryption", "<<"), XLX_ERR_FORMAT},
      {"key size the cipher does not have", xml("keyBits=\"256\"", "keyBits=\"200\""), XLX_ERR_UNSUPPORTED_ENCRYPTION},
  };
  AgileOptions o;
  o.spinCount = 1000;
  const EncryptedStreams good = EncryptAgile(zip, u"pw", o);
  for (const Damage& c : cases) {
    EncryptedStreams s = good;
    c.apply(s);
    EXPECT_EQ(DecryptBytes(EncryptedCompoundFile(s), "pw", nullptr), c.expected) << c.what;
  }
  const auto rc4 = xlxtest::EncryptStandard(zip, u"pw", 128, 3, 0x6801);
  EXPECT_EQ(DecryptBytes(EncryptedCompoundFile(rc4), "pw", nullptr), XLX_ERR_UNSUPPORTED_ENCRYPTION);
}

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) s.replace(at, from.size(), to);
  return s;
}

// Descriptors as other writers make them open like ours; so does a standard package whose stream
// runs past the last block its declared size needs.
TEST(Decrypter, DescriptorVariantsAndStandardStreamsWithATailOpen) {
  const std::string cert = "<keyEncryptor uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/certificate\">"
                           "<c:encryptedKey xmlns:c=\"urn:c\" encryptedKeyValue=\"AAEC\" X509Certificate=\"AAEC\"/></keyEncryptor>";
  const std::function<std::string(std::string)> variants[] = {
      [](std::string s) { return "\xEF\xBB\xBF" + s + '\0'; },  // byte-order mark and a trailing NUL
      [](std::string s) {                                      // UTF-16
        std::string wide = "\xFF\xFE";
        for (char c : ReplaceAll(s, "UTF-8", "UTF-16")) wide += c, wide += '\0';
        return wide;
      },
      [](std::string s) {  // other prefixes: e: on the descriptor's elements, none on the password key
        for (const char* name : {"encryption", "keyData", "dataIntegrity", "keyEncryptors", "keyEncryptor"})
          for (const char* end : {" ", ">"}) s = ReplaceAll(s, std::string("<") + name + end, std::string("<e:") + name + end);
        for (const char* name : {"encryption", "keyEncryptors", "keyEncryptor"})
          s = ReplaceAll(s, std::string("</") + name + ">", std::string("</e:") + name + ">");
        s = ReplaceAll(s, "<e:encryption xmlns=", "<e:encryption xmlns:e=");
        return ReplaceAll(s, "<p:encryptedKey ", "<encryptedKey xmlns=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\" ");
      },
      [&](std::string s) { return ReplaceAll(s, "<keyEncryptors>", "<keyEncryptors>" + cert); },
      [&](std::string s) { return ReplaceAll(s, "</keyEncryptors>", cert + "</keyEncryptors>"); },
  };
  const std::vector<uint8_t> zip = SmallWorkbook(9000);
  AgileOptions o{"AES", "AES-192-CBC", 192, 16, "ChainingModeCBC", "SHA384", 10};
  const EncryptedStreams good = EncryptAgile(zip, u"pw", o);
  for (size_t i = 0; i < std::size(variants); ++i) {
    EncryptedStreams s = good;
    const std::string text = variants[i](std::string(s.info.begin() + 8, s.info.end()));
    s.info.resize(8);
    s.info.insert(s.info.end(), text.begin(), text.end());
    std::vector<uint8_t> plain;
    EXPECT_EQ(DecryptBytes(EncryptedCompoundFile(s), "pw", &plain), XLX_OK) << "variant " << i;
    EXPECT_EQ(plain, zip) << "variant " << i;
  }
  for (size_t tail : {1u, 7u, 16u, 4099u}) {
    EncryptedStreams s = xlxtest::EncryptStandard(zip, u"pw", 128, 4, 0x660E);
    s.package.insert(s.package.end(), tail, 0x5A);
    std::vector<uint8_t> plain;
    EXPECT_EQ(DecryptBytes(EncryptedCompoundFile(s), "pw", &plain), XLX_OK) << tail;
    EXPECT_EQ(plain, zip) << tail;
  }
}

TEST(Decrypter, InfoDispatchGetsTheReasonAndTheKindOfAForeignPackageAndAMissingLibraryFailsAll) {
  const std::vector<uint8_t> doc = xlxtest::BuildZip({{"word/document.xml", "<w:document/>"}});
  AgileOptions o;
  o.spinCount = 10;
  const struct {
    std::vector<uint8_t> file;
    const char* password;
    int32_t error, kind;
  } cases[] = {
      {EncryptedCompoundFile(EncryptAgile(SmallWorkbook(), u"pw", o)), "no", XLX_ERR_WRONG_PASSWORD, 0},
      {EncryptedCompoundFile(EncryptAgile(SmallWorkbook(), u"pw", o)), nullptr, XLX_ERR_NO_PASSWORD, 0},
      {EncryptedCompoundFile(EncryptAgile(doc, u"pw", o)), "pw", XLX_ERR_OTHER_KIND, 99},
      {EncryptedCompoundFile(EncryptAgile(SmallWorkbook(), u"pw", o)), "\xC3(", XLX_ERR_PASSWORD_TEXT, 0},
  };
  for (const auto& c : cases) {
    _INFODISPATCH info{};
    EXPECT_EQ(DecryptBytes(c.file, c.password, nullptr, &info), XLX_ERR_DECRYPT);
    EXPECT_EQ(info.nDecryptError, c.error);
    EXPECT_EQ(info.nProtectionKind, c.kind);
  }
  SetCryptoLibraryForTesting("/nonexistent/libcrypto.so.3");
  EXPECT_EQ(DecryptBytes(cases[0].file, "pw", nullptr), XLX_ERR_NO_CRYPTO);
  SetCryptoLibraryForTesting(nullptr);
  EXPECT_EQ(DecryptBytes(cases[0].file, "pw", nullptr), XLX_OK);
}

// ---- through the filter's entry points --------------------------------------------------------

int32_t CountRow(_FILEINFO*, _BITMAPHANDLE*, const uint8_t*, uint32_t, int32_t, int32_t, uint64_t user) {
  ++*reinterpret_cast<int*>(user);
  return 1;
}

TEST(EncryptedWorkbook, IsDecryptedOncePerCachedFileAndLeavesNoFileBehind) {
  const std::string path = xlxtest::CorpusDir() + "/encrypted/edr__TestExcel_2040.xlsx";
  if (access(path.c_str(), R_OK) != 0) GTEST_SKIP() << "no corpus";
  const size_t filesBefore = TempFolderFiles();
  const uint64_t before = DecryptionCount();
  {
    xlxtest::HostCall call(path, xlxtest::HostRequest{1, 0x01, 1});
    ASSERT_EQ(call.Info(), XLX_OK);
    EXPECT_EQ(call.info().uTotalPages, 3u);
    for (int32_t page : {1, 2, 3}) {
      call.set_page(page);
      int rows = 0;
      EXPECT_EQ(call.Load(CountRow, &rows), XLX_OK);
      EXPECT_EQ(rows, static_cast<int>(call.info().uHeight));
    }
    EXPECT_EQ(DecryptionCount(), before + 1);
  }
  EXPECT_EQ(TempFolderFiles(), filesBefore);
}

TEST(EncryptedWorkbook, XlxrenderExitCodesMessagesAndPasswordSources) {
  const std::string file = xlxtest::CorpusDir() + "/encrypted/msoffcrypto__example_password.xlsx";
  if (access(file.c_str(), R_OK) != 0) GTEST_SKIP() << "no corpus";
  const std::string tool = std::string(XLX_BINARY_DIR) + "/tools/xlxrender/xlxrender";
  const std::string dir = "/tmp/xlxcrypto" + std::to_string(getpid());
  ASSERT_EQ(system(("mkdir -p " + dir + " && printf 'Password1234_\\r\\nnext' > " + dir + "/pw").c_str()), 0);
  const struct {
    std::string args, env;
    int status;
    const char* message;
  } cases[] = {
      {"--info", "", 3, "password is required"},
      {"--info --password nope", "", 3, "wrong password"},
      {"--info --password-file " + dir + "/pw", "", 0, "pages: 1"},
      {"--metadata", "XLX_PASSWORD=Password1234_ ", 0, "create_date: 05/13/2018"},
      {"--metadata --password nope", "XLX_PASSWORD=Password1234_ ", 3, "wrong password"},
  };
  for (const auto& c : cases) {
    const std::string out = dir + "/out.txt";
    const int raw = system((c.env + tool + " " + c.args + " " + file + " > " + out + " 2>&1").c_str());
    EXPECT_EQ(WEXITSTATUS(raw), c.status) << c.args;
    const std::vector<uint8_t> text = xlxtest::ReadWholeFile(out);
    EXPECT_NE(std::string(text.begin(), text.end()).find(c.message), std::string::npos) << c.args;
  }
  // A process that dies while it holds a decrypted package leaves nothing in the temporary folder:
  // no file, and no folder of its own.
  const std::string tmp = dir + "/tmp";
  ASSERT_EQ(mkdir(tmp.c_str(), 0700), 0);
  const pid_t child = fork();
  if (child == 0) {
    setenv("TMPDIR", tmp.c_str(), 1);
    std::vector<uint8_t> bytes = xlxtest::ReadWholeFile(file);
    int64_t h = VkOpenMemoryFile(bytes.data(), bytes.size());
    char16_t path[kTempPathUnits];
    if (DecryptToTempFile(h, kRequestSpreadsheet, reinterpret_cast<uint64_t>("Password1234_"), nullptr, path) == 1)
      abort();
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status)) << "the child decrypted, then crashed";
  glob_t left{};
  glob((tmp + "/*").c_str(), GLOB_PERIOD, nullptr, &left);
  size_t entries = 0;
  for (size_t i = 0; i < left.gl_pathc; ++i) {
    const std::string name = left.gl_pathv[i];
    if (name.substr(name.size() - 2) != "/." && name.substr(name.size() - 3) != "/..") ++entries;
  }
  globfree(&left);
  EXPECT_EQ(entries, 0u) << tmp;
  system(("rm -rf " + dir).c_str());
}

// A protected workbook's header prints the name of the file the user opened, not of its
// decrypted stand-in: its page equals the plain copy's of the same name and differs from a copy
// named otherwise.
TEST(EncryptedWorkbook, HeadersNameTheFileOpenedNotItsDecryptedCopy) {
  const std::string tool = std::string(XLX_BINARY_DIR) + "/tools/xlxrender/xlxrender";
  const std::string dir = "/tmp/xlxcryptoname" + std::to_string(getpid());
  const std::vector<uint8_t> plain = xlxtest::ReadWholeFile(std::string(XLX_SOURCE_DIR) + "/tests/fixtures/render/print_name.xlsx");
  const std::vector<uint8_t> locked = xlxtest::EncryptedCompoundFile(xlxtest::EncryptAgile(plain, u"pw", {"AES", "AES-128-CBC", 128, 16, "ChainingModeCBC", "SHA1", 1000}));
  ASSERT_EQ(system(("mkdir -p " + dir + "/plain " + dir + "/crypt").c_str()), 0);
  std::vector<std::vector<uint8_t>> pages;
  for (const auto& [file, bytes] : {std::make_pair("/plain/book.xlsx", &plain), std::make_pair("/crypt/book.xlsx", &locked),
                                    std::make_pair("/plain/other.xlsx", &plain)}) {
    const std::string path = dir + file;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    EXPECT_EQ(system((tool + " -q --password pw " + path + " " + path + "-page").c_str()), 0) << file;
    pages.push_back(xlxtest::ReadWholeFile(path + "-page-1.png"));
  }
  EXPECT_FALSE(pages[0].empty());
  EXPECT_EQ(pages[0], pages[1]) << "the protected copy prints the same name";
  EXPECT_NE(pages[0], pages[2]) << "the header prints the file's name";
  system(("rm -rf " + dir).c_str());
}

}  // namespace
