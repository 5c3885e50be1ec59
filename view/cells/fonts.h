// Fonts of cell text: the drawing layer's font cache asked with the model's font records at a
// print scale, kept per page render or per layout so a face and size are made and measured once.
#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "model/styles.h"
#include "view/drawlayer/drawlayer.h"

namespace xlx {

class FontCache {
 public:
  explicit FontCache(VkDrawingEngine* engine) : cache_(engine) {}

  // The font for a model font at `scale` (the print scale): its height in px (14.67 x scale when
  // it gives none, at most 4000), face (Calibri when it gives none) and style. Null when the host
  // cannot make it (text is then skipped).
  const CachedDrawFont* Get(const MyLogFont& font, double scale);
  // Width and height of text in a font; an estimate from the width of "0" when the host fails.
  void Measure(const CachedDrawFont& font, const char16_t* text, int32_t length, double maxWidth, double* width,
               double* height) const {
    cache_.Measure(font, text, length, maxWidth, width, height);
  }
  // Faces asked for and the faces drawn, for reports.
  const std::map<std::u16string, std::u16string>& Substitutions() const { return cache_.Substitutions(); }
  VkDrawingEngine* engine() const { return cache_.engine(); }

 private:
  DrawFontCache cache_;
};

}  // namespace xlx
