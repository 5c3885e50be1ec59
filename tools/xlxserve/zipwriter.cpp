#include "zipwriter.h"

#include <zlib.h>

namespace {

void Put16(std::string* out, uint32_t v) {
  out->push_back(static_cast<char>(v & 0xFF));
  out->push_back(static_cast<char>(v >> 8 & 0xFF));
}

void Put32(std::string* out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// Version needed 2.0, no flags but UTF-8 names, stored, a fixed 1980-01-01 time stamp.
void PutEntryFields(std::string* out, uint32_t crc, uint32_t size, size_t nameLength) {
  Put16(out, 20);
  Put16(out, 0x0800);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, 0x21);
  Put32(out, crc);
  Put32(out, size);
  Put32(out, size);
  Put16(out, static_cast<uint32_t>(nameLength));
  Put16(out, 0);
}

}  // namespace

bool ZipArchive::Add(const std::string& name, const std::string& bytes) {
  const uint64_t grown = data_.size() + 30 + name.size() + bytes.size();
  if (entries_.size() >= 65535 || grown >= 0xFFFFFFFFull || name.size() > 0xFFFF) return false;
  const uint32_t crc = static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
  entries_.push_back({name, crc, static_cast<uint32_t>(bytes.size()), static_cast<uint32_t>(data_.size())});
  Put32(&data_, 0x04034b50);
  PutEntryFields(&data_, crc, static_cast<uint32_t>(bytes.size()), name.size());
  data_ += name;
  data_ += bytes;
  return true;
}

std::string ZipArchive::Finish() {
  const uint32_t directoryStart = static_cast<uint32_t>(data_.size());
  for (const Entry& e : entries_) {
    Put32(&data_, 0x02014b50);
    Put16(&data_, 20);  // made by: version 2.0
    PutEntryFields(&data_, e.crc, e.size, e.name.size());
    Put16(&data_, 0);   // comment length
    Put16(&data_, 0);   // disk
    Put16(&data_, 0);   // internal attributes
    Put32(&data_, 0);   // external attributes
    Put32(&data_, e.offset);
    data_ += e.name;
  }
  const uint32_t directorySize = static_cast<uint32_t>(data_.size()) - directoryStart;
  Put32(&data_, 0x06054b50);
  Put16(&data_, 0);
  Put16(&data_, 0);
  Put16(&data_, static_cast<uint32_t>(entries_.size()));
  Put16(&data_, static_cast<uint32_t>(entries_.size()));
  Put32(&data_, directorySize);
  Put32(&data_, directoryStart);
  Put16(&data_, 0);
  entries_.clear();
  std::string out;
  out.swap(data_);
  return out;
}
