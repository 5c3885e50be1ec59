// Relationship parts: reading, target resolution against the source folder, and lookups.
#include "package/relationships.h"

#include <cstring>
#include <string>

#include "common/apiutils.h"
#include "common/limits.h"
#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"
#include "package/xmlnames.h"

namespace xlx {
namespace {

using U16 = std::u16string;

char16_t* CopyToHost(const U16& text) {
  auto* out = static_cast<char16_t*>(VK_ALLOC(text.size() + 1, sizeof(char16_t)));
  if (out) std::memcpy(out, text.data(), text.size() * sizeof(char16_t));
  return out;
}

bool StartsWith(const U16& text, const char16_t* prefix) { return text.compare(0, Utf16Length(prefix), prefix) == 0; }

bool EqualsIgnoringCase(const char16_t* a, const char16_t* b) {
  if (!a || !b) return false;
  size_t i = 0;
  for (; a[i] && b[i]; ++i)
    if (LowerUnit(a[i]) != LowerUnit(b[i])) return false;
  return a[i] == b[i];
}

U16 RelationshipPartPath(const char16_t* sourceDir, const char16_t* sourceName) {
  U16 dir = sourceDir ? sourceDir : u"";
  U16 name = sourceName ? sourceName : u"";
  if (!dir.empty()) return dir + u"/_rels/" + name + u".rels";
  return u"_rels/" + name + u".rels";
}

// The text after the last "/" of a Type URI; none when the URI ends with "/".
bool TypeNameOf(const U16& type, U16* name) {
  size_t slash = type.rfind(u'/');
  if (slash == U16::npos) {
    *name = type;
    return !type.empty();
  }
  if (slash + 1 == type.size()) return false;
  *name = type.substr(slash + 1);
  return true;
}

int32_t FillRecord(const pugi::xml_node& element, const char16_t* sourceDir, Relationship* record) {
  pugi::xml_attribute id = element.attribute("Id");
  if (id && !(record->id = CopyToHost(Utf8ToUtf16(id.value())))) return XLX_ERR_MEMORY;
  U16 typeName;
  if (TypeNameOf(Utf8ToUtf16(element.attribute("Type").value()), &typeName) &&
      !(record->typeName = CopyToHost(typeName)))
    return XLX_ERR_MEMORY;
  pugi::xml_attribute mode = element.attribute("TargetMode");
  if (mode && !(record->targetMode = CopyToHost(Utf8ToUtf16(mode.value())))) return XLX_ERR_MEMORY;
  pugi::xml_attribute target = element.attribute("Target");
  if (!target) return XLX_OK;
  U16 t = Utf8ToUtf16(target.value());
  return ResolveRelationshipTarget(sourceDir, t.c_str(), record);
}

}  // namespace

int32_t ResolveRelationshipTarget(const char16_t* sourceDir, const char16_t* target, Relationship* record) {
  const U16 d = sourceDir ? sourceDir : u"";
  U16 t = target ? target : u"";
  // An absolute target that repeats the source folder becomes relative to it.
  if (!d.empty()) {
    size_t at = t.find(d);
    if (at != U16::npos) {
      t = t.substr(at + d.size());
      if (!t.empty() && t[0] == u'/') t.erase(0, 1);
    }
  }
  // Targets rooted at the xl folder are rewritten as one level up from a folder inside it.
  if (d.find(u"xl") != U16::npos && t.find(u"xl") != U16::npos) {
    if (StartsWith(t, u"/xl")) t.replace(0, 3, u"..");
    else if (StartsWith(t, u"xl")) t.replace(0, 2, u"..");
  }
  U16 w = d;
  while (StartsWith(t, u"../") && w.size() >= 2) {
    t.erase(0, 3);
    size_t slash = w.rfind(u'/');
    w = slash == U16::npos ? U16() : w.substr(0, slash);
  }
  U16 targetDir = w;
  while (StartsWith(t, u"../")) t.erase(0, 3);
  size_t last = t.rfind(u'/');
  size_t l = last == U16::npos ? 0 : last;
  U16 targetName, targetPath;
  if (!d.empty()) {
    if (l > 0) {
      targetDir += u"/" + t.substr(0, l);
      if (l + 1 < t.size()) t = t.substr(l + 1);
    }
    targetName = t;
    targetPath = targetDir + u"/" + targetName;
  } else {
    if (l > 0) {
      targetDir = t.substr(0, l);
      targetName = l + 1 < t.size() ? t.substr(l + 1) : t;
    } else {
      targetName = t;
    }
    targetPath = t;
  }
  record->targetDir = CopyToHost(targetDir);
  record->targetName = CopyToHost(targetName);
  record->targetPath = CopyToHost(targetPath);
  if (!record->targetDir || !record->targetName || !record->targetPath) return XLX_ERR_MEMORY;
  return XLX_OK;
}

int32_t ReadRelationships(const PackageSource& source, const char16_t* sourceDir, const char16_t* sourceName,
                          Relationship** records, int32_t* count) {
  if (!records || !count) return XLX_ERR_ARGUMENT;
  *records = nullptr;
  *count = 0;
  U16 path = RelationshipPartPath(sourceDir, sourceName);
  if (!HasPart(source.parts, path.c_str())) return XLX_OK;
  pugi::xml_document doc;
  int32_t r = LoadXmlPart(source.handle, source.parts, path.c_str(), &doc);
  if (r < 0) return r;
  // Elements are matched by local name: some writers put a prefix on the namespace.
  pugi::xml_node root = doc.document_element();
  if (!IsElement(root, "Relationships")) return XLX_OK;
  int32_t n = 0;
  for (pugi::xml_node e = root.first_child(); e; e = e.next_sibling())
    if (IsElement(e, "Relationship") && ++n > static_cast<int32_t>(kMaxRelationships))
      return XLX_CORRUPT(XLX_ERR_FORMAT, "relationship count");
  if (n == 0) return XLX_OK;
  auto* array = static_cast<Relationship*>(VK_ALLOC(n, sizeof(Relationship)));
  if (!array) return XLX_ERR_MEMORY;
  int32_t i = 0;
  for (pugi::xml_node e = root.first_child(); e && i < n; e = e.next_sibling()) {
    if (!IsElement(e, "Relationship")) continue;
    r = FillRecord(e, sourceDir, &array[i++]);
    if (r != XLX_OK) {
      FreeRelationships(array, n);
      return r;
    }
  }
  *records = array;
  *count = n;
  return XLX_OK;
}

const Relationship* FindRelationshipByType(const Relationship* records, int32_t count, const char16_t* typeName) {
  for (int32_t i = 0; records && i < count; ++i)
    if (EqualsIgnoringCase(records[i].typeName, typeName)) return &records[i];
  return nullptr;
}

const Relationship* FindRelationshipById(const Relationship* records, int32_t count, const char16_t* id) {
  for (int32_t i = 0; records && i < count; ++i)
    if (EqualsIgnoringCase(records[i].id, id)) return &records[i];
  return nullptr;
}

void FreeRelationships(Relationship* records, int32_t count) {
  if (!records) return;
  for (int32_t i = 0; i < count; ++i) {
    Relationship& r = records[i];
    for (char16_t* field : {r.id, r.typeName, r.targetDir, r.targetName, r.targetPath, r.targetMode}) VK_FREE(field);
  }
  VK_FREE(records);
}

int32_t LocateWorkbookPart(const PackageSource& source, WorkbookLocation* location) {
  if (!location) return XLX_ERR_ARGUMENT;
  Relationship* records = nullptr;
  int32_t count = 0;
  int32_t r = ReadRelationships(source, u"", u"", &records, &count);
  if (r != XLX_OK) return r;
  const Relationship* doc = FindRelationshipByType(records, count, u"officeDocument");
  if (!doc || !doc->targetPath) {
    FreeRelationships(records, count);
    return XLX_CORRUPT(XLX_ERR_FORMAT, "no officeDocument relationship");
  }
  location->dir = doc->targetDir;
  location->name = doc->targetName;
  location->path = doc->targetPath;
  location->isBinary = location->path.find(u".bin") != U16::npos;
  FreeRelationships(records, count);
  return XLX_OK;
}

}  // namespace xlx
