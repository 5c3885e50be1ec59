#include "vectoroutput.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "common/utf8.h"
#include "common/resultcodes.h"

namespace {

std::u16string ToUtf16(const std::string& s) {
  std::u16string out(s.size(), u'\0');
  out.resize(s.empty() ? 0 : xlx::DecodeUtf8(s.data(), s.size(), &out[0]));
  return out;
}

bool SameName(const char16_t* a, const char16_t* b) {
  for (; *a && *b; ++a, ++b) {
    char16_t x = *a >= u'A' && *a <= u'Z' ? *a + 32 : *a, y = *b >= u'A' && *b <= u'Z' ? *b + 32 : *b;
    if (x != y) return false;
  }
  return *a == *b;
}

int WriteFailure(const std::string& name, int32_t code) {
  std::fprintf(stderr, "xlxrender: cannot write %s (code %d)\n", name.c_str(), code);
  return code == XLX_ERR_REOPEN ? 2 : 99;
}

// A page name the system would not take (too long): exit status 2, as for a file not written.
int NameFailure(const std::string& error) {
  std::fprintf(stderr, "xlxrender: %s\n", error.c_str());
  return 2;
}

}  // namespace

PendingDocument::~PendingDocument() {
  file_.Discard();
  if (fd_ >= 0) close(fd_);
}

int32_t PendingDocument::Create(int32_t kind, const std::string& name, VkVectorDocument** document) {
  fd_ = file_.Open(name);
  if (fd_ < 0) return XLX_ERR_REOPEN;
  return VkCreateVectorDocument(kind, ToUtf16(file_.WritePath()).c_str(), document);
}

bool PendingDocument::Commit() {
  const bool named = file_.Commit();
  close(fd_);
  fd_ = -1;
  return named;
}

std::string PdfOutputName(const RenderOptions& o) { return o.pattern.empty() ? o.outRoot + ".pdf" : o.pattern; }

VectorOutput::VectorOutput(const RenderOptions& options, size_t pageCount, int32_t total)
    : options_(options), done_(pageCount, nullptr), pageNumbers_(pageCount, 0), total_(total) {}

VectorOutput::~VectorOutput() {
  for (VkVectorPage* page : done_) VkDestroyVectorPage(page);
  VkDestroyVectorDocument(pdf_);
}

int VectorOutput::Begin(FilterHost& host) {
  if (options_.format != RenderOptions::Format::kPdf) return 0;
  pdfName_ = PdfOutputName(options_);
  int32_t r = pdfFile_.Create(VK_VECTOR_PDF, pdfName_, &pdf_);
  if (r != XLX_OK) return WriteFailure(pdfName_, r);
  // Title and author come from the document properties; a workbook without them has none.
  std::u16string title, author;
  if (host.Metadata([&](const char16_t* name, const char16_t* value) {
        if (SameName(name, u"title")) title = value;
        if (SameName(name, u"author")) author = value;
      }) == XLX_OK)
    (void)VkSetVectorDocumentInfo(pdf_, title.c_str(), author.c_str());
  return 0;
}

int VectorOutput::RenderPage(FilterHost& host, size_t index, int32_t page) {
  PageSize size;
  int32_t r = host.Info(page, &size);
  if (r != XLX_OK) {
    std::fprintf(stderr, "xlxrender: %s: page information failed with code %d: %s\n", options_.input.c_str(), r,
                 MeaningOf(r));
    return ExitStatusFor(r);
  }
  const double dpi = size.xRes ? size.xRes : 96;
  if (!pdf_ && options_.threads <= 1) return RenderSvgPage(host, page, size, dpi);
  VkVectorPage* recorded = nullptr;
  // One thread draws the pages in order straight into the PDF; several record theirs to be
  // written in order.
  r = pdf_ && options_.threads <= 1 ? VkCreateDocumentPage(pdf_, size.width, size.height, dpi, &recorded)
                                    : VkCreateVectorPage(size.width, size.height, dpi, &recorded);
  if (r != XLX_OK) {
    std::fprintf(stderr, "xlxrender: %s: page %d (%u x %u pixels) cannot be recorded\n", options_.input.c_str(), page,
                 size.width, size.height);
    return 99;
  }
  // The filter draws the page as always; the surface it makes on this thread lands on `recorded`.
  (void)VkBindVectorPage(recorded);
  r = host.Render(page, size, [](const uint8_t*, int32_t, uint32_t) -> int32_t { return XLX_OK; });
  (void)VkBindVectorPage(nullptr);
  if (r != XLX_OK || !VkVectorPageUsed(recorded)) {
    VkDestroyVectorPage(recorded);
    std::fprintf(stderr, "xlxrender: %s: rendering failed with code %d: %s\n", options_.input.c_str(), r, MeaningOf(r));
    return r != XLX_OK ? ExitStatusFor(r) : 99;
  }
  {
    std::lock_guard<std::mutex> guard(slotsLock_);
    done_[index] = recorded;
    pageNumbers_[index] = page;
  }
  // One thread writes at a time; the others go back to drawing. The writer looks again after it
  // lets go, so a page stored while it was finishing is not left behind.
  for (;;) {
    std::unique_lock<std::mutex> writer(writeLock_, std::try_to_lock);
    if (!writer.owns_lock()) return 0;
    const int status = WriteReady();
    writer.unlock();
    if (status != 0) return status;
    std::lock_guard<std::mutex> guard(slotsLock_);
    if (next_ >= done_.size() || !done_[next_]) return 0;
  }
}

