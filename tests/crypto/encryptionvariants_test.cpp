// Protected packages as different writers produce them: agile descriptors with a byte-order
// mark, a trailing NUL, other namespace prefixes, extra key encryptors and every key size and
// hash; standard packages whose encrypted stream runs past the last block the package needs.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"
#include "package/decrypter.h"
#include "tests/support/encryptor.h"
#include "tests/support/zipbuilder.h"

using namespace xlx;
using xlxtest::AgileOptions;
using xlxtest::EncryptedStreams;

namespace {

std::vector<uint8_t> Workbook() {
  return xlxtest::BuildZip({{"[Content_Types].xml", "<Types/>"}, {"xl/workbook.xml", "<workbook/>"},
                            {"xl/pad.bin", std::string(9000, 'p'), nullptr, true}});
}

// Decrypts with DecryptPackage into a memory-backed temporary file; the plain bytes on success.
int32_t Decrypt(const EncryptedStreams& s, const std::u16string& password, std::vector<uint8_t>* plain) {
  const std::vector<uint8_t> file = xlxtest::EncryptedCompoundFile(s);
  int64_t in = VkOpenMemoryFile(file.data(), file.size());
  char path[] = "/tmp/xlxvariantXXXXXX";
  const int fd = mkstemp(path);
  close(fd);
  const std::u16string wide(path, path + sizeof path - 1);
  int64_t out = VkOpenFile(wide.c_str(), VK_OPEN_WRITE | VK_OPEN_TRUNCATE, 0600);
  const int32_t r = DecryptPackage(in, password, out);
  VkCloseFile(out);
  VkCloseFile(in);
  FILE* f = fopen(path, "rb");
  plain->clear();
  for (int c; f && (c = fgetc(f)) != EOF;) plain->push_back(static_cast<uint8_t>(c));
  if (f) fclose(f);
  unlink(path);
  return r;
}

// The descriptor text of an agile EncryptionInfo stream, edited in place.
using DescriptorEdit = std::function<std::string(std::string)>;

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) s.replace(at, from.size(), to);
  return s;
}

void EditDescriptor(EncryptedStreams& s, const DescriptorEdit& edit) {
  const std::string text = edit(std::string(s.info.begin() + 8, s.info.end()));
  s.info.resize(8);
  s.info.insert(s.info.end(), text.begin(), text.end());
}

const char kCertificateEncryptor[] =
    "<keyEncryptor uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/certificate\">"
    "<c:encryptedKey xmlns:c=\"http://schemas.microsoft.com/office/2006/keyEncryptor/certificate\" "
    "encryptedKeyValue=\"AAECAwQFBgcICQoLDA0ODw==\" X509Certificate=\"MIIBAA==\" certVerifier=\"AAEC\"/>"
    "</keyEncryptor>";

