#include "tests/robustness/rawzip.h"

#include <zlib.h>
#include <cstring>

namespace xlxtest {
namespace {

// Little-endian integers of `bytes` bytes.
void Put(std::vector<unsigned char>* out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void Put16(std::vector<unsigned char>* out, uint64_t v) { Put(out, v, 2); }
void Put32(std::vector<unsigned char>* out, uint64_t v) { Put(out, v, 4); }
void Put64(std::vector<unsigned char>* out, uint64_t v) { Put(out, v, 8); }
void PutBytes(std::vector<unsigned char>* out, const std::string& s) { out->insert(out->end(), s.begin(), s.end()); }

// Sizes as the fixed fields show them, and the zip64 extra field that carries the real ones.
std::string Zip64Extra(const RawEntry& e) {
  std::vector<unsigned char> x;
  Put16(&x, 1), Put16(&x, 16), Put64(&x, e.declaredSize), Put64(&x, e.data.size());
  return std::string(x.begin(), x.end());
}

void PutHeaderTail(std::vector<unsigned char>* out, const RawEntry& e) {
  Put16(out, 0), Put16(out, e.method), Put16(out, 0), Put16(out, 0x21);  // flags, method, time, 1980-01-01
  Put32(out, e.crc);
  Put32(out, e.zip64 ? 0xFFFFFFFFu : e.data.size());
  Put32(out, e.zip64 ? 0xFFFFFFFFu : e.declaredSize);
  Put16(out, e.name.size());
  Put16(out, e.zip64 ? 20 : 0);
}

}  // namespace

std::vector<unsigned char> BuildRawZip(const std::vector<RawEntry>& entries, int64_t claimedEntries) {
  std::vector<unsigned char> out;
  std::vector<uint64_t> offsets;
  for (const RawEntry& e : entries) {
    offsets.push_back(out.size());
    Put32(&out, 0x04034b50);
    Put16(&out, e.zip64 ? 45 : 20);
    PutHeaderTail(&out, e);
    PutBytes(&out, e.name);
    if (e.zip64) PutBytes(&out, Zip64Extra(e));
    PutBytes(&out, e.data);
  }
  const uint64_t directory = out.size();
  for (size_t i = 0; i < entries.size(); ++i) {
    const RawEntry& e = entries[i];
    Put32(&out, 0x02014b50);
    Put16(&out, 45);
    Put16(&out, e.zip64 ? 45 : 20);
    PutHeaderTail(&out, e);
    Put16(&out, 0), Put16(&out, 0), Put16(&out, 0);  // comment length, disk, internal attributes
    Put32(&out, 0), Put32(&out, offsets[i]);           // external attributes, local header
    PutBytes(&out, e.name);
    if (e.zip64) PutBytes(&out, Zip64Extra(e));
  }
  const uint64_t directorySize = out.size() - directory;
  const uint64_t count = claimedEntries >= 0 ? static_cast<uint64_t>(claimedEntries) : entries.size();
  if (count > 0xFFFF) {
    const uint64_t record = out.size();
    Put32(&out, 0x06064b50), Put64(&out, 44), Put16(&out, 45), Put16(&out, 45), Put32(&out, 0), Put32(&out, 0);
    Put64(&out, count), Put64(&out, count), Put64(&out, directorySize), Put64(&out, directory);
    Put32(&out, 0x07064b50), Put32(&out, 0), Put64(&out, record), Put32(&out, 1);  // its locator
  }
  Put32(&out, 0x06054b50), Put16(&out, 0), Put16(&out, 0);
  Put16(&out, count > 0xFFFF ? 0xFFFF : count), Put16(&out, count > 0xFFFF ? 0xFFFF : count);
  Put32(&out, directorySize), Put32(&out, directory), Put16(&out, 0);
  return out;
}

namespace {
// `text` as one raw deflate stream, ended by `flush`.
std::string Deflate(const std::string& text, int flush) {
  z_stream z;
  std::memset(&z, 0, sizeof z);
  deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, text.size()) + 64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = reinterpret_cast<Bytef*>(&out[0]);
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, flush);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}
}  // namespace

RawEntry DeflatedEntry(const std::string& name, const std::string& text) {
  RawEntry e;
  e.name = name;
  e.data = Deflate(text, Z_FINISH);
  e.crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
  e.declaredSize = text.size();
  return e;
}

std::string RepeatedDeflate(uint32_t mebibytes, char fill) {
  // A full flush ends the block on a byte boundary and forgets the history, so the same bytes
  // may follow themselves any number of times.
  const std::string chunk = Deflate(std::string(1u << 20, fill), Z_FULL_FLUSH);
  std::string stream;
  stream.reserve(chunk.size() * mebibytes + 2);
  for (uint32_t i = 0; i < mebibytes; ++i) stream += chunk;
  return stream + std::string("\x03\x00", 2);  // an empty final block
}

uint32_t CrcOfRepeated(uint64_t count, char fill) {
  const std::string block(1u << 20, fill);
  const uLong blockCrc = crc32(0, reinterpret_cast<const Bytef*>(block.data()), static_cast<uInt>(block.size()));
  uLong crc = crc32(0, nullptr, 0);
  for (; count >= block.size(); count -= block.size()) crc = crc32_combine(crc, blockCrc, static_cast<z_off_t>(block.size()));
  crc = crc32(crc, reinterpret_cast<const Bytef*>(block.data()), static_cast<uInt>(count));
  return static_cast<uint32_t>(crc);
}

}  // namespace xlxtest
