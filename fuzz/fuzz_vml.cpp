// The legacy drawing readers and their drawing: the input is a sheet's VML part, a zero byte, and
// the sheet's comments part. The sheet has cells the controls may link to and a picture the VML
// may name; the information call and the drawing of page 1 must come through whole, on screen
// pages and on printed pages that show the notes.
#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "tests/support/hostcalls.h"
#include "tests/support/zipbuilder.h"

namespace {

const char kRels[] = "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";

std::vector<xlxtest::ZipEntry> Package(const std::string& vml, const std::string& comments) {
  std::vector<xlxtest::ZipEntry> e = xlxtest::MinimalWorkbookEntries({"S"});
  for (xlxtest::ZipEntry& entry : e)
    if (entry.name == "xl/worksheets/sheet1.xml")
      entry.data =
          "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheetData>"
          "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\" t=\"b\"><v>1</v></c></row>"
          "<row r=\"2\"><c r=\"A2\" t=\"e\"><v>#N/A</v></c><c r=\"B2\" t=\"inlineStr\"><is><t>x</t></is></c></row>"
          "</sheetData><pageSetup cellComments=\"asDisplayed\"/><legacyDrawing r:id=\"rV\"/></worksheet>";
  e.push_back({"xl/worksheets/_rels/sheet1.xml.rels",
               std::string(kRels) + "<Relationship Id=\"rV\" Type=\"http://x/vmlDrawing\" Target=\"../drawings/v1.vml\"/>" +
                   "<Relationship Id=\"rC\" Type=\"http://x/comments\" Target=\"../comments1.xml\"/></Relationships>"});
  e.push_back({"xl/drawings/v1.vml", vml, nullptr, true});
  e.push_back({"xl/drawings/_rels/v1.vml.rels",
               std::string(kRels) + "<Relationship Id=\"rId1\" Type=\"http://x/image\" Target=\"../media/image1.svg\"/>" +
                   "<Relationship Id=\"rId2\" Type=\"http://x/image\" Target=\"../workbook.xml\"/></Relationships>"});
  e.push_back({"xl/comments1.xml", comments, nullptr, true});
  e.push_back({"xl/media/image1.svg",
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"8\" height=\"4\"><rect width=\"8\" height=\"4\"/></svg>"});
  return e;
}

int32_t Deliver(_FILEINFO*, _BITMAPHANDLE*, const uint8_t*, uint32_t, int32_t, int32_t, uint64_t) { return 1; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  const char* text = reinterpret_cast<const char*>(data);
  const char* split = static_cast<const char*>(std::memchr(text, 0, size));
  const std::string vml(text, split ? split : text + size);
  const std::string comments = split ? std::string(split + 1, text + size) : std::string();
  const std::string path = xlxtest::WriteTempFile(xlxtest::BuildZip(Package(vml, comments)));
  if (path.empty()) return 0;
  for (uint32_t flags : {0u, 0x80u}) {
    xlxtest::HostCall call(path, xlxtest::HostRequest{1, 0, flags, 24});
    if (call.Info() == 1) call.Load(Deliver, nullptr);
  }
  unlink(path.c_str());
  return 0;
}
