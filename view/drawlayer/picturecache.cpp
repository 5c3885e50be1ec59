#include "view/drawlayer/picturecache.h"

#include <algorithm>
#include <cctype>
#include <cmath>
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

// Reads and decodes one picture at the size asked, applies its effects and prepares it for
// drawing; null when it cannot be had.
std::shared_ptr<const DecodedPicture> Decode(const Workbook& workbook, const PictureRequest& r, bool vector) {
  // A scaled vector picture is decoded at its own size and then resampled as a raster one.
  uint8_t* data = nullptr;
  uint64_t size = 0;
  const int64_t read = ReadWorkbookPart(&workbook, r.path, &data, &size);
  if (read <= 0 || !data) {
    if (data) VK_FREE(data);
    return nullptr;
  }
  uint32_t w = 0, h = 0;
  TargetSize(r, &w, &h);
  _BITMAPHANDLE bitmap = {};
  int32_t rc = VkLoadImageFromMemory(data, static_cast<size_t>(size), 32, vector ? w : 0, vector ? h : 0, &bitmap);
  VK_FREE(data);
  if (rc == XLX_OK && w == 0 && r.scale > 0 && r.scale != 1) {
    const double sw = std::max(1.0, std::floor(bitmap.uWidth * r.scale + 0.5));
    const double sh = std::max(1.0, std::floor(bitmap.uHeight * r.scale + 0.5));
    if (sw <= kMaxTargetSide && sh <= kMaxTargetSide && sw * sh <= kMaxTargetPixels)
      w = static_cast<uint32_t>(sw), h = static_cast<uint32_t>(sh), vector = false;
  }
  // A raster picture is resampled once here rather than filtered on every page.
  if (rc == XLX_OK && !vector && w > 0 && (w != bitmap.uWidth || h != bitmap.uHeight)) rc = VkResampleBitmap(&bitmap, w, h);
  for (int32_t i = 0; rc == XLX_OK && i < r.effectCount; ++i) rc = ApplyEffect(r.effects[i], &bitmap);
  auto picture = std::shared_ptr<DecodedPicture>(new (std::nothrow) DecodedPicture);
  if (rc == XLX_OK && !picture) rc = XLX_ERR_MEMORY;
  if (rc == XLX_OK) rc = CreateDrawImage(&bitmap, &picture->image);
  if (rc == XLX_OK) {
    picture->width = bitmap.uWidth, picture->height = bitmap.uHeight;
    picture->bytes = size_t(bitmap.uWidth) * bitmap.uHeight * 4;
  }
  if (bitmap.pData) VkFreeBitmap(&bitmap);
  return rc == XLX_OK ? picture : nullptr;
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

std::shared_ptr<const DecodedPicture> PictureCache::Get(const Workbook& workbook, const PictureRequest& request) {
  if (!request.path || !*request.path || request.effectCount < 0 || request.effectCount > kMaxPictureEffects + 1)
    return nullptr;
  try {
    const bool vector = IsVectorPicturePath(request.path);
    const std::u16string key = Key(request);
    std::shared_ptr<Entry> entry = Lookup(key);
    std::lock_guard<std::mutex> lock(entry->mutex);
    if (!entry->done) {
      entry->picture = Decode(workbook, request, vector);
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

size_t PictureCache::DecodeCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return decodes_;
}

}  // namespace xlx
