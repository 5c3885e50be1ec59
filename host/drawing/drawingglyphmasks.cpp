// Glyphs drawn onto page bitmaps from per-thread masks.
//
// The drawing library composites every run of glyphs on an image surface through one process-wide
// glyph cache, locked for the whole composite, so threads drawing text wait for one another and
// pages drawn in parallel gain little. Here each thread keeps, per font, the coverage mask of each
// glyph as the library renders it (taken once by drawing the glyph alone on an alpha surface), adds
// a run's glyph masks into one mask at the positions the library would round them to, and
// composites that mask with the source colour in one call. Adding coverage and then compositing
// is what the library does with glyphs whose boxes overlap; glyphs that do not overlap give the
// same pixels either way, so the page is byte for byte the one the library would draw. (A clip
// that cuts pixels is the exception: such runs are drawn by the library.)
#include <algorithm>
#include <climits>
#include <deque>
#include <cmath>
#include <new>
#include <unordered_map>
#include <vector>

#include "host/drawing/drawinginternal.h"

namespace vkdraw {
namespace {

constexpr int kMargin = 2;          // pixels around a glyph's ink box, for hinting and anti-aliasing
constexpr int kMaxGlyphSide = 1024; // larger glyphs are left to the library
constexpr int kMaxRunPixels = 1 << 22;

struct GlyphMask {
  bool usable = false;
  int left = 0, top = 0;  // of the mask from the glyph's rounded origin, in pixels
  int width = 0, height = 0;
  std::vector<uint8_t> alpha;  // width x height, empty for a glyph without ink
};

// Rounds as the drawing library rounds glyph positions: halfway cases up.
int RoundGlyphPosition(double v) { return static_cast<int>(std::floor(v + 0.5)); }

// Drops the rows and columns of the mask that hold no coverage.
void CropToInk(GlyphMask* mask) {
  int x0 = mask->width, y0 = mask->height, x1 = 0, y1 = 0;
  for (int y = 0; y < mask->height; ++y)
    for (int x = 0; x < mask->width; ++x)
      if (mask->alpha[static_cast<size_t>(y) * mask->width + x]) {
        x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x + 1), y1 = std::max(y1, y + 1);
      }
  if (x0 >= x1) {
    mask->alpha.clear();
    mask->width = mask->height = 0;
    return;
  }
  std::vector<uint8_t> ink(static_cast<size_t>(x1 - x0) * (y1 - y0));
  for (int y = y0; y < y1; ++y)
    std::copy_n(mask->alpha.begin() + static_cast<size_t>(y) * mask->width + x0, x1 - x0,
                ink.begin() + static_cast<size_t>(y - y0) * (x1 - x0));
  mask->alpha.swap(ink);
  mask->left += x0, mask->top += y0;
  mask->width = x1 - x0, mask->height = y1 - y0;
}

GlyphMask RenderGlyph(cairo_scaled_font_t* scaled, unsigned long index) {
  GlyphMask mask;
  cairo_glyph_t glyph{index, 0, 0};
  cairo_text_extents_t e;
  cairo_scaled_font_glyph_extents(scaled, &glyph, 1, &e);
  if (cairo_scaled_font_status(scaled) != CAIRO_STATUS_SUCCESS) return mask;
  if (!(e.width > 0 && e.height > 0)) {
    mask.usable = true;  // nothing to draw
    return mask;
  }
  if (!(std::fabs(e.x_bearing) < kMaxGlyphSide && std::fabs(e.y_bearing) < kMaxGlyphSide && e.width < kMaxGlyphSide &&
        e.height < kMaxGlyphSide))
    return mask;
  mask.left = static_cast<int>(std::floor(e.x_bearing)) - kMargin;
  mask.top = static_cast<int>(std::floor(e.y_bearing)) - kMargin;
  mask.width = static_cast<int>(std::ceil(e.x_bearing + e.width)) + kMargin - mask.left;
  mask.height = static_cast<int>(std::ceil(e.y_bearing + e.height)) + kMargin - mask.top;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, mask.width, mask.height);
  cairo_t* cr = cairo_create(surface);
  cairo_set_scaled_font(cr, scaled);
  glyph.x = -mask.left;
  glyph.y = -mask.top;
  cairo_show_glyphs(cr, &glyph, 1);
  cairo_surface_flush(surface);
  if (cairo_status(cr) == CAIRO_STATUS_SUCCESS && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    mask.alpha.resize(static_cast<size_t>(mask.width) * mask.height);
    for (int y = 0; y < mask.height; ++y)
      std::copy(data + static_cast<size_t>(y) * stride, data + static_cast<size_t>(y) * stride + mask.width,
                mask.alpha.begin() + static_cast<size_t>(y) * mask.width);
    // Coverage on the margin's outer ring means the ink box was too small to hold the glyph.
    bool inside = true;
    for (int x = 0; x < mask.width && inside; ++x)
      inside = mask.alpha[x] == 0 && mask.alpha[static_cast<size_t>(mask.height - 1) * mask.width + x] == 0;
    for (int y = 0; y < mask.height && inside; ++y)
      inside = mask.alpha[static_cast<size_t>(y) * mask.width] == 0 &&
               mask.alpha[static_cast<size_t>(y) * mask.width + mask.width - 1] == 0;
    mask.usable = inside;
    if (inside) CropToInk(&mask);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return mask;
}

// The clip as rectangles, when it is whole pixels (or absent). The library clips glyphs to a
// partly covered pixel in another order of operations than it clips a mask, so such clips are
// left to it.
struct PixelClip {
  cairo_rectangle_list_t* list;
  explicit PixelClip(cairo_t* cr) : list(cairo_copy_clip_rectangle_list(cr)) {}
  ~PixelClip() { cairo_rectangle_list_destroy(list); }
  bool aligned() const { return list && list->status == CAIRO_STATUS_SUCCESS; }
};

}  // namespace

