// Decoded pictures of one workbook, shared by every page and every thread that draws it. Each
// picture (a part with its colour effects, and for vector formats the pixel size it is drawn
// at) is made once; the made pixels are kept while their total stays within the cache's budget,
// least recently used first out. A picture that cannot be read or decoded is remembered as such
// and not tried again.
//
// A raster part is read and decoded once however many sizes, crops and effects it is drawn
// with: its pixels are kept as a source, reduced to twice the width of the first size asked (at
// most its own size and kMaxSourcePixels), and every picture of the part is made from them. A
// later request past that decodes the part again at twice its size or twice the source's width,
// whichever is more, so a part is decoded a few times at most. Sources stay within half the budget, least recently used first out.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "host/hostrecords.h"
#include "view/drawlayer/drawlayer.h"
#include "model/workbook.h"

namespace xlx {

// A decoded picture, prepared for drawing; released with the record.
struct DecodedPicture {
  DecodedPicture() = default;
  ~DecodedPicture();
  DecodedPicture(const DecodedPicture&) = delete;
  DecodedPicture& operator=(const DecodedPicture&) = delete;
  VkImage* image = nullptr;
  uint32_t width = 0, height = 0;  // px
  size_t bytes = 0;                // pixel memory held
};

struct PictureRequest {
  const char16_t* path = nullptr;          // picture part
  const PictureEffect* effects = nullptr;  // colour effects applied in order after decoding
  int32_t effectCount = 0;                 // at most kMaxPictureEffects + 1: one the page adds
  // Device pixels the drawn part of the picture covers, and the share of the picture's width and
  // height that part is (less than 1 when cropped). The picture is decoded (vector formats) or
  // resampled (raster formats) so that it lands pixel for pixel; 0 x 0 keeps its own size.
  uint32_t width = 0, height = 0;
  double keepWidth = 1, keepHeight = 1;
  // Without a size: the picture made at its own size times this (0 or 1: its own size).
  double scale = 0;
};

class PictureCache {
 public:
  static constexpr size_t kDefaultBudgetBytes = size_t(256) << 20;
  explicit PictureCache(size_t budgetBytes = kDefaultBudgetBytes) : budget_(budgetBytes) {}
  PictureCache(const PictureCache&) = delete;
  PictureCache& operator=(const PictureCache&) = delete;

  // The decoded picture, decoded on first use; null when the part is missing or empty, no decoder
  // reads it or an effect fails. The picture stays valid while the caller holds it, whatever the
  // cache drops meanwhile. Thread-safe.
  std::shared_ptr<const DecodedPicture> Get(const Workbook& workbook, const PictureRequest& request);

  size_t DecodedBytes() const;  // pixel memory of the pictures the cache holds
  size_t DecodeCount() const;   // pictures made so far (tests and benchmarks)
  size_t SourceBytes() const;   // pixel memory of the raster sources the cache holds
  size_t SourceDecodeCount() const;  // raster parts decoded so far

  static constexpr uint64_t kMaxSourcePixels = 16u * 1000 * 1000;

 private:
  struct Source;
  std::shared_ptr<const Source> SourceFor(const Workbook& workbook, const PictureRequest& request);
  void AccountSource(const std::u16string& path, const std::shared_ptr<Source>& source);
  std::shared_ptr<const DecodedPicture> Make(const Workbook& workbook, const PictureRequest& request, bool vector);

  struct Entry {
    std::mutex mutex;  // held while the picture is decoded
    bool done = false;
    std::shared_ptr<const DecodedPicture> picture;
    uint64_t lastUse = 0;
  };
  std::shared_ptr<Entry> Lookup(const std::u16string& key);
  void Account(const std::u16string& key, const std::shared_ptr<Entry>& entry);

  const size_t budget_;
  mutable std::mutex mutex_;  // guards the map, the clock and the byte count
  std::unordered_map<std::u16string, std::shared_ptr<Entry>> entries_;
  std::unordered_map<std::u16string, std::shared_ptr<Source>> sources_;  // raster parts by path
  size_t bytes_ = 0;
  size_t sourceBytes_ = 0;
  size_t decodes_ = 0;
  size_t sourceDecodes_ = 0;
  uint64_t clock_ = 0;
};

// Whether the part's name marks a vector picture (SVG, EMF, WMF), which decodes at any size.
bool IsVectorPicturePath(const std::u16string& path);

}  // namespace xlx
