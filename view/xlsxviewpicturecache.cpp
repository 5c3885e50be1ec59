#include "view/xlsxviewpicturecache.h"

#include <algorithm>
#include <cctype>
#include <new>

#include "host/imagecolor/vkimgclrx.h"
#include "host/kernel/vkimage.h"
#include "host/kernel/vkkrnx.h"

namespace xlx {
namespace {

// The key of a request: the part, the effects with their values, and the size of a vector picture.
std::u16string Key(const PictureRequest& r, bool vector) {
  std::string tail;
  for (int32_t i = 0; i < r.effectCount; ++i) {
    const PictureEffect& e = r.effects[i];
    tail += "|" + std::to_string(e.kind) + "," + std::to_string(e.value1) + "," + std::to_string(e.value2) + "," +
            std::to_string(e.color1) + "," + std::to_string(e.color2);
  }
  if (vector) tail += "@" + std::to_string(r.width) + "x" + std::to_string(r.height);
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
    default: return 1;
  }
}

// Reads and decodes one picture; null when it cannot be had.
std::shared_ptr<const DecodedPicture> Decode(const Workbook& workbook, const PictureRequest& r, bool vector) {
  uint8_t* data = nullptr;
  uint64_t size = 0;
  const int64_t read = ReadWorkbookPart(&workbook, r.path, &data, &size);
  if (read <= 0 || !data) {
    if (data) VK_FREE(data);
    return nullptr;
  }
  auto picture = std::shared_ptr<DecodedPicture>(new (std::nothrow) DecodedPicture);
  int32_t rc = picture ? VkLoadImageFromMemory(data, static_cast<size_t>(size), 32, vector ? r.width : 0,
                                               vector ? r.height : 0, &picture->bitmap)
                       : -1;
  VK_FREE(data);
  for (int32_t i = 0; rc == 1 && i < r.effectCount; ++i) rc = ApplyEffect(r.effects[i], &picture->bitmap);
  if (rc != 1) return nullptr;
  picture->bytes = static_cast<size_t>(picture->bitmap.uDataSize);
  return picture;
}

}  // namespace

DecodedPicture::~DecodedPicture() {
  if (bitmap.pData) VkFreeBitmap(&bitmap);
}

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
  if (!request.path || !*request.path || request.effectCount < 0 || request.effectCount > kMaxPictureEffects)
    return nullptr;
  try {
    const bool vector = IsVectorPicturePath(request.path);
    const std::u16string key = Key(request, vector);
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
