// The notes pages a sheet prints after its own pages when its page setup asks for notes at the
// end: each note as "Cell: B2" and "Comment: " with its text, in the printable area of the
// sheet's paper, as many to a page as fit.
#pragma once
#include <cstdint>
#include <vector>

#include "model/sheet.h"
#include "view/drawlayer/drawlayer.h"
#include "view/layout/printpage.h"
#include "view/page/render.h"

namespace xlx {

// Appends the notes pages of `sheet` (none unless cellComments is at the end and it has notes) to
// `pages`: paper `paperW` x `paperH` px, printable area `area`, `yResolution` dots per inch.
// Room for every page is the caller's concern (memory errors throw).
void AddNotesPages(const MyWorksheet& sheet, int32_t paperW, int32_t paperH, const DrawRect& area, uint32_t yResolution,
                   std::vector<PrintedPage>* pages);

// Draws the notes of a notes page. 1 or a drawing-layer error.
[[nodiscard]] int32_t DrawNotesPage(DrawingSurface* surface, const PageRenderRequest& request, const PrintedPage& page);

}  // namespace xlx