struct GlyphMasks {
  cairo_scaled_font_t* scaled = nullptr;  // referenced
  std::vector<int32_t> slots;     // by glyph index: position in `glyphs` + 1, 0 when not made yet
  std::deque<GlyphMask> glyphs;  // a deque: masks already placed in a run stay put as others are made
  std::unordered_map<unsigned long, GlyphMask> large;  // glyphs of indices past kMaxSlots
  std::vector<uint8_t> run;  // the run's mask, reused
  ~GlyphMasks() {
    if (scaled) cairo_scaled_font_destroy(scaled);
  }
};

namespace {

constexpr unsigned long kMaxSlots = 1 << 16;

// The glyph's mask, made on first use. Masks stay where they are made: the slots hold positions
// and the large map is node-based.
const GlyphMask& MaskOf(GlyphMasks* masks, unsigned long index) {
  if (index >= kMaxSlots) {
    auto found = masks->large.find(index);
    if (found == masks->large.end()) {
      std::lock_guard<std::mutex> files(FontFileMutex());
      found = masks->large.emplace(index, RenderGlyph(masks->scaled, index)).first;
    }
    return found->second;
  }
  if (index >= masks->slots.size()) masks->slots.resize(index + 1, 0);
  if (!masks->slots[index]) {
    std::lock_guard<std::mutex> files(FontFileMutex());
    masks->glyphs.push_back(RenderGlyph(masks->scaled, index));
    masks->slots[index] = static_cast<int32_t>(masks->glyphs.size());
  }
  return masks->glyphs[masks->slots[index] - 1];
}

}  // namespace

GlyphMasks* CreateGlyphMasks(cairo_scaled_font_t* scaled) {
  auto* masks = new (std::nothrow) GlyphMasks;
  if (masks) masks->scaled = cairo_scaled_font_reference(scaled);
  return masks;
}

void DestroyGlyphMasks(GlyphMasks* masks) { delete masks; }

bool DrawGlyphMasks(cairo_t* cr, GlyphMasks* masks, const cairo_glyph_t* glyphs, int count) {
  if (!masks || count <= 0) return false;
  cairo_surface_t* target = cairo_get_target(cr);
  if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE) return false;
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  if (m.xx != 1 || m.yy != 1 || m.xy != 0 || m.yx != 0) return false;
  const PixelClip clip(cr);
  if (!clip.aligned()) return false;
  double offsetX = 0, offsetY = 0;
  cairo_surface_get_device_offset(target, &offsetX, &offsetY);
  const double tx = 0.0 + m.x0 + offsetX, ty = 0.0 + m.y0 + offsetY;

  // Each glyph's mask and where it lands, and the box of them all.
  const GlyphMask* placed[kMaxSimpleUnits];
  int xs[kMaxSimpleUnits], ys[kMaxSimpleUnits];
  if (count > kMaxSimpleUnits) return false;
  int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN;
  for (int i = 0; i < count; ++i) {
    const GlyphMask& g = MaskOf(masks, glyphs[i].index);
    if (!g.usable) return false;
    placed[i] = &g;
    const double gx = glyphs[i].x + tx, gy = glyphs[i].y + ty;
    if (!(std::fabs(gx) < 1e6 && std::fabs(gy) < 1e6)) return false;
    xs[i] = RoundGlyphPosition(gx) + g.left;
    ys[i] = RoundGlyphPosition(gy) + g.top;
    if (g.alpha.empty()) continue;
    x0 = std::min(x0, xs[i]), y0 = std::min(y0, ys[i]);
    x1 = std::max(x1, xs[i] + g.width), y1 = std::max(y1, ys[i] + g.height);
  }
  if (x0 >= x1) return true;  // only blanks
  const int width = x1 - x0, height = y1 - y0;
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_A8, width);
  if (stride <= 0 || static_cast<int64_t>(stride) * height > kMaxRunPixels) return false;
  masks->run.assign(static_cast<size_t>(stride) * height, 0);
  for (int i = 0; i < count; ++i) {
    const GlyphMask& g = *placed[i];
    for (int y = 0; y < g.height && !g.alpha.empty(); ++y) {
      uint8_t* out = masks->run.data() + static_cast<size_t>(ys[i] - y0 + y) * stride + (xs[i] - x0);
      const uint8_t* in = g.alpha.data() + static_cast<size_t>(y) * g.width;
      for (int x = 0; x < g.width; ++x) {
        const unsigned sum = out[x] + in[x];
        out[x] = static_cast<uint8_t>(sum > 255 ? 255 : sum);
      }
    }
  }
  MaskPlacement placement;
  placement.alpha = masks->run.data();
  placement.stride = stride, placement.width = width, placement.height = height;
  placement.x = x0, placement.y = y0;
  placement.clip = clip.list;
  placement.userToPixelX = tx, placement.userToPixelY = ty;
  if (BlendSolidMask(cr, placement)) return true;
  cairo_surface_t* mask =
      cairo_image_surface_create_for_data(masks->run.data(), CAIRO_FORMAT_A8, width, height, stride);
  cairo_save(cr);
  cairo_identity_matrix(cr);
  cairo_mask_surface(cr, mask, x0 - offsetX, y0 - offsetY);
  cairo_restore(cr);
  cairo_surface_destroy(mask);
  return true;
}

}  // namespace vkdraw
