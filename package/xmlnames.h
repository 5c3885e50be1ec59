// Elements matched by their local name (the text after a namespace prefix), so that parts
// written with a prefix ("x:sheet", "r:Relationship") read the same as the usual ones. Lookups
// on missing nodes give empty handles. Shared by the package's own XML readers and the parsers.
#pragma once
#include <cstring>

#include <pugixml.hpp>

namespace xlx {

// The name without its namespace prefix.
inline const char* LocalName(const char* name) {
  const char* colon = strchr(name, ':');
  return colon ? colon + 1 : name;
}

inline bool IsElement(pugi::xml_node node, const char* local) {
  return node.type() == pugi::node_element && strcmp(LocalName(node.name()), local) == 0;
}

// First child element with that local name; empty when none.
inline pugi::xml_node Child(pugi::xml_node parent, const char* local) {
  for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
    if (IsElement(child, local)) return child;
  return pugi::xml_node();
}

// Next sibling element with that local name; empty when none.
inline pugi::xml_node NextNamed(pugi::xml_node node, const char* local) {
  for (node = node.next_sibling(); node; node = node.next_sibling())
    if (IsElement(node, local)) return node;
  return pugi::xml_node();
}

}  // namespace xlx
