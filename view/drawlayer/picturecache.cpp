#include "view/drawlayer/picturecache.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <new>

#include "host/imagecolor/vkimgclrx.h"
#include "host/kernel/vkimage.h"
#include "host/kernel/vkkrnx.h"
#include "view/drawlayer/drawlayer.h"

namespace xlx {
namespace {

constexpr double kMaxTargetSide = VK_MAX_VECTOR_SIDE;
constexpr double kMaxTargetPixels = 32.0 * 1000 * 1000;

// The size the whole picture is made at, so that its kept part covers width x height; 0 x 0 for
// its own size (no size asked, or one past the limits).
void TargetSize(const PictureRequest& r, uint32_t* w, uint32_t* h) {
  *w = *h = 0;
  if (r.width == 0 || r.height == 0 || !(r.keepWidth > 0.001) || !(r.keepHeight > 0.001)) return;
  const double tw = std::floor(r.width / r.keepWidth + 0.5), th = std::floor(r.height / r.keepHeight + 0.5);
  if (tw < 1 || th < 1 || tw > kMaxTargetSide || th > kMaxTargetSide || tw * th > kMaxTargetPixels) return;
  *w = static_cast<uint32_t>(tw), *h = static_cast<uint32_t>(th);
}

// The key of a request: the part, the effects with their values, and the size it is made at.
std::u16string Key(const PictureRequest& r) {
  std::string tail;
  for (int32_t i = 0; i < r.effectCount; ++i) {
    const PictureEffect& e = r.effects[i];
    tail += "|" + std::to_string(e.kind) + "," + std::to_string(e.value1) + "," + std::to_string(e.value2) + "," +
            std::to_string(e.color1) + "," + std::to_string(e.color2);
  }
  uint32_t w = 0, h = 0;
  TargetSize(r, &w, &h);
  tail += "@" + std::to_string(w) + "x" + std::to_string(h) + "*" + std::to_string(r.scale);
  std::u16string key = r.path;
  key.push_back(u'\0');
  key.append(tail.begin(), tail.end());
  return key;
}

int32_t ApplyEffect(const PictureEffect& e, _BITMAPHANDLE* b) {
  switch (e.kind) {
    case kEffectGrayscale: return VkGreyBitmap(b);
    case kEffectBiLevel: return VkColorBlackWhite(b, e.value1 / 100);
    case kEffectLum: return VkAdjustBrightnessContrast(b, e.value1 / 100, e.value2 / 100);
    case kEffectDuotone: return VkColorDuotone(b, e.color1 & 0xFFFFFF, e.color2 & 0xFFFFFF);
    default: return XLX_OK;
  }
}

// Resamples a decoded bitmap to w x h (0 x 0: as it is), applies the effects and prepares it for
// drawing; frees the bitmap's pixels. Null when any step fails.
std::shared_ptr<const DecodedPicture> Finish(_BITMAPHANDLE* bitmap, const PictureRequest& r, uint32_t w, uint32_t h,
                                             int32_t rc) {
  if (rc == XLX_OK && w > 0 && (w != bitmap->uWidth || h != bitmap->uHeight)) rc = VkResampleBitmap(bitmap, w, h);
  for (int32_t i = 0; rc == XLX_OK && i < r.effectCount; ++i) rc = ApplyEffect(r.effects[i], bitmap);
  auto picture = std::shared_ptr<DecodedPicture>(new (std::nothrow) DecodedPicture);
  if (rc == XLX_OK && !picture) rc = XLX_ERR_MEMORY;
  if (rc == XLX_OK) rc = CreateDrawImage(bitmap, &picture->image);
  if (rc == XLX_OK) {
    picture->width = bitmap->uWidth, picture->height = bitmap->uHeight;
    picture->bytes = size_t(bitmap->uWidth) * bitmap->uHeight * 4;
  }
  if (bitmap->pData) VkFreeBitmap(bitmap);
  return rc == XLX_OK ? picture : nullptr;
}

// Reads a part and decodes it: a vector one at w x h (0 x 0 its own size), a raster one reduced
// while decoding when it has more than `maxPixels` (0: never), its own size then in `own`.
int32_t ReadAndDecode(const Workbook& workbook, const char16_t* path, uint32_t w, uint32_t h, _BITMAPHANDLE* bitmap,
                      uint64_t maxPixels = 0, uint32_t* own = nullptr) {
  uint8_t* data = nullptr;
  uint64_t size = 0;
  const int64_t read = ReadWorkbookPart(&workbook, path, &data, &size);
  if (read <= 0 || !data) {
    if (data) VK_FREE(data);
    return XLX_ERR_READ;
  }
  const int32_t rc = maxPixels ? VkLoadImageReduced(data, static_cast<size_t>(size), 32, maxPixels, bitmap, own, own + 1)
                               : VkLoadImageFromMemory(data, static_cast<size_t>(size), 32, w, h, bitmap);
  VK_FREE(data);
  return rc;
}

// A vector picture decoded at the size asked; a scaled one is decoded at its own size and then
// resampled as a raster one.
std::shared_ptr<const DecodedPicture> DecodeVector(const Workbook& workbook, const PictureRequest& r) {
  uint32_t w = 0, h = 0;
  TargetSize(r, &w, &h);
  _BITMAPHANDLE bitmap = {};
  const int32_t rc = ReadAndDecode(workbook, r.path, w, h, &bitmap);
  uint32_t sw = 0, sh = 0;
  if (rc == XLX_OK && w == 0 && r.scale > 0 && r.scale != 1) {
    const double fw = std::max(1.0, std::floor(bitmap.uWidth * r.scale + 0.5));
    const double fh = std::max(1.0, std::floor(bitmap.uHeight * r.scale + 0.5));
    if (fw <= kMaxTargetSide && fh <= kMaxTargetSide && fw * fh <= kMaxTargetPixels)
      sw = static_cast<uint32_t>(fw), sh = static_cast<uint32_t>(fh);
  }
  return Finish(&bitmap, r, sw, sh, rc);
}

// The share of a raster picture's own size a request needs: the size asked over the own size
// (1 without a size), at most 1.
double NeededScale(const PictureRequest& r, uint32_t ownWidth, uint32_t ownHeight) {
  uint32_t w = 0, h = 0;
  TargetSize(r, &w, &h);
  if (w == 0 || ownWidth == 0 || ownHeight == 0) return r.scale > 0 ? std::min(1.0, r.scale) : 1.0;
  return std::min(1.0, std::max(double(w) / ownWidth, double(h) / ownHeight));
}

// The largest share of its own size a picture is kept at as a source.
double SourceCap(uint32_t ownWidth, uint32_t ownHeight) {
  const double pixels = double(ownWidth) * ownHeight;
  return pixels > PictureCache::kMaxSourcePixels ? std::sqrt(PictureCache::kMaxSourcePixels / pixels) : 1.0;
}

}  // namespace

// The pixels of one raster part, decoded once and reduced to `scale` of the part's own size.
struct PictureCache::Source {
  ~Source() {
    if (bitmap.pData) VkFreeBitmap(&bitmap);
  }
  std::mutex mutex;  // held while the part is decoded
  bool done = false;
  _BITMAPHANDLE bitmap = {};  // no pixels when the part cannot be read or decoded
  uint32_t ownWidth = 0, ownHeight = 0;
  double scale = 0;  // of the own size, the least of width and height
  double most = 0;   // the largest scale the part can be had at
  size_t bytes = 0;
  uint64_t lastUse = 0;

