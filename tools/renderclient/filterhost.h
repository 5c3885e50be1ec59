// The host side of the filter: loads libxlxfilter.so as a plug-in, fills the host records and
// calls its entry points.
#pragma once
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "host/hostrecords.h"
#include "options.h"

struct PageSize {
  uint32_t width = 0, height = 0, totalPages = 0, format = 0, xRes = 0, yRes = 0;
  uint32_t warnings = 0;  // XlxWarning bits: what the pages leave out
  std::u16string range;  // sheet and cells of a printed page ("Sheet1!A1:H52"); empty otherwise
};

class FilterHost {
 public:
  ~FilterHost();
  // Loads the filter library. False with a message when it cannot be found.
  bool Load(std::string* error);
  // Loads the filter library from `path` (a program that ships its own copy). False with a message.
  bool LoadFrom(const std::string& path, std::string* error);
  // Opens the workbook for information calls. The host handle stays open until Close.
  bool Open(const RenderOptions& options, std::string* error);
  void Close();
  // fltInfo for one page. Returns the filter's result code.
  int32_t Info(int32_t page, PageSize* size);
  // fltLoad for one page; rows go to `row` (BGR, row index, width). Returns the result code.
  using RowSink = std::function<int32_t(const uint8_t* bgr, int32_t row, uint32_t flags)>;
  int32_t Render(int32_t page, const PageSize& size, const RowSink& row);
  int32_t Metadata(std::function<void(const char16_t* name, const char16_t* value)> item);
  // Whether a holder keeps the filter's parse between calls (shared by all Render calls).
  FilterDataHolder* holder() { return &holder_; }

 private:
  // The per-call records a dispatch points at.
  struct CallRecords {
    explicit CallRecords(int32_t page);
    _FILEINFOPRINT fileInfo;  // with the printed-page range
    _LOADFILEOPTION loadOption;
  };
  bool BindEntryPoints(std::string* error);
  void FillOptions(_RASTERIZEDOCOPTIONS* o) const;
  uint64_t PasswordSource() const;
  template <typename Dispatch>
  void FillDispatch(Dispatch* d, CallRecords* records);
  void* library_ = nullptr;
  int32_t (*info_)(_INFODISPATCH*) = nullptr;
  int32_t (*load_)(_LOADDISPATCH*) = nullptr;
  int32_t (*free_)(void*, uint32_t) = nullptr;
  int32_t (*metadata_)(MetadataRequest*) = nullptr;
  RenderOptions options_;
  std::u16string path16_;
  int64_t file_ = -1;
  FilterDataHolder holder_{};
  std::mutex infoLock_;
};

// Exit status and message text for a filter result code.
int ExitStatusFor(int32_t code);
const char* MeaningOf(int32_t code);
