// Vector pages and documents: a page is a Cairo recording surface that a DrawingSurface draws on
// in place of its bitmap; a document replays recorded pages, in the order they are added, into a
// Cairo PDF or SVG surface that writes through a host file handle.
//
// Pages record in bitmap pixels; the document scales them by 72 / dpi into points, so the same
// operations give a page of the paper's size whatever the resolution the filter laid out at.
#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <atomic>
#include <new>
#include <string>
#include "host/drawing/drawinginternal.h"

struct VkVectorPage {
  uint32_t width = 0, height = 0;
  double dpi = 96;
  cairo_surface_t* recording = nullptr;  // or, for a page drawn into its document, that document's surface
  VkVectorDocument* document = nullptr;  // set for a page drawn straight into its document
  std::atomic<bool> taken{false};
  std::unordered_map<std::string, cairo_surface_t*> pictures;  // by tag, one reference each
  ~VkVectorPage() {
    // Finished first: an SVG surface that replayed the recording keeps a reference to it, which
    // would otherwise keep every command of the page alive to the end of the process.
    if (recording && !document) cairo_surface_finish(recording);
    if (recording) cairo_surface_destroy(recording);
    for (auto& entry : pictures) cairo_surface_destroy(entry.second);
  }
};

struct VkVectorDocument {
  int32_t kind = 0;
  int64_t file = -1;
  bool writeFailed = false;
  cairo_surface_t* surface = nullptr;  // made with the first page, whose size it needs
  cairo_t* cr = nullptr;
  int32_t pages = 0;
  const VkVectorPage* openPage = nullptr;  // made by VkCreateDocumentPage, not added yet
  std::string title, author;  // UTF-8
  ~VkVectorDocument();
};

