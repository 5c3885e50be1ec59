// Markup-compatibility branches, prefixed attributes and anchor markers of drawing XML.
#include "parser/xml/drawingxml.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/limits.h"
#include "parser/xml/dom.h"

namespace xlx {
namespace {

// Markup-compatibility namespaces whose content this reader understands; an mc:Choice that
// requires any other is passed over for the next one or the fallback.
const char* const kSupportedNamespaces[] = {
    "http://schemas.microsoft.com/office/drawing/2010/main",          // a14
    "http://schemas.microsoft.com/office/spreadsheetml/2009/9/main",  // x14
    "http://schemas.microsoft.com/office/drawing/2014/main",          // a16
    "http://schemas.microsoft.com/office/drawing/2016/SVG/main",      // asvg
};
const char* const kSupportedPrefixes[] = {"a14", "x14", "a16", "asvg"};

}  // namespace

static int64_t ClampEmu(long long v) { return std::max<long long>(-kMaxEmu, std::min<long long>(v, kMaxEmu)); }

int64_t EmuText(const char* text) { return ClampEmu(std::strtoll(text, nullptr, 10)); }

static int32_t IndexText(const char* text, uint32_t limit) {
  long long v = std::strtoll(text, nullptr, 10);
  return static_cast<int32_t>(std::max<long long>(0, std::min<long long>(v, limit - 1)));
}

// An attribute by its local name under a prefix (`r:embed`, `r:id`), namespace declarations aside.
pugi::xml_attribute PrefixedAttribute(pugi::xml_node node, const char* local) {
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
    const char* name = a.name();
    const char* l = LocalName(name);
    if (l != name && strcmp(l, local) == 0 && strncmp(name, "xmlns", 5) != 0) return a;
  }
  return pugi::xml_attribute();
}

// The namespace URI bound to `prefix` where `node` stands; null when it is not declared.
static const char* NamespaceOf(pugi::xml_node node, const std::string& prefix) {
  const std::string attribute = "xmlns:" + prefix;
  for (; node; node = node.parent()) {
    pugi::xml_attribute a = node.attribute(attribute.c_str());
    if (a) return a.value();
  }
  return nullptr;
}

static bool PrefixSupported(pugi::xml_node choice, const std::string& prefix) {
  const char* uri = NamespaceOf(choice, prefix);
  if (uri) {
    for (const char* known : kSupportedNamespaces)
      if (strcmp(uri, known) == 0) return true;
    return false;
  }
  for (const char* known : kSupportedPrefixes)
    if (prefix == known) return true;
  return false;
}

static bool ChoiceSupported(pugi::xml_node choice) {
  const char* p = choice.attribute("Requires").value();
  bool any = false;
  while (*p) {
    while (*p == ' ' || *p == '\t') ++p;
    const char* start = p;
    while (*p && *p != ' ' && *p != '\t') ++p;
    if (p == start) break;
    any = true;
    if (!PrefixSupported(choice, std::string(start, p))) return false;
  }
  return any;
}

pugi::xml_node FirstElement(pugi::xml_node parent) {
  pugi::xml_node n = parent.first_child();
  while (n && n.type() != pugi::node_element) n = n.next_sibling();
  return n;
}

void ReadMarker(pugi::xml_node marker, int32_t* col, int64_t* colOff, int32_t* row, int64_t* rowOff) {
  *col = IndexText(ElementText(Child(marker, "col")), kMaxColumns);
  *colOff = EmuText(ElementText(Child(marker, "colOff")));
  *row = IndexText(ElementText(Child(marker, "row")), kMaxRows);
  *rowOff = EmuText(ElementText(Child(marker, "rowOff")));
}

pugi::xml_node ChooseAlternateContent(pugi::xml_node alternate) {
  for (pugi::xml_node choice = Child(alternate, "Choice"); choice; choice = NextNamed(choice, "Choice"))
    if (ChoiceSupported(choice)) return choice;
  return Child(alternate, "Fallback");
}

}  // namespace xlx