// One thread draws each SVG page straight into its own document.
int VectorOutput::RenderSvgPage(FilterHost& host, int32_t page, const PageSize& size, double dpi) {
  std::string name, error;
  if (!MakePageOutputName(options_, page, total_, "svg", &name, &error)) return NameFailure(error);
  VkVectorDocument* svg = nullptr;
  VkVectorPage* drawn = nullptr;
  PendingDocument file;
  int32_t r = file.Create(VK_VECTOR_SVG, name, &svg);
  if (r != XLX_OK) return WriteFailure(name, r);
  r = VkCreateDocumentPage(svg, size.width, size.height, dpi, &drawn);
  int status = 0;
  if (r == XLX_OK) {
    (void)VkBindVectorPage(drawn);
    r = host.Render(page, size, [](const uint8_t*, int32_t, uint32_t) -> int32_t { return XLX_OK; });
    (void)VkBindVectorPage(nullptr);
    if (r != XLX_OK || !VkVectorPageUsed(drawn)) {
      std::fprintf(stderr, "xlxrender: %s: rendering failed with code %d: %s\n", options_.input.c_str(), r, MeaningOf(r));
      status = r != XLX_OK ? ExitStatusFor(r) : 99;
    } else {
      r = VkAddVectorPage(svg, drawn);
      if (r == XLX_OK) r = VkFinishVectorDocument(svg);
      if (r == XLX_OK && !file.Commit()) r = XLX_ERR_REOPEN;
      if (r != XLX_OK) status = WriteFailure(name, r);
    }
  } else {
    std::fprintf(stderr, "xlxrender: %s: page %d (%u x %u pixels) cannot be drawn\n", options_.input.c_str(), page,
                 size.width, size.height);
    status = 99;
  }
  VkDestroyVectorPage(drawn);  // before its document
  VkDestroyVectorDocument(svg);
  if (status == 0 && options_.progress) std::fprintf(stderr, "page %d/%d: %s\n", page, total_, name.c_str());
  else if (status == 0 && !options_.quiet) std::printf("%s\n", name.c_str());
  return status;
}

// With the write lock held: writes the pages that are next in order.
int VectorOutput::WriteReady() {
  for (;;) {
    VkVectorPage* page;
    size_t index;
    {
      std::lock_guard<std::mutex> guard(slotsLock_);
      if (next_ >= done_.size() || !done_[next_]) return 0;
      index = next_++;
      page = done_[index];
      done_[index] = nullptr;
    }
    const int status = WritePage(index, page);
    VkDestroyVectorPage(page);
    if (status != 0) return status;
  }
}

int VectorOutput::WritePage(size_t index, VkVectorPage* page) {
  const int32_t number = pageNumbers_[index];
  if (pdf_) {
    int32_t r = VkAddVectorPage(pdf_, page);
    if (r != XLX_OK) return WriteFailure(pdfName_, r);
    if (options_.progress) std::fprintf(stderr, "page %d/%d: %s\n", number, total_, pdfName_.c_str());
    return 0;
  }
  std::string name, error;
  if (!MakePageOutputName(options_, number, total_, "svg", &name, &error)) return NameFailure(error);
  VkVectorDocument* svg = nullptr;
  PendingDocument file;
  int32_t r = file.Create(VK_VECTOR_SVG, name, &svg);
  if (r == XLX_OK) r = VkAddVectorPage(svg, page);
  if (r == XLX_OK) r = VkFinishVectorDocument(svg);
  if (r == XLX_OK && !file.Commit()) r = XLX_ERR_REOPEN;
  VkDestroyVectorDocument(svg);
  if (r != XLX_OK) return WriteFailure(name, r);
  if (options_.progress) std::fprintf(stderr, "page %d/%d: %s\n", number, total_, name.c_str());
  else if (!options_.quiet) std::printf("%s\n", name.c_str());
  return 0;
}

int VectorOutput::Finish() {
  {
    std::lock_guard<std::mutex> writer(writeLock_);
    const int status = WriteReady();
    if (status != 0) return status;
  }
  if (!pdf_) return 0;
  int32_t r = VkFinishVectorDocument(pdf_);
  if (r == XLX_OK && !pdfFile_.Commit()) r = XLX_ERR_REOPEN;
  if (r != XLX_OK) return WriteFailure(pdfName_, r);
  if (!options_.quiet && !options_.progress) std::printf("%s\n", pdfName_.c_str());
  return 0;
}