namespace vkdraw {
namespace {

constexpr uint32_t kMaxVectorPagePixels = 1000000;
thread_local VkVectorPage* t_boundPage = nullptr;

cairo_status_t WriteToFile(void* closure, const unsigned char* data, unsigned int length) {
  auto* doc = static_cast<VkVectorDocument*>(closure);
  if (doc->file == -1 || VkWriteFile(doc->file, data, length) != static_cast<int64_t>(length)) {
    doc->writeFailed = true;
    return CAIRO_STATUS_WRITE_ERROR;
  }
  return CAIRO_STATUS_SUCCESS;
}

// Makes the document's Cairo surface at the first page's size in points.
int32_t StartDocument(VkVectorDocument* doc, double widthPt, double heightPt) {
  if (doc->kind == VK_VECTOR_PDF) {
    doc->surface = cairo_pdf_surface_create_for_stream(WriteToFile, doc, widthPt, heightPt);
    if (!doc->title.empty()) cairo_pdf_surface_set_metadata(doc->surface, CAIRO_PDF_METADATA_TITLE, doc->title.c_str());
    if (!doc->author.empty())
      cairo_pdf_surface_set_metadata(doc->surface, CAIRO_PDF_METADATA_AUTHOR, doc->author.c_str());
    cairo_pdf_surface_set_metadata(doc->surface, CAIRO_PDF_METADATA_CREATOR, "xlxrender");
  } else {
    doc->surface = cairo_svg_surface_create_for_stream(WriteToFile, doc, widthPt, heightPt);
    cairo_svg_surface_set_document_unit(doc->surface, CAIRO_SVG_UNIT_PT);
  }
  doc->cr = cairo_create(doc->surface);
  return cairo_status(doc->cr) == CAIRO_STATUS_SUCCESS ? XLX_OK : XLX_ERR_ENGINE;
}

// Sizes the document's next page (making the document with its first one): width x height
// pixels at `dpi`, in points.
int32_t SizeNextPage(VkVectorDocument* doc, uint32_t width, uint32_t height, double dpi) {
  const double scale = 72.0 / dpi;
  const double widthPt = width * scale, heightPt = height * scale;
  if (!doc->surface) return StartDocument(doc, widthPt, heightPt);
  if (doc->kind == VK_VECTOR_PDF) cairo_pdf_surface_set_size(doc->surface, widthPt, heightPt);
  return XLX_OK;
}

// Paints the page white, as the paper and the page bitmap are. The page's output then starts with
// an operation that covers it whole, which also spares Cairo's PDF and SVG writers the growing
// set of rectangles they would otherwise keep of where each following operation drew.
void PaintPaper(cairo_t* cr) {
  cairo_save(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_restore(cr);
}

// Finishes a PDF surface: Cairo writes the fonts, images and cross references it kept back and
// closes the stream. The fonts it subsets here are TrueType or name-keyed CFF: Cairo 1.16 drops one
// block per CID-keyed CFF font it embeds (the index of the font's FDArray, 768 bytes for the Noto
// CJK faces), so fontsetup.cpp keeps those files out of reach when TrueType CJK faces are installed.
cairo_status_t FinishPdfSurface(cairo_surface_t* surface) {
  cairo_surface_finish(surface);
  return cairo_surface_status(surface);
}

bool PageSizeAllowed(uint32_t width, uint32_t height, double dpi) {
  return width > 0 && height > 0 && width <= kMaxVectorPagePixels && height <= kMaxVectorPagePixels &&
         dpi >= 1 && dpi <= 10000;
}

}  // namespace

VkVectorPage* TakeBoundVectorPage(uint32_t width, uint32_t height) {
  VkVectorPage* page = t_boundPage;
  if (!page || page->width != width || page->height != height) return nullptr;
  page->taken.store(true);
  return page;
}

bool VectorPageBound() { return t_boundPage != nullptr; }

cairo_surface_t* VectorPageTarget(VkVectorPage* page) { return page->recording; }

cairo_surface_t* FindPagePicture(VkVectorPage* page, const std::string& tag) {
  auto found = page->pictures.find(tag);
  return found == page->pictures.end() ? nullptr : cairo_surface_reference(found->second);
}

void KeepPagePicture(VkVectorPage* page, const std::string& tag, cairo_surface_t* image) {
  try {
    if (page->pictures.emplace(tag, image).second) cairo_surface_reference(image);
  } catch (const std::bad_alloc&) {
  }
}

}  // namespace vkdraw

using namespace vkdraw;

VkVectorDocument::~VkVectorDocument() {
  if (cr) cairo_destroy(cr);
  if (surface) {
    // A document given up unfinished is written out as Cairo does on destroying it, through the
    // same call as a finished one (and under the font-file lock, as it may read fonts).
    std::lock_guard<std::mutex> files(FontFileMutex());
    if (kind == VK_VECTOR_PDF) (void)FinishPdfSurface(surface);
    cairo_surface_destroy(surface);
  }
  if (file != -1) VkCloseFile(file);
}

VK_API int32_t VkCreateVectorPage(uint32_t width, uint32_t height, double dpi, VkVectorPage** page) {
  if (!page) return XLX_ERR_ARGUMENT;
  *page = nullptr;
  if (!PageSizeAllowed(width, height, dpi)) return XLX_ERR_ARGUMENT;
  auto* made = new (std::nothrow) VkVectorPage;
  if (!made) return XLX_ERR_MEMORY;
  made->width = width, made->height = height, made->dpi = dpi;
  cairo_rectangle_t extents = {0, 0, static_cast<double>(width), static_cast<double>(height)};
  made->recording = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents);
  cairo_t* cr = cairo_create(made->recording);
  PaintPaper(cr);
  const cairo_status_t status = cairo_status(cr);
  cairo_destroy(cr);
  if (cairo_surface_status(made->recording) != CAIRO_STATUS_SUCCESS || status != CAIRO_STATUS_SUCCESS) {
    delete made;
    return XLX_ERR_MEMORY;
  }
  *page = made;
  return XLX_OK;
}

VK_API int32_t VkCreateDocumentPage(VkVectorDocument* document, uint32_t width, uint32_t height, double dpi,
                                    VkVectorPage** page) {
  if (!page) return XLX_ERR_ARGUMENT;
  *page = nullptr;
  if (!document || document->openPage || !PageSizeAllowed(width, height, dpi)) return XLX_ERR_ARGUMENT;
  if (document->kind == VK_VECTOR_SVG && document->pages > 0) return XLX_ERR_ARGUMENT;
  auto* made = new (std::nothrow) VkVectorPage;
  if (!made) return XLX_ERR_MEMORY;
  made->width = width, made->height = height, made->dpi = dpi;
  int32_t r = SizeNextPage(document, width, height, dpi);
  if (r != XLX_OK) {
    delete made;
    return r;
  }
  // Drawn in pixels like a recorded page: the device scale turns them into points underneath
  // whatever transforms the drawing sets.
  cairo_surface_set_device_scale(document->surface, 72.0 / dpi, 72.0 / dpi);
  made->recording = cairo_surface_reference(document->surface);
  PaintPaper(document->cr);
  made->document = document;
  document->openPage = made;
  *page = made;
  return XLX_OK;
}

