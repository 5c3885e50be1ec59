// xlxencrypt INPUT OUTPUT PASSWORD: writes INPUT (a workbook package) to OUTPUT encrypted with
// PASSWORD as the spreadsheet application protects workbooks (agile encryption, AES-256, SHA-512).
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/encryptor.h"

namespace {

// The password as UTF-16; ASCII and two- and three-byte UTF-8 sequences.
std::u16string Utf16(const std::string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out.push_back(c);
    } else if ((c & 0xE0) == 0xC0 && i + 1 < s.size()) {
      out.push_back(static_cast<char16_t>(((c & 0x1F) << 6) | (s[i + 1] & 0x3F)));
      i += 1;
    } else if ((c & 0xF0) == 0xE0 && i + 2 < s.size()) {
      out.push_back(static_cast<char16_t>(((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F)));
      i += 2;
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: xlxencrypt INPUT OUTPUT PASSWORD\n", stderr);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "xlxencrypt: cannot read %s\n", argv[1]);
    return 1;
  }
  const std::vector<uint8_t> plain((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<uint8_t> file;
  try {
    file = xlxtest::EncryptedCompoundFile(xlxtest::EncryptAgile(plain, Utf16(argv[3])));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "xlxencrypt: %s\n", e.what());
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  if (!out) {
    std::fprintf(stderr, "xlxencrypt: cannot write %s\n", argv[2]);
    return 2;
  }
  return 0;
}