  // Decodes the part and keeps it at twice the size the request needs, at least `least` of its
  // own size (and at most what the part gives).
  void Decode(const Workbook& workbook, const char16_t* path, const PictureRequest& request, double least) {
    done = true;
    uint32_t own[2] = {0, 0};
    if (ReadAndDecode(workbook, path, 0, 0, &bitmap, kMaxSourcePixels, own) != XLX_OK) return;
    ownWidth = own[0], ownHeight = own[1];
    if (!ownWidth || !ownHeight) {
      VkFreeBitmap(&bitmap);
      std::memset(&bitmap, 0, sizeof(bitmap));
      return;
    }
    // The decoder may have reduced it already: that is the most this part gives.
    most = std::min(SourceCap(ownWidth, ownHeight), std::min(double(bitmap.uWidth) / ownWidth, double(bitmap.uHeight) / ownHeight));
    const double keep = std::min(most, std::max(2 * NeededScale(request, ownWidth, ownHeight), least));
    const uint32_t w = std::max(1u, static_cast<uint32_t>(std::floor(ownWidth * keep + 0.5)));
    const uint32_t h = std::max(1u, static_cast<uint32_t>(std::floor(ownHeight * keep + 0.5)));
    if ((w < bitmap.uWidth || h < bitmap.uHeight) && VkResampleBitmap(&bitmap, w, h) != XLX_OK) VkFreeBitmap(&bitmap);
    if (!bitmap.pData) {
      std::memset(&bitmap, 0, sizeof(bitmap));
      return;
    }
    scale = std::min(double(bitmap.uWidth) / ownWidth, double(bitmap.uHeight) / ownHeight);
    bytes = size_t(bitmap.uBytesPerLine) * bitmap.uHeight;
  }
  // Whether the request needs more pixels than the source holds and the part has them.
  bool TooSmallFor(const PictureRequest& request) const {
    return bitmap.pData && scale < most * 0.999 && NeededScale(request, ownWidth, ownHeight) > scale * 1.001;
  }
};

namespace {

// A copy of a source's pixels, to be resampled and coloured on its own.
int32_t CopyBitmap(const _BITMAPHANDLE& from, _BITMAPHANDLE* to) {
  std::memset(to, 0, sizeof(*to));
  if (VkCreateBitmap(to, sizeof(*to), 1, from.uWidth, from.uHeight, from.uBitsPerPixel, 1, nullptr, 1, nullptr, 0) !=
      XLX_OK)
    return XLX_ERR_MEMORY;
  // The record is packed: its fields are read into locals, never bound by reference.
  const uint32_t fromLine = from.uBytesPerLine, toLine = to->uBytesPerLine;
  const size_t row = std::min(fromLine, toLine);
  for (uint32_t y = 0; y < from.uHeight; ++y)
    std::memcpy(static_cast<uint8_t*>(to->pData) + size_t(y) * toLine,
                static_cast<const uint8_t*>(from.pData) + size_t(y) * fromLine, row);
  return XLX_OK;
}

}  // namespace

DecodedPicture::~DecodedPicture() { FreeDrawImage(image); }

bool IsVectorPicturePath(const std::u16string& path) {
  size_t dot = path.rfind(u'.');
  if (dot == std::u16string::npos) return false;
  std::string ext;
  for (size_t i = dot + 1; i < path.size() && ext.size() < 5; ++i)
    ext.push_back(static_cast<char>(std::tolower(path[i] < 128 ? static_cast<int>(path[i]) : '_')));
  return ext == "svg" || ext == "emf" || ext == "wmf" || ext == "emz" || ext == "wmz";
}

std::shared_ptr<PictureCache::Entry> PictureCache::Lookup(const std::u16string& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::shared_ptr<Entry>& slot = entries_[key];
  if (!slot) slot = std::make_shared<Entry>();
  slot->lastUse = ++clock_;
  return slot;
}

// Counts a new picture in and, while the cache holds more than its budget, lets go of the
// pictures used longest ago (never the new one).
void PictureCache::Account(const std::u16string& key, const std::shared_ptr<Entry>& entry) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++decodes_;
  if (!entry->picture) return;
  bytes_ += entry->picture->bytes;
  while (bytes_ > budget_) {
    auto oldest = entries_.end();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->second == entry || !it->second->picture) continue;
      if (oldest == entries_.end() || it->second->lastUse < oldest->second->lastUse) oldest = it;
    }
    if (oldest == entries_.end()) break;
    bytes_ -= oldest->second->picture->bytes;
    entries_.erase(oldest);
  }
  if (bytes_ > budget_) {
    // Alone it is over the budget: it is drawn this time and decoded again next time.
    bytes_ -= entry->picture->bytes;
    entries_.erase(key);
  }
}