VK_API void VkDestroyVectorPage(VkVectorPage* page) {
  if (page && t_boundPage == page) t_boundPage = nullptr;
  // A document page given up before it was added: what it drew stays on the document's next page.
  if (page && page->document && page->document->openPage == page) page->document->openPage = nullptr;
  delete page;
}

VK_API int32_t VkBindVectorPage(VkVectorPage* page) {
  t_boundPage = page;
  // The page bitmap the filter makes next is never read back: it need not hold pixels.
  (void)VkReserveBlankBitmap(page ? page->width : 0, page ? page->height : 0);
  return XLX_OK;
}

VK_API int32_t VkVectorPageUsed(const VkVectorPage* page) { return page && page->taken.load() ? 1 : 0; }

VK_API int32_t VkCreateVectorDocument(int32_t kind, const char16_t* path, VkVectorDocument** document) {
  if (!document) return XLX_ERR_ARGUMENT;
  *document = nullptr;
  if ((kind != VK_VECTOR_PDF && kind != VK_VECTOR_SVG) || !path || !path[0]) return XLX_ERR_ARGUMENT;
  auto* doc = new (std::nothrow) VkVectorDocument;
  if (!doc) return XLX_ERR_MEMORY;
  doc->kind = kind;
  doc->file = VkOpenFile(path, VK_OPEN_WRITE | VK_OPEN_CREATE | VK_OPEN_TRUNCATE | VK_OPEN_BINARY, 0644);
  if (doc->file == -1) {
    delete doc;
    return XLX_ERR_REOPEN;
  }
  *document = doc;
  return XLX_OK;
}

VK_API int32_t VkSetVectorDocumentInfo(VkVectorDocument* document, const char16_t* title, const char16_t* author) {
  if (!document || document->surface) return XLX_ERR_ARGUMENT;
  if ((title && !Utf16ToUtf8(title, -1, &document->title)) || (author && !Utf16ToUtf8(author, -1, &document->author)))
    return XLX_ERR_ARGUMENT;
  return XLX_OK;
}

VK_API int32_t VkAddVectorPage(VkVectorDocument* document, const VkVectorPage* page) {
  if (!document || !page || !page->taken.load()) return XLX_ERR_ARGUMENT;
  // Replaying glyphs may open font files; see FontFileMutex.
  std::lock_guard<std::mutex> files(FontFileMutex());
  if (page->document) {
    // Drawn in place already: the page is complete.
    if (page->document != document || document->openPage != page) return XLX_ERR_ARGUMENT;
    document->openPage = nullptr;
    if (document->kind == VK_VECTOR_PDF) cairo_show_page(document->cr);
    ++document->pages;
    return cairo_status(document->cr) == CAIRO_STATUS_SUCCESS ? XLX_OK : (document->writeFailed ? XLX_ERR_REOPEN : XLX_ERR_ENGINE);
  }
  if (document->kind == VK_VECTOR_SVG && document->pages > 0) return XLX_ERR_ARGUMENT;
  if (document->openPage) return XLX_ERR_ARGUMENT;
  const double scale = 72.0 / page->dpi;
  int32_t r = SizeNextPage(document, page->width, page->height, page->dpi);
  if (r != XLX_OK) return r;
  cairo_t* cr = document->cr;
  cairo_save(cr);
  cairo_scale(cr, scale, scale);
  cairo_set_source_surface(cr, page->recording, 0, 0);
  cairo_paint(cr);
  cairo_restore(cr);
  if (document->kind == VK_VECTOR_PDF) cairo_show_page(cr);
  ++document->pages;
  return cairo_status(cr) == CAIRO_STATUS_SUCCESS ? XLX_OK : (document->writeFailed ? XLX_ERR_REOPEN : XLX_ERR_ENGINE);
}

VK_API int32_t VkFinishVectorDocument(VkVectorDocument* document) {
  if (!document || !document->surface) return XLX_ERR_ARGUMENT;
  cairo_status_t status;
  {
    std::lock_guard<std::mutex> files(FontFileMutex());
    cairo_destroy(document->cr);
    document->cr = nullptr;
    if (document->kind == VK_VECTOR_PDF) {
      status = FinishPdfSurface(document->surface);
    } else {
      cairo_surface_finish(document->surface);
      status = cairo_surface_status(document->surface);
    }
  }
  const bool closed = VkCloseFile(document->file) == 1;
  document->file = -1;
  if (document->writeFailed || !closed) return XLX_ERR_REOPEN;
  return status == CAIRO_STATUS_SUCCESS ? XLX_OK : XLX_ERR_ENGINE;
}

VK_API void VkDestroyVectorDocument(VkVectorDocument* document) { delete document; }
