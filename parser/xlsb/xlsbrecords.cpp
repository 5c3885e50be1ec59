#include "parser/xlsb/xlsbrecords.h"

#include <cstring>
#include <new>

#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"

namespace xlx {

namespace {

// Reads one header at *pos: 1 with the type and size, 0 at the end of the data, -9 when the
// header or its payload runs past the end.
int32_t ReadHeader(const uint8_t* data, size_t size, size_t* pos, uint32_t* type, uint32_t* length) {
  size_t p = *pos;
  if (p >= size) return 0;
  uint32_t t = 0;
  for (int i = 0; i < 4; ++i) {
    if (p >= size) return XLX_CORRUPT(XLX_ERR_FORMAT, "record type past the end of the part");
    uint8_t byte = data[p++];
    t |= uint32_t(byte) << (8 * i);
    if (!(byte & 0x80)) break;
  }
  uint32_t n = 0;
  for (int i = 0; i < 4; ++i) {
    if (p >= size) return XLX_CORRUPT(XLX_ERR_FORMAT, "record size past the end of the part");
    uint8_t byte = data[p++];
    n |= uint32_t(byte & 0x7F) << (7 * i);
    if (!(byte & 0x80)) break;
  }
  if (n > size - p) return XLX_CORRUPT(XLX_ERR_FORMAT, "record payload past the end of the part");
  *type = t;
  *length = n;
  *pos = p;
  return XLX_OK;
}

}  // namespace

RecordList::~RecordList() {
  if (bytes_) VK_FREE(bytes_);
}

int32_t RecordList::Frame(uint8_t* bytes, size_t size) {
  if (bytes_) VK_FREE(bytes_);
  bytes_ = bytes;
  entries_.clear();
  // First pass: validate the framing and count, so the list is allocated once.
  size_t count = 0;
  for (int pass = 0; pass < 2; ++pass) {
    size_t pos = 0;
    uint32_t type = 0, length = 0;
    int32_t rc;
    while ((rc = ReadHeader(bytes, size, &pos, &type, &length)) == XLX_OK) {
      if (type == 0 && length == 0) break;  // an empty row header ends the stream
      if (pass == 0) {
        ++count;
      } else {
        entries_.push_back(RecordEntry{type, length, bytes + pos});
      }
      pos += length;
    }
    if (rc < 0) {
      entries_.clear();
      return rc;
    }
    if (pass == 0) {
      try {
        entries_.reserve(count);
      } catch (const std::bad_alloc&) {
        return XLX_ERR_MEMORY;
      }
    }
  }
  return XLX_OK;
}

int64_t RecordList::Find(uint32_t type) const {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].type == type) return int64_t(i);
  return XLX_ERR_MEMORY;
}

void AppendFramedRecord(const RecordEntry& record, std::vector<uint8_t>* out) {
  uint32_t type = record.type;
  do {  // the raw type keeps its continuation bits: its bytes are written as they stand
    out->push_back(uint8_t(type));
    type >>= 8;
  } while (type && (out->back() & 0x80));
  uint32_t size = record.size;
  do {
    uint8_t byte = size & 0x7F;
    size >>= 7;
    out->push_back(size ? byte | 0x80 : byte);
  } while (size);
  out->insert(out->end(), record.data, record.data + record.size);
}

int32_t LoadRecordList(int64_t handle, const PartList* parts, const char16_t* name, RecordList* list) {
  if (!name || !*name || !parts || !list || handle == XLX_ERR_MEMORY) return XLX_ERR_ARGUMENT;
  uint8_t* bytes = nullptr;
  uint64_t size = 0;
  int64_t n = ReadPart(handle, name, &bytes, &size, parts);
  if (n <= 0) {
    if (bytes) VK_FREE(bytes);
    return n == 0 ? list->Frame(nullptr, 0) : int32_t(n);
  }
  return list->Frame(bytes, size_t(n));
}

bool RecordCursor::Need(size_t n) {
  if (!ok_ || n > size_ - pos_) {
    ok_ = false;
    return false;
  }
  return true;
}

uint8_t RecordCursor::U8() {
  if (!Need(1)) return 0;
  return data_[pos_++];
}

uint16_t RecordCursor::U16() {
  if (!Need(2)) return 0;
  uint16_t v = uint16_t(data_[pos_] | (data_[pos_ + 1] << 8));
  pos_ += 2;
  return v;
}

uint32_t RecordCursor::U32() {
  if (!Need(4)) return 0;
  uint32_t v = uint32_t(data_[pos_]) | (uint32_t(data_[pos_ + 1]) << 8) | (uint32_t(data_[pos_ + 2]) << 16) |
               (uint32_t(data_[pos_ + 3]) << 24);
  pos_ += 4;
  return v;
}

double RecordCursor::F64() {
  if (!Need(8)) return 0;
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | data_[pos_ + size_t(i)];
  pos_ += 8;
  double value;
  memcpy(&value, &bits, sizeof value);
  return value;
}

void RecordCursor::Skip(size_t n) {
  if (Need(n)) pos_ += n;
}

std::u16string RecordCursor::Units(uint32_t count) {
  if (count > (size_ - pos_) / 2 || !ok_) {
    ok_ = false;
    return std::u16string();
  }
  std::u16string text(count, u'\0');
  for (uint32_t i = 0; i < count; ++i)
    text[i] = char16_t(data_[pos_ + 2 * i] | (data_[pos_ + 2 * i + 1] << 8));
  pos_ += size_t(count) * 2;
  return text;
}

std::u16string RecordCursor::WideString() {
  uint32_t count = U32();
  if (!ok_ || count == 0xFFFFFFFFu) return std::u16string();
  return Units(count);
}

std::u16string RecordCursor::ShortWideString() {
  uint16_t count = U16();
  if (!ok_) return std::u16string();
  return Units(count);
}

double RkNumber(uint32_t rk) {
  double value;
  if (rk & 2) {
    value = double(static_cast<int32_t>(rk) >> 2);
  } else {
    uint64_t bits = uint64_t(rk & 0xFFFFFFFCu) << 32;
    memcpy(&value, &bits, sizeof value);
  }
  return (rk & 1) ? value / 100 : value;
}

const char16_t* ErrorText(uint8_t code) {
  switch (code) {
    case 0x00: return u"#NULL!";
    case 0x07: return u"#DIV/0!";
    case 0x0F: return u"#VALUE!";
    case 0x17: return u"#REF!";
    case 0x1D: return u"#NAME?";
    case 0x24: return u"#NUM!";
    case 0x2A: return u"#N/A";
    case 0x2B: return u"#GETTING_DATA!";
    default: return nullptr;
  }
}

}  // namespace xlx
