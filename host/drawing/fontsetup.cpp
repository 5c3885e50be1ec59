// Font matching set-up: the host's own fontconfig configuration, and the per-thread Pango state.
//
// The system configuration already maps the spreadsheet's common faces to their metric twins
// (Calibri -> Carlito, Cambria -> Caladea, Arial / Times New Roman / Courier New -> Liberation).
// The aliases below repeat those and add faces the system leaves to the generic fallback, so that
// a workbook's face lands on the closest installed design. They are loaded into a configuration
// of our own; the process-wide fontconfig setup is not touched.
#include <fontconfig/fontconfig.h>
#include <pango/pangofc-fontmap.h>
#include <cairo-ft.h>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>
#include "host/drawing/drawinginternal.h"
#include "host/kernel/fontfilelock.h"

namespace vkdraw {
namespace {

const char kHostAliases[] = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <alias binding="same"><family>Calibri</family><prefer><family>Carlito</family></prefer></alias>
  <alias binding="same"><family>Calibri Light</family><prefer><family>Carlito</family></prefer></alias>
  <alias binding="same"><family>Cambria</family><prefer><family>Caladea</family></prefer></alias>
  <alias binding="same"><family>Cambria Math</family><prefer><family>Caladea</family></prefer></alias>
  <alias binding="same"><family>Arial</family><prefer><family>Liberation Sans</family></prefer></alias>
  <alias binding="same"><family>Times New Roman</family><prefer><family>Liberation Serif</family></prefer></alias>
  <alias binding="same"><family>Courier New</family><prefer><family>Liberation Mono</family></prefer></alias>
  <alias><family>Aptos</family><prefer><family>Liberation Sans</family></prefer></alias>
  <alias><family>Aptos Narrow</family><prefer><family>Nimbus Sans Narrow</family><family>Liberation Sans</family></prefer></alias>
  <alias><family>Aptos Display</family><prefer><family>Liberation Sans</family></prefer></alias>
  <alias><family>Microsoft Sans Serif</family><prefer><family>Liberation Sans</family></prefer></alias>
  <alias><family>MS Sans Serif</family><prefer><family>Liberation Sans</family></prefer></alias>
  <alias><family>MS Serif</family><prefer><family>Liberation Serif</family></prefer></alias>
  <alias><family>Segoe UI</family><prefer><family>DejaVu Sans</family></prefer></alias>
  <alias><family>Tahoma</family><prefer><family>DejaVu Sans</family></prefer></alias>
  <alias><family>Verdana</family><prefer><family>DejaVu Sans</family></prefer></alias>
  <alias><family>Trebuchet MS</family><prefer><family>DejaVu Sans</family></prefer></alias>
  <alias><family>Century Gothic</family><prefer><family>URW Gothic</family></prefer></alias>
  <alias><family>Georgia</family><prefer><family>DejaVu Serif</family></prefer></alias>
  <alias><family>Garamond</family><prefer><family>Liberation Serif</family></prefer></alias>
  <alias><family>Book Antiqua</family><prefer><family>P052</family></prefer></alias>
  <alias><family>Consolas</family><prefer><family>Liberation Mono</family></prefer></alias>
  <alias><family>Lucida Console</family><prefer><family>Liberation Mono</family></prefer></alias>
</fontconfig>
)";

FcConfig* g_config = nullptr;
std::once_flag g_configOnce;

// Our configuration: the system's, plus the aliases above. Null when fontconfig cannot load,
// in which case Pango uses the process default.
FcConfig* HostFontConfig() {
  std::call_once(g_configOnce, [] {
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) return;
    FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kHostAliases), FcFalse);
    g_config = config;
  });
  return g_config;
}

}  // namespace

std::mutex& FontFileMutex() { return vkhost::FontFileMutex(); }

bool KeepFontFileOpen(cairo_scaled_font_t* scaled) {
  // The FreeType faces held open, one per font file, each locked once through a referenced
  // scaled font that is never released (every size of a file shares its face).
  static auto* kept = new std::vector<std::pair<FT_Face, cairo_scaled_font_t*>>;
  constexpr size_t kMaxKept = 512;
  if (!scaled || cairo_scaled_font_status(scaled) != CAIRO_STATUS_SUCCESS ||
      cairo_scaled_font_get_type(scaled) != CAIRO_FONT_TYPE_FT)
    return false;
  FT_Face face = cairo_ft_scaled_font_lock_face(scaled);
  if (!face) return false;
  for (const auto& entry : *kept)
    if (entry.first == face) {
      cairo_ft_scaled_font_unlock_face(scaled);
      return true;
    }
  if (kept->size() >= kMaxKept) {
    cairo_ft_scaled_font_unlock_face(scaled);
    return false;
  }
  kept->emplace_back(face, cairo_scaled_font_reference(scaled));
  return true;
}

ThreadText::~ThreadText() {
  std::lock_guard<std::mutex> lock(FontFileMutex());
  DestroySimpleFaces(simple);
  if (drawLayout) g_object_unref(drawLayout);
  if (drawContext) g_object_unref(drawContext);
  if (scratch) cairo_destroy(scratch);
  if (scratchSurface) cairo_surface_destroy(scratchSurface);
  if (layout) g_object_unref(layout);
  if (measure) g_object_unref(measure);
  if (fontMap) g_object_unref(fontMap);
}

void ApplyTextOptions(PangoContext* context, bool antialias) {
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  pango_cairo_context_set_font_options(context, options);
  cairo_font_options_destroy(options);
}

ThreadText* CurrentThreadText() {
  thread_local std::unique_ptr<ThreadText> t_text;
  thread_local bool t_failed = false;
  if (t_text) return t_text.get();
  if (t_failed) return nullptr;
  auto text = std::make_unique<ThreadText>();
  text->fontMap = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
  if (!text->fontMap) {
    t_failed = true;
    return nullptr;
  }
  if (FcConfig* config = HostFontConfig()) pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(text->fontMap), config);
  text->measure = pango_font_map_create_context(text->fontMap);
  ApplyTextOptions(text->measure, true);
  text->layout = pango_layout_new(text->measure);
  pango_layout_set_auto_dir(text->layout, FALSE);
  text->scratchSurface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  text->scratch = cairo_create(text->scratchSurface);
  if (cairo_status(text->scratch) != CAIRO_STATUS_SUCCESS) {
    t_failed = true;
    return nullptr;
  }
  text->drawContext = pango_font_map_create_context(text->fontMap);
  ApplyTextOptions(text->drawContext, true);
  pango_cairo_update_context(text->scratch, text->drawContext);
  text->drawLayout = pango_layout_new(text->drawContext);
  pango_layout_set_auto_dir(text->drawLayout, FALSE);
  t_text = std::move(text);
  return t_text.get();
}

}  // namespace vkdraw
