// Fonts of cell text: host fonts made from the model's font records, kept per page render so a
// face and size are created and measured once.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <tuple>

#include "host/drawing/vkdrwx.h"
#include "model/styles.h"

namespace xlx {

struct CellFont {
  VkFont* font = nullptr;
  double heightPx = 0;     // font height, px
  double width00 = 0;      // width of "00"
  double widthZero = 0;    // width of "0"
  double indentUnit = 0;   // 3 x (width of "0 0" - width of "00")
  double lineHeight = 0;   // px between lines
  double ascent = 0;       // px from the top of a line to its baseline
  std::u16string family;   // face the host really draws
};

class FontCache {
 public:
  explicit FontCache(VkDrawingEngine* engine) : engine_(engine) {}
  ~FontCache();
  FontCache(const FontCache&) = delete;
  FontCache& operator=(const FontCache&) = delete;

  // The host font for a model font at `scale` (the print scale). Null when the host cannot make
  // it (text is then skipped).
  const CellFont* Get(const MyLogFont& font, double scale);
  // Width and height of text in a font; the estimate of the drawing layer when the host fails.
  void Measure(const CellFont& font, const char16_t* text, int32_t length, double maxWidth, double* width,
               double* height);
  // Faces asked for and the faces drawn, for reports.
  const std::map<std::u16string, std::u16string>& Substitutions() const { return used_; }
  VkDrawingEngine* engine() const { return engine_; }

 private:
  VkDrawingEngine* engine_;
  std::map<std::tuple<std::u16string, int32_t, uint32_t>, CellFont> fonts_;
  std::map<std::u16string, std::u16string> used_;
};

}  // namespace xlx
