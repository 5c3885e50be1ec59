// Clipped texts of vector pages, drawn a column at a time.
//
// A cell text that overflows its cell sideways is clipped to the cell. On a vector page each
// clipped text costs a save, a clip path and a restore, and it breaks the page's text object, so
// that the unclipped texts around it start text objects of their own. Such a text is therefore
// kept back and drawn later with the other kept-back texts clipped to the same columns, in one
// glyph run under one clip: the clip of the column band, as tall as the page, which cuts a text
// whose ink stays within its row exactly as the cell does. Drawing later changes nothing that
// shows as long as no other drawing meets the kept-back ink: a text that does draws them first,
// and so does every other drawing call (FlushVectorText).
#include <algorithm>
#include <cstring>
#include <functional>
#include <new>
#include "host/drawing/drawinginternal.h"

namespace vkdraw {

namespace {

constexpr size_t kMaxDeferredTexts = 4096;
constexpr double kInkSlack = 1.0 / 64;

struct Box {
  double left, top, right, bottom;
  bool Meets(const Box& o) const { return left < o.right && o.left < right && top < o.bottom && o.top < bottom; }
};

}  // namespace

struct DeferredText {
  cairo_matrix_t matrix;
  cairo_scaled_font_t* font = nullptr;  // referenced
  VkColor color = 0;
  double bandLeft = 0, bandRight = 0;   // device pixels
  Box visible{};                        // device pixels: the ink inside the band
  std::vector<cairo_glyph_t> glyphs;    // user space of `matrix`
};

struct VectorTextQueue {
  std::vector<DeferredText> texts;
  ~VectorTextQueue() {
    for (DeferredText& t : texts) cairo_scaled_font_destroy(t.font);
  }
};

namespace {

// The clip of the surface as one device-pixel box, when every step is an upright rectangle.
bool ClipBox(const VkSurface* s, Box* box) {
  *box = Box{-1e300, -1e300, 1e300, 1e300};
  for (const ClipStep& step : s->clips) {
    const cairo_matrix_t& m = step.matrix;
    if (!step.isRect || m.xx != 1 || m.yy != 1 || m.xy != 0 || m.yx != 0 || m.x0 != 0 || m.y0 != 0) return false;
    box->left = std::max(box->left, step.left), box->top = std::max(box->top, step.top);
    box->right = std::min(box->right, step.right), box->bottom = std::min(box->bottom, step.bottom);
  }
  return true;
}

bool MeetsQueued(const VkSurface* s, const Box& ink) {
  for (const DeferredText& t : s->deferredTexts->texts)
    if (t.visible.Meets(ink)) return true;
  return false;
}

bool SameRun(const DeferredText& a, const DeferredText& b) {
  return a.bandLeft == b.bandLeft && a.bandRight == b.bandRight && a.font == b.font && a.color == b.color &&
         std::memcmp(&a.matrix, &b.matrix, sizeof a.matrix) == 0;
}

bool RunBefore(const DeferredText& a, const DeferredText& b) {
  if (a.bandLeft != b.bandLeft) return a.bandLeft < b.bandLeft;
  if (a.bandRight != b.bandRight) return a.bandRight < b.bandRight;
  if (a.font != b.font) return std::less<const void*>()(a.font, b.font);
  if (a.color != b.color) return a.color < b.color;
  return std::memcmp(&a.matrix, &b.matrix, sizeof a.matrix) < 0;
}

}  // namespace

bool DeferVectorText(VkSurface* s, cairo_scaled_font_t* font, VkColor color, const cairo_glyph_t* glyphs,
                     int32_t count, uint32_t flags) {
  if (!s->vector || count <= 0) return false;
  cairo_matrix_t m;
  cairo_get_matrix(s->cr, &m);
  cairo_text_extents_t e;
  cairo_scaled_font_glyph_extents(font, glyphs, count, &e);
  if (!AxisAligned(m) || cairo_scaled_font_status(font) != CAIRO_STATUS_SUCCESS) {
    FlushVectorText(s);
    return false;
  }
  if (e.width <= 0 || e.height <= 0) return false;  // no ink: nothing to keep back or to cover
  // The ink box in device pixels; the bearings are measured from the first glyph's origin.
  double x1 = glyphs[0].x + e.x_bearing, y1 = glyphs[0].y + e.y_bearing;
  double x2 = x1 + e.width, y2 = y1 + e.height;
  cairo_matrix_transform_point(&m, &x1, &y1);
  cairo_matrix_transform_point(&m, &x2, &y2);
  const Box ink{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  Box clip;
  const bool sideways = !(flags & VK_TEXT_CLIP) && ClipBox(s, &clip) && clip.left < clip.right &&
                        ink.top >= clip.top - kInkSlack && ink.bottom <= clip.bottom + kInkSlack &&
                        (ink.left < clip.left - kInkSlack || ink.right > clip.right + kInkSlack);
  const Box visible =
      sideways ? Box{std::max(ink.left, clip.left), ink.top, std::min(ink.right, clip.right), ink.bottom} : ink;
  // A text that meets a kept-back one goes after it: those are drawn first.
  if (s->deferredTexts && MeetsQueued(s, visible)) FlushVectorText(s);
  if (!sideways) return false;
  try {
    if (!s->deferredTexts) s->deferredTexts = new VectorTextQueue;
    if (s->deferredTexts->texts.size() >= kMaxDeferredTexts) FlushVectorText(s);
    DeferredText t;
    t.matrix = m;
    t.color = color;
    t.bandLeft = clip.left, t.bandRight = clip.right;
    t.visible = visible;
    t.glyphs.assign(glyphs, glyphs + count);
    t.font = cairo_scaled_font_reference(font);
    s->deferredTexts->texts.push_back(std::move(t));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void DrawDeferredTexts(VkSurface* s) {
  std::vector<DeferredText>& texts = s->deferredTexts->texts;
  if (texts.empty()) return;
  // Kept-back texts do not meet one another, so any order draws the same: one clip per band, and
  // one glyph run per font, colour and transform within it (Cairo writes a clip per operation).
  std::stable_sort(texts.begin(), texts.end(), RunBefore);
  cairo_t* cr = s->cr;
  const double height = s->bitmap ? s->bitmap->uHeight : 0;
  cairo_matrix_t identity;
  cairo_matrix_init_identity(&identity);
  std::vector<cairo_glyph_t> run;
  for (size_t i = 0; i < texts.size();) {
    const DeferredText& first = texts[i];
    run.clear();
    for (; i < texts.size() && SameRun(first, texts[i]); ++i)
      run.insert(run.end(), texts[i].glyphs.begin(), texts[i].glyphs.end());
    cairo_save(cr);
    cairo_reset_clip(cr);
    cairo_set_matrix(cr, &identity);
    cairo_new_path(cr);
    cairo_rectangle(cr, first.bandLeft, 0, first.bandRight - first.bandLeft, height);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_clip(cr);
    cairo_set_matrix(cr, &first.matrix);
    SetColorSource(cr, first.color);
    cairo_set_scaled_font(cr, first.font);
    cairo_show_glyphs(cr, run.data(), static_cast<int>(run.size()));
    cairo_restore(cr);
  }
  for (DeferredText& t : texts) cairo_scaled_font_destroy(t.font);
  texts.clear();
}

void DestroyVectorTextQueue(VectorTextQueue* queue) { delete queue; }

}  // namespace vkdraw
