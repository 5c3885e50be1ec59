// DOM helpers shared by the readers. Elements are matched by their local name (the text after a
// namespace prefix), so that parts written with a prefix on the spreadsheet namespace ("x:sheet")
// or another prefix on DrawingML read the same as the usual ones. Lookups on missing nodes give
// empty handles, so chained reads of optional content need no checks at each step.
#pragma once
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include <pugixml.hpp>

#include "common/apiutils.h"
#include "common/guarded.h"
#include "package/xmlnames.h"
#include "common/resultcodes.h"

namespace xlx {

// Iterates the children of `parent` named `local`: for (auto c = Child(p, "x"); c; c = NextNamed(c, "x")).
inline int32_t CountChildren(pugi::xml_node parent, const char* local) {
  int32_t count = 0;
  for (pugi::xml_node child = Child(parent, local); child && count < INT32_MAX; child = NextNamed(child, local))
    ++count;
  return count;
}

inline int32_t CountElementChildren(pugi::xml_node parent) {
  int32_t count = 0;
  for (pugi::xml_node child = parent.first_child(); child && count < INT32_MAX; child = child.next_sibling())
    if (child.type() == pugi::node_element) ++count;
  return count;
}

// The child element at `position` among element children (0-based); empty when there is none.
inline pugi::xml_node ElementChildAt(pugi::xml_node parent, int32_t position) {
  if (position < 0) return pugi::xml_node();
  for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
    if (child.type() == pugi::node_element && position-- == 0) return child;
  return pugi::xml_node();
}

// The relationship id attribute (`r:id` under any prefix).
inline pugi::xml_attribute RelationshipIdAttribute(pugi::xml_node node) {
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
    const char* name = a.name();
    const char* local = LocalName(name);
    if (local != name && strcmp(local, "id") == 0 && strncmp(name, "xmlns", 5) != 0) return a;
  }
  return pugi::xml_attribute();
}

// Attribute booleans: true when the text begins with 1, t, T, y or Y.
inline bool ReadBool(pugi::xml_attribute a) { return AttributeIsTrue(a.value()); }

// Whole-number attribute: decimal digits with an optional sign, clamped to int32. False (and
// *out untouched) when absent or not a number.
bool ReadInt(pugi::xml_attribute a, int32_t* out);
// Unsigned attribute as the xf ids are read: digits only, clamped to int32; false otherwise.
bool ReadUnsigned(pugi::xml_attribute a, int32_t* out);
// Decimal attribute (strtod syntax, finite only). False when absent or not a number.
bool ReadDouble(pugi::xml_attribute a, double* out);
// The same over plain text, as read without a DOM; null reads as absent.
bool ReadIntText(const char* text, int32_t* out);
bool ReadDoubleText(const char* text, double* out);
// A declared element count: the attribute when it is a number (negative reads as 0), else
// `fallback`; capped at `cap`.
int32_t ReadDeclaredCount(pugi::xml_attribute a, int32_t fallback, int32_t cap);

// UTF-8 attribute or element text to UTF-16.
inline std::u16string ToUtf16(const char* text) { return Utf8ToUtf16(text ? text : ""); }
// The text of an element (its first PCDATA or CDATA child).
inline const char* ElementText(pugi::xml_node node) { return node.text().get(); }

}  // namespace xlx
