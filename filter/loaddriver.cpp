// fltLoad's native driver: draws one page into a 24-bit bitmap and delivers it row by row. A page
// too large to hold is drawn in horizontal bands, one band bitmap drawn over and delivered again
// and again, so memory stays bounded at any resolution.
#include <cstdlib>
#include <cstring>

#include "common/apiutils.h"
#include "common/resultcodes.h"
#include "filter/documentcontext.h"
#include "filter/filtercache.h"
#include "filter/xlxfilter.h"
#include "host/kernel/vkkrnx.h"
#include "package/decrypter.h"
#include "package/encryptionsniffer.h"
#include "view/drawlayer/drawlayer.h"

namespace xlx {
namespace {

// Everything a load call may have to undo on its way out.
struct LoadState {
  WorkbookCache* cache = nullptr;  // reused cache, read lock held
  bool readLockHeld = false;
  bool tempFileMade = false;
  char16_t tempPath[260] = {0};     // package decrypted by this call
  char16_t packagePath[260] = {0};  // decrypted package to parse, when the source is encrypted
  _BITMAPHANDLE bitmap{};
  bool bitmapMade = false;
  uint32_t bandRows = 0;  // rows of a band; 0 when the page is drawn whole
  _BITMAPHANDLE band{};   // the band's pixels; `bitmap` is then a header without any
  bool bandMade = false;
};

// Pages up to this many bytes of 24-bit pixels are drawn whole; larger ones in bands of about
// kBandBytes (a letter page at 450 dpi and more). Each band draws the whole page again, cut to
// its rows, so bands trade drawing time for memory.
constexpr uint64_t kWholePageBytes = 64ull << 20;
constexpr uint64_t kBandBytes = 24ull << 20;

// Rows a band of a width x height page has; 0 to draw the page whole. XLX_BAND_ROWS in the
// environment sets the rows of every page (0: none), to compare banded pages with whole ones.
uint32_t BandRowsFor(uint32_t width, uint32_t height) {
  if (const char* forced = std::getenv("XLX_BAND_ROWS")) {
    const long rows = std::strtol(forced, nullptr, 10);
    return rows > 0 && static_cast<uint64_t>(rows) < height ? static_cast<uint32_t>(rows) : 0;
  }
  const uint64_t rowBytes = 3ull * width;
  if (rowBytes == 0 || rowBytes * height <= kWholePageBytes) return 0;
  const uint64_t rows = kBandBytes / rowBytes;
  return rows < 1 ? 1 : static_cast<uint32_t>(rows);
}

void EndLoad(LoadState& s) {
  if (s.tempFileMade) VkDeleteFile(s.tempPath);
  if (s.bitmapMade) VkFreeBitmap(&s.bitmap);
  if (s.bandMade) VkFreeBitmap(&s.band);
  if (s.readLockHeld) ReleaseCacheRead(s.cache);
}

// Opens and sniffs the source file for a private parse. An encrypted package is parsed from the
// cache object's decrypted package when there is one, else decrypted for this call into a
// temporary file that EndLoad deletes. 1, -10, the sniffer's or the decryption step's code.
int32_t CheckSourceFile(_LOADDISPATCH* d, LoadState& s) {
  int64_t handle = VkOpenFile(d->pszFileName, VK_OPEN_READ | VK_OPEN_BINARY, 0);
  if (handle == -1) return XLX_ERR_OPEN;
  int32_t kind = 0;
  bool encrypted = false;
  int32_t r = SniffEncryption(handle, &kind, &encrypted);
  if (r == XLX_OK && kind != kDocPackage) r = XLX_ERR_FORMAT;
  if (r == XLX_OK && encrypted) {
    const char16_t* cached = s.cache ? CacheDecryptedPath(s.cache) : nullptr;
    if (cached) {
      CopyTruncated(s.packagePath, 260, cached);
    } else {
      r = DecryptToTempFile(handle, kRequestSpreadsheet, d->uPasswordSource, nullptr, s.tempPath);
      s.tempFileMade = r == XLX_OK;
      if (r == XLX_OK) CopyTruncated(s.packagePath, 260, s.tempPath);
    }
  }
  VkCloseFile(handle);
  return r;
}

int32_t PrepareBitmap(_LOADDISPATCH* d, LoadState& s) {
  const _BITMAPHANDLE* t = d->pBitmap;
  if (!t) return XLX_ERR_ARGUMENT;
  int32_t r;
  if (d->uHeaderOnly) {
    r = VkInitBitmapHeader(&s.bitmap, sizeof(_BITMAPHANDLE), t->uWidth, t->uHeight, 24);
  } else {
    uint32_t w = t->uWidth, h = t->uHeight;
    if (d->uRequestedWidth && d->uRequestedHeight && d->uRequestedWidth < w && d->uRequestedHeight < h) {
      w = d->uRequestedWidth;
      h = d->uRequestedHeight;
    }
    s.bandRows = BandRowsFor(w, h);
    if (s.bandRows) {
      // The page bitmap is a header the view measures; the band bitmap takes the drawing.
      r = VkInitBitmapHeader(&s.bitmap, sizeof(_BITMAPHANDLE), w, h, 24);
      if (r == XLX_OK) r = VkCreateBitmap(&s.band, sizeof(_BITMAPHANDLE), 1, w, s.bandRows, 24, 1, nullptr, 1, nullptr, 0);
      s.bandMade = r == XLX_OK;
      s.band.uXResolution = t->uXResolution;
      s.band.uYResolution = t->uYResolution;
    } else {
      r = VkCreateBitmap(&s.bitmap, sizeof(_BITMAPHANDLE), 1, w, h, 24, 1, nullptr, 1, nullptr, VK_BITMAP_WHITE_WHEN_USED);
      s.bitmapMade = r == XLX_OK;
    }
  }
  if (r != XLX_OK) return r;
  s.bitmap.uXResolution = t->uXResolution;
  s.bitmap.uYResolution = t->uYResolution;
  return XLX_OK;
}

// Hands the rows of `bitmap` to the host as rows [top, top + bitmap height) of a page of
// `pageHeight` rows. Rows of pixel memory are handed over where they lie (the callback only reads
// them); the rows of a blank or unpainted bitmap, or of one whose pixels are still in the buffer
// they were drawn in, are read through the host into one row buffer, each just before it goes.
int32_t DeliverRows(_LOADDISPATCH* d, _BITMAPHANDLE* bitmap, uint32_t top, uint32_t pageHeight) {
  if (!(bitmap->uFlags & BITMAP_ALLOCATED)) return XLX_ERR_NO_PIXELS;
  const bool inPlace = bitmap->pData && !(bitmap->uFlags & (BITMAP_BLANK | BITMAP_UNPAINTED | BITMAP_DEFERRED));
  uint8_t* row = nullptr;
  if (!inPlace) {
    row = static_cast<uint8_t*>(VK_ALLOC(bitmap->uBytesPerLine ? bitmap->uBytesPerLine : 1, 1));
    if (!row) return XLX_ERR_MEMORY;
  }
  // Only memory read in place is an access: beginning one would write held-back rows there.
  int32_t r = inPlace ? VkBeginBitmapAccess(bitmap) : XLX_OK;
  const bool begun = inPlace && r == XLX_OK;
  const int32_t height = static_cast<int32_t>(bitmap->uHeight);
  for (int32_t y = 0; y < height && r == XLX_OK; ++y) {
    const uint8_t* pixels = inPlace ? bitmap->pData + static_cast<size_t>(y) * bitmap->uBytesPerLine : row;
    if (!inPlace) {
      const int32_t copied = VkGetBitmapRow(bitmap, row, y, bitmap->uBytesPerLine);
      if (copied < 1) {
        r = copied;
        break;
      }
    }
    const uint32_t pageRow = top + static_cast<uint32_t>(y);
    uint32_t flags = XLX_ROW_DATA | (pageRow == 0 ? XLX_ROW_FIRST : 0u) | (pageRow + 1 == pageHeight ? XLX_ROW_LAST : 0u);
    r = d->pfnRowDelivery ? d->pfnRowDelivery(d->pFileInfo, bitmap, pixels, flags, static_cast<int32_t>(pageRow), 1,
                                              d->uRowDeliveryUser)
                          : XLX_OK;
  }
  if (begun) VkEndBitmapAccess(bitmap);
  VK_FREE(row);
  return r;
}

// Draws the page band after band into the band bitmap, each band white again first, and hands
// each band's rows to the host as soon as it is drawn.
int32_t DrawAndDeliverBands(_LOADDISPATCH* d, DocumentContext* c, const DocumentSteps& steps, LoadState& s) {
  const uint32_t width = s.bitmap.uWidth, height = s.bitmap.uHeight;
  int32_t r = XLX_OK;
  for (uint32_t top = 0; top < height && r == XLX_OK; top += s.bandRows) {
    s.band.uHeight = height - top < s.bandRows ? height - top : s.bandRows;
    s.band.uFlags |= BITMAP_UNPAINTED;  // white again, written with the band's drawing
    r = BindPageBand(&s.band, width, height, top);
    if (r == XLX_OK) r = steps.draw(c, &s.bitmap, false);
    (void)BindPageBand(nullptr, 0, 0, 0);
    if (r == XLX_OK) r = DeliverRows(d, &s.band, top, height);
    if (r == XLX_OK) r = PollProgress(d->pProgress);
  }
  return r;
}

uint32_t ClampPage(uint32_t page, int32_t total) {
  if (total > 0 && page > static_cast<uint32_t>(total)) return static_cast<uint32_t>(total);
  return page < 1 ? 1 : page;
}

// Parses privately or takes the cached parse, then draws the requested page.
int32_t RenderPage(_LOADDISPATCH* d, ViewOptions* view, LoadState& s, bool headerOnly, WorkbookCache* cache,
                   bool parseNeeded) {
  DocumentContext* c = CreateDocumentContext(*view, d, d->pProgress);
  if (!c) return XLX_ERR_MEMORY;
  c->pszSourcePath = d->pszFileName;
  const DocumentSteps& steps = GetDocumentSteps();
  int32_t r = XLX_OK;
  try {
    if (parseNeeded) {
      r = PollProgress(d->pProgress);
      const char16_t* path = view->decryptedPathInUse ? view->decryptedPath : d->pszFileName;
      if (r == XLX_OK) r = steps.parse(c, path);
      if (r == XLX_OK) r = PollProgress(d->pProgress);
    } else {
      r = AdoptCachedResults(cache, c);
    }
    if (r == XLX_OK) {
      c->nPageNumber = ClampPage(c->nPageNumber, c->totalPageCount);
      view->pageNumber = c->nPageNumber;
      LocatePage(*c, c->nPageNumber, &c->nCurrWorksheet, &c->nCurrPageInSheet);
      r = s.bandRows && !headerOnly ? DrawAndDeliverBands(d, c, steps, s) : steps.draw(c, &s.bitmap, headerOnly);
    }
  } catch (...) {
    r = XLX_ERR_FORMAT;
  }
  if (parseNeeded && c->pParsed) steps.release(c->pParsed);
  FreeDocumentContext(c);
  return r;
}

int32_t RunLoad(_LOADDISPATCH* d, LoadState& s) {
  ScreenResolution screen = GetScreenResolution();
  int32_t r = PollProgress(d->pProgress);
  if (r != XLX_OK) return r;
  if (d->pLoadFileOption->nPageNumber <= 0) {
    d->pLoadFileOption->nPageNumber = 1;
    if (d->pFileInfo) d->pFileInfo->uPageNumber = 1;
  }
  s.cache = FindCache(d->pFilterData);
  bool parseNeeded = true;
  if (s.cache) {
    r = AcquireCacheRead(s.cache);
    if (r != XLX_OK) return r;
    s.readLockHeld = true;
    if (CacheOptionsEqual(s.cache, d->dispatchRasterizeDocOptions)) {
      parseNeeded = false;
    } else {
      ReleaseCacheRead(s.cache);
      s.readLockHeld = false;
    }
  }
  if (parseNeeded) {
    r = CheckSourceFile(d, s);
    if (r != XLX_OK) return r;
  }
  _RASTERIZEDOCOPTIONS normalized;
  r = NormalizePageGeometry(d->dispatchRasterizeDocOptions, d->pfnUnitConverter, screen, &normalized);
  if (r != XLX_OK) return r;
  ViewOptions view;
  uint32_t flags = parseNeeded ? d->dispatchXlxFlags : CachedFlags(s.cache);
  BuildViewOptions(normalized, flags, static_cast<uint32_t>(d->pLoadFileOption->nPageNumber), &view);
  if (s.packagePath[0]) {
    view.decryptedPathInUse = 1;
    CopyTruncated(view.decryptedPath, 260, s.packagePath);
  }
  r = PrepareBitmap(d, s);
  if (r != XLX_OK) return r;
  r = PollProgress(d->pProgress);
  if (r != XLX_OK) return r;
  const bool headerOnly = d->uHeaderOnly != 0;
  try {
    r = RenderPage(d, &view, s, headerOnly, s.cache, parseNeeded);
  } catch (...) {
    return XLX_ERR_RENDER_EXCEPTION;
  }
  if (r != XLX_OK) return r;
  if (!headerOnly && !s.bandRows) {
    r = DeliverRows(d, &s.bitmap, 0, s.bitmap.uHeight);
    if (r != XLX_OK) return r;
  }
  return PollProgress(d->pProgress);
}

}  // namespace

int32_t LoadDriver(_LOADDISPATCH* d) {
  if (!d || !d->pLoadFileOption) return XLX_ERR_ARGUMENT;
  LoadState state;
  int32_t r = RunLoad(d, state);
  EndLoad(state);
  return r;
}

}  // namespace xlx
