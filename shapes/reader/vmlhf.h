// The pictures of header and footer sections, from the VML drawing a worksheet's
// `legacyDrawingHF` names. Such drawings are often not well-formed XML (unclosed `<br>`, stray
// markup), so they are read with the tolerant VML reader: each `v:shape` whose id names a section ("LH", "CH", "RH",
// "LF", "CF", "RF", with "EVEN" or "FIRST" after it for those pages) and the `o:relid` of the
// `v:imagedata` inside it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/printsetup.h"
#include "model/workbook.h"

namespace xlx {

struct HeaderFooterPictureRef {
  int32_t slot = 0;               // as HeaderFooterSetup::pictures is indexed
  std::string relId;              // the drawing part's relationship of the picture
  double widthPt = 0, heightPt = 0;  // from the shape's style; 0 when absent or unreadable
};

// Sections the id names, as a slot; -1 for any other id.
int32_t HeaderFooterPictureSlot(const std::string& shapeId);

// Scans `size` bytes of VML text (any bytes, no terminator needed) for section pictures, at most
// one per slot (the first wins) and at most 4096 shapes looked at. 1, or -1 (memory).
[[nodiscard]] int32_t ScanHeaderFooterVml(const char* text, size_t size, std::vector<HeaderFooterPictureRef>* out);

// Fills sheet->print.headerFooter.pictures from the drawing `vmlPath` names (a part of the
// workbook's package) through that part's relationships. A missing or unreadable drawing gives no
// pictures: they are optional content. 1, -1 (memory), -13 (null argument).
[[nodiscard]] int32_t ReadHeaderFooterPictures(const Workbook& workbook, const std::u16string& vmlPath,
                                               HeaderFooterSetup* setup);

}  // namespace xlx
