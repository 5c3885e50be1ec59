// Header and footer pictures scanned from VML text, well-formed or not.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shapes/reader/vmlhf.h"

using namespace xlx;

namespace {

std::string Shape(const std::string& id, const std::string& style, const std::string& relid) {
  return "<v:shape id=\"" + id + "\" type=\"#_x0000_t75\" style=\"" + style + "\"><v:imagedata o:relid=\"" + relid +
         "\" o:title=\"p\"/></v:shape>";
}

TEST(HeaderFooterVml, ScansShapesSizesAndRelationshipsOfAnyText) {
  const std::string shapetype = "<v:shapetype id=\"LH\" o:spt=\"75\"><v:imagedata o:relid=\"rIdT\"/></v:shapetype>";
  const struct {
    std::string text;
    const char* found;  // slot:relid:width:height of each picture
  } cases[] = {
      {"<xml>" + shapetype + Shape("LH", "position:absolute;width:60pt;height:30pt", "rId1") +
           Shape("CF", "width:80px;height:1in", "rId2") + "</xml>",
       "0:rId1:60:30 4:rId2:60:72 "},
      // Unclosed <br> and a shape that never closes: each shape ends where the next begins.
      {"<xml><br>" + std::string("<v:shape id=\"RH\" style=\"height:2.54cm\"><v:imagedata o:relid='rId3'>") +
           Shape("RH", "width:9pt", "rId9") + Shape("LFFIRST", "margin-width:5pt;width:25.4mm", "rId4"),
       "2:rId3:0:72 15:rId4:72:0 "},
      // No relid, another id, a huge size (cut to the largest paper), text cut in the middle.
      {Shape("LH", "", "") + Shape("ZZ", "", "rId5") + Shape("LHX", "", "rId8") + Shape("CH", "width:1e300pt;height:-4pt", "rId6") +
           "<v:shape id=\"RH\"><v:imagedata o:relid=\"rId7",
       "1:rId6:1584:0 "},
      {"<v:shape", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    std::vector<HeaderFooterPictureRef> refs;
    ASSERT_EQ(ScanHeaderFooterVml(c.text.data(), c.text.size(), &refs), 1);
    std::string found;
    for (const HeaderFooterPictureRef& r : refs)
      found += std::to_string(r.slot) + ":" + r.relId + ":" + std::to_string(static_cast<int>(r.widthPt + 0.5)) + ":" +
               std::to_string(static_cast<int>(r.heightPt + 0.5)) + " ";
    EXPECT_EQ(found, c.found) << c.text;
  }
}

}  // namespace
