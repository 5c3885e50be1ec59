// Password-protected workbooks. Makes a workbook whose package is about 20 MB (a sheet of
// 88,000 rows x 20 columns of numbers that do not compress away), encrypts it as the spreadsheet
// application does (agile, AES-256, SHA-512, 100,000 spins, integrity HMAC), and measures:
//  1. the info call on the encrypted file (decryption + parse + paginate) against the same call
//     on the plain file;
//  2. the decryption alone (key derivation, 20 MB of segments and the HMAC) against reading the
//     plain package from disk.
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/benchsupport.h"
#include "filter/xlxfilter.h"
#include "host/kernel/vkkrnx.h"
#include "package/decrypter.h"
#include "tests/support/encryptor.h"

using namespace xlxbench;

namespace {

const char* const kNs = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
const char* const kRelNs = "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"";

std::string SheetXml(int rows) {
  std::string x = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet ") + kNs + "><sheetData>";
  char buf[160];
  uint32_t seed = 12345;
  for (int r = 1; r <= rows; ++r) {
    x += "<row r=\"" + std::to_string(r) + "\">";
    for (int c = 0; c < 20; ++c) {
      seed = seed * 1103515245u + 12345u;  // values that do not compress away
      std::snprintf(buf, sizeof buf, "<c r=\"%c%d\"><v>%u.%u</v></c>", 'A' + c, r, seed >> 8, seed & 0xFFF);
      x += buf;
    }
    x += "</row>";
  }
  return x + "</sheetData></worksheet>";
}

std::vector<uint8_t> BuildPackage(const std::string& path, int rows) {
  const std::vector<std::pair<std::string, std::string>> parts = {
      {"[Content_Types].xml", "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
      {"_rels/.rels", std::string("<?xml version=\"1.0\"?><Relationships ") + kRelNs +
                          "><Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                          "relationships/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/workbook.xml", std::string("<?xml version=\"1.0\"?><workbook ") + kNs +
                              " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
                              "<sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       std::string("<?xml version=\"1.0\"?><Relationships ") + kRelNs +
           "><Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
           "worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
      {"xl/worksheets/sheet1.xml", SheetXml(rows)},
  };
  xlxbench::WriteZip(path, parts);
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

double Inches(double v, int32_t, uint32_t, uint32_t, uint32_t, uint32_t) { return v; }

// One fltInfo on a fresh holder (so nothing is reused), released at once. Seconds, or -1.
double TimeInfo(const std::string& path, const char* password) {
  const std::u16string path16(path.begin(), path.end());
  FilterDataHolder holder{};
  _FILEINFO fi{};
  fi.uStructSize = sizeof fi;
  _LOADFILEOPTION lfo{};
  lfo.nPageNumber = 1;
  _INFODISPATCH d;
  std::memset(&d, 0, sizeof d);
  d.pszFileName = path16.c_str();
  d.hFile = VkOpenFile(path16.c_str(), VK_OPEN_READ, 0);
  d.pFileInfo = &fi;
  d.pFilterData = &holder;
  d.pLoadFileOption = &lfo;
  d.dispatchRasterizeDocOptions.uStructSize = 68;
  d.dispatchRasterizeDocOptions.uXResolution = d.dispatchRasterizeDocOptions.uYResolution = 96;
  d.dispatchRasterizeDocOptions.uUnit = 1;
  d.pfnUnitConverter = Inches;
  d.uPasswordSource = reinterpret_cast<uint64_t>(password);
  const double start = NowSeconds();
  const int32_t r = fltInfo(&d);
  const double took = NowSeconds() - start;
  VkCloseFile(d.hFile);
  if (holder.pData) fltFreeData(holder.pData, 0);
  if (r != 1) std::fprintf(stderr, "info failed with %d\n", r);
  return r == 1 ? took : -1;
}

double Best(int runs, const std::function<double()>& f) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) best = std::min(best, f());
  return best;
}

}  // namespace

int main() {
  const std::string dir = "/tmp/xlxbench_decrypt" + std::to_string(getpid());
  std::string cmd = "mkdir -p " + dir;
  if (system(cmd.c_str()) != 0) return 1;
  const std::string plainPath = dir + "/plain.xlsx", encryptedPath = dir + "/encrypted.xlsx";
  const std::vector<uint8_t> plain = BuildPackage(plainPath, 88000);
  xlxtest::AgileOptions options;  // AES-256, SHA-512, 100,000 spins, integrity
  const std::vector<uint8_t> encrypted =
      xlxtest::EncryptedCompoundFile(xlxtest::EncryptAgile(plain, u"benchmark", options));
  std::ofstream(encryptedPath, std::ios::binary).write(reinterpret_cast<const char*>(encrypted.data()),
                                                       static_cast<std::streamsize>(encrypted.size()));
  std::printf("package %s, encrypted file %s\n", Megabytes(plain.size()).c_str(), Megabytes(encrypted.size()).c_str());

  // Alternated, best of three each, so that a busy machine weighs on both alike.
  double plainInfo = 1e30, encryptedInfo = 1e30;
  for (int i = 0; i < 3; ++i) {
    plainInfo = std::min(plainInfo, TimeInfo(plainPath, nullptr));
    encryptedInfo = std::min(encryptedInfo, TimeInfo(encryptedPath, "benchmark"));
  }
  Report("info call on a " + Megabytes(plain.size()) + " package, encrypted vs plain", Seconds(encryptedInfo),
         Seconds(plainInfo), encryptedInfo / plainInfo);

  // The decryption alone, to a temporary package, against reading the plain package.
  const double decrypt = Best(3, [&] {
    int64_t h = VkOpenMemoryFile(encrypted.data(), encrypted.size());
    char16_t temp[xlx::kTempPathUnits];
    const double start = NowSeconds();
    const int32_t r = xlx::DecryptToTempFile(h, xlx::kRequestSpreadsheet, reinterpret_cast<uint64_t>("benchmark"),
                                             nullptr, temp);
    const double took = NowSeconds() - start;
    VkCloseFile(h);
    if (r == 1) VkDeleteFile(temp);
    return r == 1 ? took : -1;
  });
  const double read = Best(3, [&] {
    const double start = NowSeconds();
    std::ifstream in(plainPath, std::ios::binary);
    std::vector<char> bytes(plain.size());
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return NowSeconds() - start;
  });
  Report("decryption of that package to a temporary file (100,000 spins, HMAC)", Seconds(decrypt),
         "info call on the plain file " + Seconds(plainInfo), decrypt / plainInfo);
  Report("reading the plain package from disk", Seconds(read), "", 0);
  cmd = "rm -rf " + dir;
  return system(cmd.c_str()) == 0 ? 0 : 1;
}
