// Document properties of a workbook package. The reader opens the file on its own, independent of
// any parsed workbook the host may hold, takes the first zip entry whose name contains "core.xml",
// and returns the properties it finds as fixed-size name/value items.
#include "filter/metadata.h"

#include <pugixml.hpp>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

#include "common/apiutils.h"
#include "common/calendar.h"
#include "common/resultcodes.h"
#include "filter/xlxfilter.h"
#include "host/kernel/vkkrnx.h"
#include "filter/filtercache.h"
#include "package/decrypter.h"
#include "package/encryptionsniffer.h"
#include "package/xlsxunzip.h"

namespace xlx {
namespace {

// The working record: eight fields of 127 units and a terminator each, in this order.
enum CoreField { kTitle, kSubject, kAuthor, kKeywords, kRevision, kLastSavedBy, kCreated, kModified, kFieldCount };

struct CoreProperties {
  char16_t fields[kFieldCount][kMetadataFieldUnits];
};

// What the host receives, in this order, for each non-empty field.
struct ItemSource {
  const char16_t* name;
  const char* element;  // qualified name of the child of cp:coreProperties
  CoreField field;
  bool bDate;
};

const ItemSource kItemSources[] = {
    {u"author", "dc:creator", kAuthor, false},
    {u"create_date", "dcterms:created", kCreated, true},
    {u"modified_date", "dcterms:modified", kModified, true},
    {u"keywords", "cp:keywords", kKeywords, false},
    {u"last_saved_by", "cp:lastModifiedBy", kLastSavedBy, false},
    {u"revision_number", "cp:revision", kRevision, false},
    {u"subject", "dc:subject", kSubject, false},
    {u"title", "dc:title", kTitle, false},
};
static_assert(sizeof kItemSources / sizeof kItemSources[0] == kFieldCount, "one item per field");

constexpr unsigned kCoreParseFlags = pugi::parse_default | pugi::parse_ws_pcdata_single;  // 1140

// Cuts at 127 units, one unit earlier when the cut would split a surrogate pair.
void CopyField(char16_t* field, std::u16string_view text) {
  size_t n = text.size() < kMetadataFieldUnits - 1 ? text.size() : kMetadataFieldUnits - 1;
  if (n < text.size() && n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  std::memcpy(field, text.data(), n * sizeof(char16_t));
  field[n] = 0;
}

// ---- dates ------------------------------------------------------------------------------------

// Leading decimal digits after blanks; no digits read as 0. Saturates, so a run of digits in a
// hostile file cannot overflow; the range checks then refuse the value.
int64_t DecimalPrefix(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    if (value < 1000000000) value = value * 10 + (text[i] - '0');
  return value;
}

// The `index`-th piece of `text` split at `separator`; the last piece keeps any later separators.
std::string_view Piece(std::string_view text, char separator, int index, bool lastTakesRest) {
  for (int i = 0; i < index; ++i) {
    size_t at = text.find(separator);
    if (at == std::string_view::npos) return {};
    text.remove_prefix(at + 1);
  }
  return lastTakesRest ? text : text.substr(0, text.find(separator));
}

// Local time in the layout "%m/%d/%Y %I:%M:%S %p", written by hand so that the host process's
// C locale cannot change the AM/PM marker.
std::string FormatLocalTime(const std::tm& t) {
  int hour12 = t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12;
  char text[64];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d %s", t.tm_mon + 1, t.tm_mday, t.tm_year + 1900,
                hour12, t.tm_min, t.tm_sec, t.tm_hour < 12 ? "AM" : "PM");
  return text;
}

// ---- the core-properties part -----------------------------------------------------------------

struct PartListOwner {
  PartList list;
  ~PartListOwner() { FreePartList(&list); }
};

struct HostBlockRelease {
  void operator()(uint8_t* block) const { VK_FREE(block); }
};

int32_t FirstEntryContaining(const PartList& list, std::u16string_view fragment) {
  for (int32_t i = 0; i < list.count; ++i)
    if (list.names[i] && std::u16string_view(list.names[i]).find(fragment) != std::u16string_view::npos) return i;
  return -1;
}

void FillCoreProperties(const pugi::xml_document& document, CoreProperties* props) {
  pugi::xml_node root = document.document_element();
  // The prefix is part of the check: a part that names the element otherwise is not read.
  if (std::strcmp(root.name(), "cp:coreProperties") != 0) return;
  for (const ItemSource& source : kItemSources) {
    pugi::xml_node element = root.child(source.element);
    if (!element) continue;
    std::string_view text = element.first_child().value();
    char16_t* field = props->fields[source.field];
    if (source.bDate) {
      std::string local;
      if (FormatCoreDate(text, &local)) CopyField(field, Utf8ToUtf16(local));
    } else {
      // A field holds 127 units and every UTF-8 sequence gives at least one, so four bytes a
      // unit is more text than the field can take, however long the element's text is.
      CopyField(field, Utf8ToUtf16(text.substr(0, 4 * kMetadataFieldUnits)));
    }
  }
}

// Leaves every field empty when the package has no core-properties entry, the entry cannot be
// read or it does not parse.
void ReadCoreProperties(int64_t handle, CoreProperties* props) {
  PartListOwner parts;
  if (BuildPartList(handle, &parts.list, nullptr, nullptr) != XLX_OK) return;
  int32_t index = FirstEntryContaining(parts.list, u"core.xml");
  if (index < 0) return;
  // Part reads drop one leading "/", so a "/" in front names this very entry even when the
  // package stores its name with a slash of its own.
  std::u16string name = u"/" + std::u16string(parts.list.names[index]);
  uint8_t* raw = nullptr;
  uint64_t size = 0;
  int64_t read = ReadPart(handle, name.c_str(), &raw, &size, &parts.list);
  std::unique_ptr<uint8_t, HostBlockRelease> data(raw);
  if (read <= 0 || !data) return;
  pugi::xml_document document;
  if (!document.load_buffer_inplace(data.get(), static_cast<size_t>(read), kCoreParseFlags, pugi::encoding_auto))
    return;
  FillCoreProperties(document, props);
}

// Opens the source file and checks that it is a package. A password-protected package is read
// from the decrypted package of the host's cached workbook when there is one, else decrypted
// into a temporary file (`tempPath`) that the caller deletes.
int32_t OpenPackage(const MetadataRequest* request, int64_t* handle, char16_t* tempPath) {
  *handle = VkOpenFile(request->pszFileName, VK_OPEN_READ | VK_OPEN_BINARY, 0);
  if (*handle == -1) return XLX_ERR_REOPEN;
  int32_t kind = 0;
  bool encrypted = false;
  int32_t result = SniffEncryption(*handle, &kind, &encrypted);
  if (result == XLX_OK && kind != kDocPackage) result = XLX_CORRUPT(XLX_ERR_FORMAT, "compound file of another document kind");
  if (result == XLX_OK && encrypted) {
    const char16_t* cached = CachedDecryptedPackage(request->pFilterData);
    if (!cached) {
      result = DecryptToTempFile(*handle, kRequestSpreadsheet, request->uPasswordSource, nullptr, tempPath);
      cached = tempPath;
    }
    VkCloseFile(*handle);
    *handle = result == XLX_OK ? VkOpenTempFile(cached) : -1;
    if (result == XLX_OK && *handle == -1) result = XLX_ERR_REOPEN;
    return result;
  }
  if (result != XLX_OK) {
    VkCloseFile(*handle);
    *handle = -1;
  }
  return result;
}

// Closes the package and deletes a temporary decrypted one on every way out.
struct FileCloser {
  int64_t handle = -1;
  char16_t tempPath[kTempPathUnits] = {0};
  ~FileCloser() {
    if (handle != -1) VkCloseFile(handle);
    if (tempPath[0]) VkDeleteFile(tempPath);
  }
};

int32_t ReadMetadataChecked(MetadataRequest* request) {
  if (!request || !request->pszFileName || !request->pItemList || !request->pfnPrepare) return XLX_ERR_ARGUMENT;
  FileCloser file;
  int32_t result = OpenPackage(request, &file.handle, file.tempPath);
  if (result != XLX_OK) return result;
  CoreProperties props{};
  ReadCoreProperties(file.handle, &props);
  VkCloseFile(file.handle);
  file.handle = -1;

  int32_t count = 0;
  for (const ItemSource& source : kItemSources)
    if (props.fields[source.field][0]) ++count;
  if (count == 0) return result;
  int32_t prepared = request->pfnPrepare(request->pItemList, count);
  if (prepared != XLX_OK) return prepared;
  MetadataItem* item = request->pItemList->pItems;
  if (!item) return XLX_ERR_ARGUMENT;
  for (const ItemSource& source : kItemSources) {
    const char16_t* value = props.fields[source.field];
    if (!value[0]) continue;
    CopyField(item->szName, source.name);
    CopyField(item->szValue, value);
    ++item;
  }
  return XLX_OK;
}

}  // namespace

bool FormatCoreDate(std::string_view text, std::string* localText) {
  localText->clear();
  size_t t = text.find('T');
  std::string_view date = text.substr(0, t);
  std::string_view time = t == std::string_view::npos ? std::string_view() : text.substr(t + 1);

  // The zone: a "+" is checked before a "-", and "Z" only when neither is present.
  int64_t zoneSign = 0;
  size_t zoneAt = time.find('+');
  if (zoneAt != std::string_view::npos) {
    zoneSign = 1;
  } else if ((zoneAt = time.find('-')) != std::string_view::npos) {
    zoneSign = -1;
  } else {
    zoneAt = time.find('Z');
  }
  std::string_view clock = time.substr(0, zoneAt);
  std::string_view offset = zoneSign != 0 ? time.substr(zoneAt + 1) : std::string_view();

  const int64_t year = DecimalPrefix(Piece(date, '-', 0, false));
  const int64_t month = DecimalPrefix(Piece(date, '-', 1, false));
  const int64_t day = DecimalPrefix(Piece(date, '-', 2, false));
  const int64_t hour = DecimalPrefix(Piece(clock, ':', 0, false));
  const int64_t minute = DecimalPrefix(Piece(clock, ':', 1, false));
  const int64_t second = DecimalPrefix(Piece(clock, ':', 2, true));
  const int64_t offsetHours = DecimalPrefix(Piece(offset, ':', 0, false));
  const int64_t offsetMinutes = DecimalPrefix(Piece(offset, ':', 1, false));
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
      minute > 59 || second > 59 || offsetHours > 23 || offsetMinutes > 59)
    return false;

  // A zone ahead of UTC means the same wall-clock time came earlier in UTC.
  int64_t utc = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second -
                zoneSign * (offsetHours * 60 + offsetMinutes) * 60;
  std::time_t instant = static_cast<std::time_t>(utc);
  std::tm local;
  tzset();  // follow the process's current zone, as a fresh local-time conversion would
  if (!localtime_r(&instant, &local)) return false;
  *localText = FormatLocalTime(local);
  return true;
}

int32_t ReadMetadataItems(MetadataRequest* request) {
  try {
    return ReadMetadataChecked(request);
  } catch (...) {
    return XLX_EXCEPTION_INFO;
  }
}

}  // namespace xlx