// The source of the request's raster part, decoded on first use and again, larger, when the
// request needs more pixels than it holds. Null when the part cannot be had.
std::shared_ptr<const PictureCache::Source> PictureCache::SourceFor(const Workbook& workbook,
                                                                    const PictureRequest& request) {
  const std::u16string path = request.path;
  std::shared_ptr<Source> source;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::shared_ptr<Source>& slot = sources_[path];
    if (!slot) slot = std::make_shared<Source>();
    source = slot;
    source->lastUse = ++clock_;
  }
  std::lock_guard<std::mutex> lock(source->mutex);
  if (source->done && !source->TooSmallFor(request)) return source->bitmap.pData ? source : nullptr;
  const double least = source->done ? 2 * source->scale : 0;
  // A larger source is made beside the one in use, which stays valid for whoever holds it.
  std::shared_ptr<Source> made = source->done ? std::make_shared<Source>() : source;
  made->Decode(workbook, request.path, request, least);
  AccountSource(path, made);
  return made->bitmap.pData ? made : nullptr;
}

// Counts a decoded source in (in place of the one of its part it replaces) and lets go of the
// sources used longest ago while they hold more than half the budget (never the new one).
void PictureCache::AccountSource(const std::u16string& path, const std::shared_ptr<Source>& source) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++sourceDecodes_;
  auto found = sources_.find(path);
  if (found != sources_.end() && found->second != source) {
    sourceBytes_ -= found->second->bytes;
    found->second = source;
  } else if (found == sources_.end()) {
    sources_.emplace(path, source);
  }
  sourceBytes_ += source->bytes;
  while (sourceBytes_ > budget_ / 2) {
    auto oldest = sources_.end();
    for (auto it = sources_.begin(); it != sources_.end(); ++it) {
      if (it->second == source || !it->second->bytes) continue;
      if (oldest == sources_.end() || it->second->lastUse < oldest->second->lastUse) oldest = it;
    }
    if (oldest == sources_.end()) break;
    sourceBytes_ -= oldest->second->bytes;
    sources_.erase(oldest);
  }
  if (sourceBytes_ > budget_ / 2) {
    // Alone it is over the share: it makes this picture and is decoded again next time.
    sourceBytes_ -= source->bytes;
    sources_.erase(path);
  }
}

