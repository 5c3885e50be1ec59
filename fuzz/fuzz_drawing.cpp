// The drawing reader and the picture layers: the input is a sheet's drawing part, a zero byte,
// and the bytes of a picture part. They go into a workbook whose sheet also shows that picture
// as its background and as an embedded object's preview, and whose drawing part's relationships
// name the picture, a small valid picture, an SVG, the workbook part, a missing part and an
// external link; the information call and the drawing of page 1 must come through whole.
#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "tests/support/hostcalls.h"
#include "tests/support/zipbuilder.h"

namespace {

const char kRels[] = "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";

std::string Relationship(const char* id, const char* target, bool external = false) {
  return std::string("<Relationship Id=\"") + id + "\" Type=\"http://x/image\" Target=\"" + target + "\"" +
         (external ? " TargetMode=\"External\"" : "") + "/>";
}

// A 2 x 2 24-bit BMP.
std::string SmallBmp() {
  std::string b(54 + 16, '\0');
  const unsigned char head[] = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24};
  std::memcpy(&b[0], head, sizeof head);
  for (size_t i = 54; i < b.size(); ++i) b[i] = char(i * 37);
  return b;
}

std::vector<xlxtest::ZipEntry> Package(const std::string& drawing, const std::string& picture) {
  std::vector<xlxtest::ZipEntry> e = xlxtest::MinimalWorkbookEntries({"S"});
  for (xlxtest::ZipEntry& entry : e)
    if (entry.name == "xl/worksheets/sheet1.xml")
      entry.data =
          "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
          "xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\"><sheetData>"
          "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row></sheetData><drawing r:id=\"rD\"/><picture r:id=\"rP\"/>"
          "<oleObjects><oleObject r:id=\"rO\"><objectPr r:id=\"rP\"><anchor><from><xdr:col>1</xdr:col><xdr:colOff>0"
          "</xdr:colOff><xdr:row>1</xdr:row><xdr:rowOff>0</xdr:rowOff></from><to><xdr:col>3</xdr:col><xdr:colOff>0"
          "</xdr:colOff><xdr:row>4</xdr:row><xdr:rowOff>0</xdr:rowOff></to></anchor></objectPr></oleObject></oleObjects>"
          "</worksheet>";
  e.push_back({"xl/worksheets/_rels/sheet1.xml.rels",
               std::string(kRels) +
                   "<Relationship Id=\"rD\" Type=\"http://x/drawing\" Target=\"../drawings/drawing1.xml\"/>" +
                   Relationship("rP", "../media/image1.png") + "</Relationships>"});
  e.push_back({"xl/drawings/drawing1.xml", drawing, nullptr, true});
  e.push_back({"xl/drawings/_rels/drawing1.xml.rels",
               std::string(kRels) + Relationship("rId1", "../media/image1.png") +
                   Relationship("rId2", "../media/image2.svg") + Relationship("rId3", "../media/image3.bmp") +
                   Relationship("rId4", "../workbook.xml") + Relationship("rId5", "../media/missing.png") +
                   Relationship("rId6", "http://example.com/a.png", true) + "</Relationships>"});
  e.push_back({"xl/media/image1.png", picture, nullptr, true});
  e.push_back({"xl/media/image2.svg",
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"8\" height=\"4\"><rect width=\"8\" height=\"4\"/></svg>"});
  e.push_back({"xl/media/image3.bmp", SmallBmp(), nullptr, true});
  return e;
}

int32_t Deliver(_FILEINFO*, _BITMAPHANDLE*, const uint8_t*, uint32_t, int32_t, int32_t, uint64_t) { return 1; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  const char* text = reinterpret_cast<const char*>(data);
  const char* split = static_cast<const char*>(std::memchr(text, 0, size));
  const std::string drawing(text, split ? split : text + size);
  const std::string picture = split ? std::string(split + 1, text + size) : std::string();
  const std::string path = xlxtest::WriteTempFile(xlxtest::BuildZip(Package(drawing, picture)));
  if (path.empty()) return 0;
  {
    xlxtest::HostCall call(path, xlxtest::HostRequest{1, 0, 0, 24});
    if (call.Info() == 1) call.Load(Deliver, nullptr);
  }
  unlink(path.c_str());
  return 0;
}
