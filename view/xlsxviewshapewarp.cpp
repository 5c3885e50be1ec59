#include "common/resultcodes.h"
#include "view/xlsxviewshapetext.h"

namespace xlx {

int32_t DrawWarpedText(const ShapePage& page, const ShapeSpec& spec,
                       const std::vector<const TextParagraphSpec*>& paragraphs, const DrawRect& inner, bool* drawn) {
  *drawn = false;
  return XLX_OK;
}

}  // namespace xlx
