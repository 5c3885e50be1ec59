// PDF and SVG output of xlxrender: each page is drawn by the filter onto a vector page of the host
// drawing engine (bound to the drawing thread), and pages are written in page order whatever
// order the threads finish them in. Each file appears under its name only when complete.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "filterhost.h"
#include "outputfile.h"
#include "host/drawing/vkdrwx.h"
#include "options.h"

// A document file being written: it gets its name only through Commit; otherwise it is removed.
class PendingDocument {
 public:
  ~PendingDocument();
  // Opens the file and the host's document of `kind` on it. 1 or the host's code.
  int32_t Create(int32_t kind, const std::string& name, VkVectorDocument** document);
  // After VkFinishVectorDocument: names the file. False when it cannot.
  bool Commit();

 private:
  OutputFile file_;
  int fd_ = -1;
};

class VectorOutput {
 public:
  // `pageCount` of the workbook's `total` pages are selected; they are written in the order of their indexes.
  VectorOutput(const RenderOptions& options, size_t pageCount, int32_t total);
  ~VectorOutput();
  // Creates the PDF with the workbook's title and author. 0, or the exit status with a message.
  int Begin(FilterHost& host);
  // Draws page `page` (the `index`-th selected) and writes every page that is next in order.
  // 0, or the exit status (the message is printed).
  int RenderPage(FilterHost& host, size_t index, int32_t page);
  // Finishes the PDF. 0 or the exit status.
  int Finish();

 private:
  int RenderSvgPage(FilterHost& host, int32_t page, const PageSize& size, double dpi);
  int WriteReady();
  int WritePage(size_t index, VkVectorPage* page);
  const RenderOptions& options_;
  std::mutex slotsLock_;                 // guards done_, pageNumbers_ and next_
  std::vector<VkVectorPage*> done_;      // recorded pages waiting for their turn
  std::vector<int32_t> pageNumbers_;
  size_t next_ = 0;                      // index of the next page to write
  std::mutex writeLock_;                 // held by the one thread writing pages
  VkVectorDocument* pdf_ = nullptr;
  PendingDocument pdfFile_;
  std::string pdfName_;
  const int32_t total_;
};

// The output file of a PDF: -o NAME or OUTROOT.pdf.
std::string PdfOutputName(const RenderOptions& options);