TEST(AgileDescriptor, EveryVariantTheFormatAllowsOpens) {
  const struct {
    const char* what;
    DescriptorEdit edit;
  } variants[] = {
      {"as written", [](std::string s) { return s; }},
      {"a byte-order mark", [](std::string s) { return "\xEF\xBB\xBF" + s; }},
      {"a trailing NUL", [](std::string s) { return s + '\0'; }},
      {"a byte-order mark and a trailing NUL", [](std::string s) { return "\xEF\xBB\xBF" + s + '\0'; }},
      {"no XML declaration", [](std::string s) { return s.substr(s.find("<encryption")); }},
      {"every element prefixed",
       [](std::string s) {
         s = ReplaceAll(s, "<encryption xmlns=", "<e:encryption xmlns:e=");
         for (const char* name : {"keyData", "dataIntegrity", "keyEncryptors", "keyEncryptor", "encryption"}) {
           s = ReplaceAll(s, std::string("<") + name + " ", std::string("<e:") + name + " ");
           s = ReplaceAll(s, std::string("<") + name + ">", std::string("<e:") + name + ">");
           s = ReplaceAll(s, std::string("</") + name + ">", std::string("</e:") + name + ">");
         }
         return s;
       }},
      {"the password key in the default namespace",
       [](std::string s) {
         return ReplaceAll(s, "<p:encryptedKey ",
                           "<encryptedKey xmlns=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\" ");
       }},
      {"a certificate encryptor first",
       [](std::string s) { return ReplaceAll(s, "<keyEncryptors>", std::string("<keyEncryptors>") + kCertificateEncryptor); }},
      {"a certificate encryptor last",
       [](std::string s) { return ReplaceAll(s, "</keyEncryptors>", std::string(kCertificateEncryptor) + "</keyEncryptors>"); }},
      {"no dataIntegrity",
       [](std::string s) { return s.erase(s.find("<dataIntegrity"), s.find("<keyEncryptors>") - s.find("<dataIntegrity")); }},
      {"unknown elements, comments and line breaks",
       [](std::string s) {
         s = ReplaceAll(s, "<keyEncryptors>", "<!-- keys -->\r\n<future a=\"1\"><x/></future>\n<keyEncryptors>");
         return ReplaceAll(s, "</keyEncryptors>", "</keyEncryptors>\n\t<extension/>\n");
       }},
      {"padding after the descriptor", [](std::string s) { return s + std::string(64, '\0'); }},
      {"UTF-16 with its byte-order mark",
       [](std::string s) {
         s = ReplaceAll(s, "encoding=\"UTF-8\"", "encoding=\"UTF-16\"");
         std::string wide = "\xFF\xFE";
         for (char c : s) wide += c, wide += '\0';
         return wide;
       }},
  };
  const std::vector<uint8_t> zip = Workbook();
  AgileOptions o;
  o.spinCount = 10;
  const EncryptedStreams good = xlxtest::EncryptAgile(zip, u"pw", o);
  for (const auto& v : variants) {
    EncryptedStreams s = good;
    EditDescriptor(s, v.edit);
    std::vector<uint8_t> plain;
    EXPECT_EQ(Decrypt(s, u"pw", &plain), XLX_OK) << v.what;
    EXPECT_EQ(plain, zip) << v.what;
  }
}

TEST(AgileDescriptor, EveryKeySizeWithEveryHashOpens) {
  const std::vector<uint8_t> zip = Workbook();
  for (uint32_t bits : {128u, 192u, 256u}) {
    for (const char* hash : {"SHA1", "SHA256", "SHA384", "SHA512"}) {
      AgileOptions o;
      o.keyBits = bits;
      o.opensslCipher = "AES-" + std::to_string(bits) + "-CBC";
      o.hash = hash;
      o.spinCount = 10;
      std::vector<uint8_t> plain;
      EXPECT_EQ(Decrypt(xlxtest::EncryptAgile(zip, u"pw", o), u"pw", &plain), XLX_OK) << bits << " " << hash;
      EXPECT_EQ(plain, zip) << bits << " " << hash;
    }
  }
}

TEST(StandardPackage, BytesPastTheDeclaredSizeAreIgnoredAndAShortStreamIsRefused) {
  const std::vector<uint8_t> zip = Workbook();
  const EncryptedStreams good = xlxtest::EncryptStandard(zip, u"pw", 128, 4, 0x660E);
  for (size_t tail : {1u, 7u, 16u, 100u, 4099u}) {
    EncryptedStreams s = good;
    for (size_t i = 0; i < tail; ++i) s.package.push_back(static_cast<uint8_t>(i * 37));
    std::vector<uint8_t> plain;
    EXPECT_EQ(Decrypt(s, u"pw", &plain), XLX_OK) << tail;
    EXPECT_EQ(plain, zip) << tail;
  }
  EncryptedStreams cut = good;
  cut.package.resize(cut.package.size() - 9);
  std::vector<uint8_t> plain;
  EXPECT_EQ(Decrypt(cut, u"pw", &plain), XLX_ERR_FORMAT);
}

}  // namespace
