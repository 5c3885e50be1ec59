// Text options of vector pages.
//
// A page bitmap needs hinted metrics: advances rounded to whole pixels, as the spreadsheet
// application spaces its text. A PDF or SVG page carries the font itself and places a run of
// glyphs on the font's own advances; a glyph anywhere else costs a position adjustment in the
// output, and hinted advances move nearly every glyph. The simple-text path of vector pages
// therefore uses tables of unhinted advances with positions left unrounded, for drawing and, on a
// thread with a vector page bound, for measuring too, so that the page decides overflow, number
// signs and alignment on the widths it draws. Texts that take the layout stay hinted.
#include "host/drawing/drawinginternal.h"

namespace vkdraw {

PangoLayout* VectorDrawLayout(ThreadText* t) {
  if (t->vectorLayout) return t->vectorLayout;
  PangoContext* context = pango_font_map_create_context(t->fontMap);
  if (!context) return nullptr;
  ApplyTextOptions(context, true, false);
  pango_cairo_update_context(t->scratch, context);
  PangoLayout* layout = pango_layout_new(context);
  if (!layout) {
    g_object_unref(context);
    return nullptr;
  }
  pango_layout_set_auto_dir(layout, FALSE);
  t->vectorContext = context;
  t->vectorLayout = layout;
  return layout;
}

}  // namespace vkdraw
