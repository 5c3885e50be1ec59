// The host side of the page benchmarks: paginated letter pages at 96 dpi through the filter's
// entry points, the parsed workbook kept in the holder between calls.
#pragma once
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "filter/xlxfilter.h"
#include "host/kernel/vkkrnx.h"

namespace xlxbench {

constexpr const char* kNs = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
constexpr const char* kRelNs = "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"";
constexpr const char* kR = "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

// The parts of a one-sheet workbook whose sheet holds 40 rows of 20 numbers, and names the
// drawing part "rD" of its relationships when `withDrawing` (the caller adds those parts).
inline std::vector<std::pair<std::string, std::string>> GridWorkbookParts(bool withDrawing) {
  std::string cells;
  for (int r = 1; r <= 40; ++r) {
    cells += "<row r=\"" + std::to_string(r) + "\">";
    for (int c = 0; c < 20; ++c)
      cells += "<c r=\"" + std::string(1, char('A' + c)) + std::to_string(r) + "\"><v>" + std::to_string(r * 31 + c) + "</v></c>";
    cells += "</row>";
  }
  return {
      {"[Content_Types].xml", "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
      {"_rels/.rels", std::string("<Relationships ") + kRelNs + "><Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/"
                      "officeDocument/2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/workbook.xml", std::string("<workbook ") + kNs + " " + kR + "><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/>"
                          "</sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels", std::string("<Relationships ") + kRelNs + "><Relationship Id=\"rId1\" Type=\"http://schemas."
                                     "openxmlformats.org/officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                                     "</Relationships>"},
      {"xl/worksheets/sheet1.xml", std::string("<worksheet ") + kNs + " " + kR + "><sheetData>" + cells + "</sheetData>" +
                                       (withDrawing ? "<drawing r:id=\"rD\"/>" : "") + "</worksheet>"},
  };
}

// The sheet's drawing part holding `anchors`, with `rels` its relationships, and the sheet's
// link to it, added to the parts of a grid workbook made with a drawing.
inline void AddDrawingParts(const std::string& anchors, const std::string& rels,
                            std::vector<std::pair<std::string, std::string>>* parts) {
  parts->push_back({"xl/worksheets/_rels/sheet1.xml.rels",
                    std::string("<Relationships ") + kRelNs + "><Relationship Id=\"rD\" Type=\"http://x/drawing\" "
                    "Target=\"../drawings/drawing1.xml\"/></Relationships>"});
  parts->push_back({"xl/drawings/drawing1.xml",
                    "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
                    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" " + std::string(kR) + ">" + anchors +
                        "</xdr:wsDr>"});
  parts->push_back({"xl/drawings/_rels/drawing1.xml.rels", std::string("<Relationships ") + kRelNs + ">" + rels + "</Relationships>"});
}

inline double Inches(double v, int32_t, uint32_t, uint32_t, uint32_t, uint32_t) { return v; }
inline int32_t Row(_FILEINFO*, _BITMAPHANDLE*, const uint8_t*, uint32_t, int32_t, int32_t, uint64_t) { return 1; }

struct Host {
  std::u16string path;
  FilterDataHolder holder{};
  _FILEINFO info{};
  ~Host() {
    if (holder.pData) fltFreeData(holder.pData, 0);
  }
  void Options(_RASTERIZEDOCOPTIONS* o) const {
    std::memset(o, 0, sizeof *o);
    o->uStructSize = 68, o->dPageWidth = 8.5, o->dPageHeight = 11, o->uUnit = 1;
    o->uXResolution = o->uYResolution = 96, o->uSizeMode = 1;
  }
  int32_t Info() {
    _INFODISPATCH d;
    std::memset(&d, 0, sizeof d);
    info.uStructSize = sizeof info;
    _LOADFILEOPTION lfo{};
    lfo.nPageNumber = 1;
    d.pszFileName = path.c_str();
    d.hFile = VkOpenFile(path.c_str(), VK_OPEN_READ, 0);
    d.pFileInfo = &info, d.pFilterData = &holder, d.pLoadFileOption = &lfo, d.dispatchXlxFlags = 1;
    Options(&d.dispatchRasterizeDocOptions);
    d.pfnUnitConverter = Inches;
    int32_t r = fltInfo(&d);
    VkCloseFile(d.hFile);
    return r;
  }
  int32_t Load() {
    _LOADDISPATCH d;
    std::memset(&d, 0, sizeof d);
    _LOADFILEOPTION lfo{};
    lfo.nPageNumber = 1;
    _BITMAPHANDLE t{};
    t.uWidth = info.uWidth, t.uHeight = info.uHeight, t.uXResolution = t.uYResolution = 96;
    _FILEINFO fi = info;
    d.pszFileName = path.c_str(), d.pBitmap = &t, d.pfnRowDelivery = Row, d.pFileInfo = &fi;
    d.pFilterData = &holder, d.pLoadFileOption = &lfo, d.dispatchXlxFlags = 1;
    Options(&d.dispatchRasterizeDocOptions);
    d.pfnUnitConverter = Inches;
    return fltLoad(&d);
  }
};

}  // namespace xlxbench
