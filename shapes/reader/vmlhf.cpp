// Header and footer pictures found in the tolerant tree of a VML drawing.
#include "shapes/reader/vmlhf.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

#include "common/apiutils.h"
#include "common/resultcodes.h"
#include "package/relationships.h"
#include "package/xlsxunzip.h"
#include "shapes/reader/vmltree.h"

namespace xlx {
namespace {

constexpr int32_t kMaxShapes = 4096;
constexpr double kMaxPicturePt = 22 * 72;  // no section picture is larger than the largest paper

// A length of a CSS style ("60pt", "80px", "1in", "2.5cm", "20mm") in points; 0 when unreadable.
double StyleLengthPt(const std::string& style, const char* property) {
  const std::string key = std::string(property) + ":";
  size_t at = 0;
  while ((at = style.find(key, at)) != std::string::npos) {
    if (at == 0 || style[at - 1] == ';' || std::isspace(static_cast<unsigned char>(style[at - 1]))) break;
    ++at;
  }
  if (at == std::string::npos) return 0;
  const std::string value = style.substr(at + key.size(), 32);
  char* unit = nullptr;
  const double v = std::strtod(value.c_str(), &unit);
  if (!(v > 0) || unit == value.c_str()) return 0;
  double pt = v;
  if (!std::strncmp(unit, "px", 2)) pt = v * 0.75;
  else if (!std::strncmp(unit, "in", 2)) pt = v * 72;
  else if (!std::strncmp(unit, "cm", 2)) pt = v * 72 / 2.54;
  else if (!std::strncmp(unit, "mm", 2)) pt = v * 72 / 25.4;
  return std::min(pt, kMaxPicturePt);
}

}  // namespace

int32_t HeaderFooterPictureSlot(const std::string& shapeId) {
  if (shapeId.size() < 2) return -1;
  const char* sections = "LCR";
  const char* at = std::strchr(sections, shapeId[0]);
  if (!at || !shapeId[0] || (shapeId[1] != 'H' && shapeId[1] != 'F')) return -1;
  int32_t slot = static_cast<int32_t>(at - sections) + (shapeId[1] == 'F' ? 3 : 0);
  const std::string rest = shapeId.substr(2);
  if (rest == "EVEN") slot += 6;
  else if (rest == "FIRST") slot += 12;
  else if (!rest.empty()) return -1;
  return slot;
}

int32_t ScanHeaderFooterVml(const char* data, size_t size, std::vector<HeaderFooterPictureRef>* out) {
  if (!out) return XLX_ERR_ARGUMENT;
  out->clear();
  VmlTree tree;
  int32_t rc = ParseVmlTree(data, size, &tree);
  if (rc != XLX_OK) return rc;
  try {
    bool taken[kHeaderFooterPictureSlots] = {};
    int32_t shapes = 0;
    for (const VmlNode& node : tree.nodes) {
      if (node.name != "shape") continue;
      if (++shapes > kMaxShapes) break;
      const char* id = VmlAttribute(node, "id");
      const int32_t slot = HeaderFooterPictureSlot(id ? id : "");
      const VmlNode* image = VmlChild(tree, node, "imagedata");
      const char* relId = image ? VmlAttribute(*image, "o:relid") : nullptr;
      if (slot < 0 || taken[slot] || !relId || !*relId) continue;
      HeaderFooterPictureRef ref;
      ref.slot = slot;
      ref.relId = relId;
      const char* style = VmlAttribute(node, "style");
      ref.widthPt = StyleLengthPt(style ? style : "", "width");
      ref.heightPt = StyleLengthPt(style ? style : "", "height");
      taken[slot] = true;
      out->push_back(std::move(ref));
    }
  } catch (const std::bad_alloc&) {
    out->clear();
    return XLX_ERR_MEMORY;
  }
  return XLX_OK;
}

int32_t ReadHeaderFooterPictures(const Workbook& workbook, const std::u16string& vmlPath, HeaderFooterSetup* setup) {
  if (!setup) return XLX_ERR_ARGUMENT;
  if (vmlPath.empty()) return XLX_OK;
  uint8_t* bytes = nullptr;
  const int64_t size = ReadXmlPartBytes(workbook.hPackage, &workbook.parts, vmlPath.c_str(), &bytes);
  if (size == -1) return XLX_ERR_MEMORY;
  if (size <= 0 || !bytes) return XLX_OK;
  std::vector<HeaderFooterPictureRef> refs;
  int32_t rc = ScanHeaderFooterVml(reinterpret_cast<const char*>(bytes), static_cast<size_t>(size), &refs);
  FreeXmlPartBytes(bytes);
  if (rc != XLX_OK || refs.empty()) return rc;
  const size_t slash = vmlPath.rfind(u'/');
  const std::u16string dir = slash == std::u16string::npos ? std::u16string() : vmlPath.substr(0, slash);
  const std::u16string name = slash == std::u16string::npos ? vmlPath : vmlPath.substr(slash + 1);
  Relationship* rels = nullptr;
  int32_t count = 0;
  rc = ReadRelationships(PackageSource{workbook.hPackage, &workbook.parts}, dir.c_str(), name.c_str(), &rels, &count);
  if (rc == XLX_ERR_MEMORY) return XLX_ERR_MEMORY;
  if (rc != XLX_OK) return XLX_OK;
  try {
    for (const HeaderFooterPictureRef& ref : refs) {
      const std::u16string id = Utf8ToUtf16(ref.relId);
      const Relationship* rel = FindRelationshipById(rels, count, id.c_str());
      if (!rel || !rel->targetPath || ref.slot < 0 || ref.slot >= kHeaderFooterPictureSlots) continue;
      HeaderFooterPicture& picture = setup->pictures[ref.slot];
      picture.path = rel->targetPath;
      picture.widthPt = ref.widthPt;
      picture.heightPt = ref.heightPt;
    }
  } catch (const std::bad_alloc&) {
    rc = XLX_ERR_MEMORY;
  }
  FreeRelationships(rels, count);
  return rc;
}

}  // namespace xlx
