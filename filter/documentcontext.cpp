#include "filter/documentcontext.h"

#include "host/kernel/vkkrnx.h"

namespace xlx {

DocumentContext* CreateDocumentContext(const ViewOptions& view, void* dispatch, const ProgressCallback* progress) {
  auto* c = static_cast<DocumentContext*>(VK_ALLOC(1, sizeof(DocumentContext)));
  if (!c) return nullptr;
  c->pDispatch = dispatch;
  c->view = view;
  c->dPageWidth = view.pageWidth * view.xResolution;
  c->dPageHeight = view.pageHeight * view.yResolution;
  c->nPageNumber = view.pageNumber;
  c->uXResolution = view.xResolution;
  c->uYResolution = view.yResolution;
  if (view.bEnableMargins) {
    c->dMarginTop = view.topMargin * view.yResolution;
    c->dMarginBottom = view.bottomMargin * view.yResolution;
    c->dMarginLeft = view.leftMargin * view.xResolution;
    c->dMarginRight = view.rightMargin * view.xResolution;
  }
  c->pProgress = progress;
  c->hPackage = -1;
  c->bParseNeeded = 1;
  return c;
}

void FreeDocumentContext(DocumentContext* context) { VK_FREE(context); }

void LocatePage(const DocumentContext& c, uint32_t pageNumber, int32_t* sheet, int32_t* pageInSheet) {
  *sheet = 0;
  *pageInSheet = 0;
  if (c.view.loadMode != kLoadPaginated) {
    *sheet = pageNumber >= 1 ? static_cast<int32_t>(pageNumber) - 1 : 0;
    if (c.nSheetCount > 0 && *sheet >= c.nSheetCount) *sheet = c.nSheetCount - 1;
    return;
  }
  const DocumentSteps& steps = GetDocumentSteps();
  int64_t before = 0;
  for (int32_t s = 0; s < c.nSheetCount; ++s) {
    int32_t n = steps.sheetPageCount(c.pParsed, s);
    if (before + n >= pageNumber) {
      *sheet = s;
      *pageInSheet = static_cast<int32_t>(pageNumber - before - 1);
      if (*pageInSheet < 0) *pageInSheet = 0;
      return;
    }
    before += n;
  }
}

}  // namespace xlx