// One picture of a request: a vector part decoded at its size, a raster one made from the
// part's source at the size asked (its own size, or that times the scale, without one).
std::shared_ptr<const DecodedPicture> PictureCache::Make(const Workbook& workbook, const PictureRequest& r,
                                                         bool vector) {
  if (vector) return DecodeVector(workbook, r);
  std::shared_ptr<const Source> source = SourceFor(workbook, r);
  if (!source) return nullptr;
  uint32_t w = 0, h = 0;
  TargetSize(r, &w, &h);
  if (w == 0) {
    const double scale = r.scale > 0 ? r.scale : 1.0;
    const double fw = std::max(1.0, std::floor(source->ownWidth * scale + 0.5));
    const double fh = std::max(1.0, std::floor(source->ownHeight * scale + 0.5));
    if (fw <= kMaxTargetSide && fh <= kMaxTargetSide && fw * fh <= kMaxTargetPixels)
      w = static_cast<uint32_t>(fw), h = static_cast<uint32_t>(fh);
  }
  _BITMAPHANDLE bitmap = {};
  const int32_t rc = CopyBitmap(source->bitmap, &bitmap);
  return Finish(&bitmap, r, w, h, rc);
}

std::shared_ptr<const DecodedPicture> PictureCache::Get(const Workbook& workbook, const PictureRequest& request) {
  if (!request.path || !*request.path || request.effectCount < 0 || request.effectCount > kMaxPictureEffects + 1)
    return nullptr;
  try {
    const bool vector = IsVectorPicturePath(request.path);
    const std::u16string key = Key(request);
    std::shared_ptr<Entry> entry = Lookup(key);
    std::lock_guard<std::mutex> lock(entry->mutex);
    if (!entry->done) {
      entry->picture = Make(workbook, request, vector);
      entry->done = true;
      Account(key, entry);
    }
    return entry->picture;
  } catch (...) {
    return nullptr;  // out of memory: the picture is not drawn
  }
}

size_t PictureCache::DecodedBytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return bytes_;
}

size_t PictureCache::SourceBytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sourceBytes_;
}

size_t PictureCache::SourceDecodeCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sourceDecodes_;
}

size_t PictureCache::DecodeCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return decodes_;
}

}  // namespace xlx
