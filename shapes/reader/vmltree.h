// A tolerant reader of VML drawing text. VML parts written by spreadsheet applications are often
// not well-formed XML: `<br>` is left unclosed, prefixes are used without a declaration, element
// names come in mixed case, entities of HTML appear, and some files simply stop in the middle.
// This reader turns any bytes into a tree of elements and text without failing on such markup:
// element names are kept by their local name in lower case, unclosed elements close where their
// parent closes, a stray closing tag is ignored, and a shape that never closes ends where the next
// drawable element or group begins.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace xlx {

struct VmlNode {
  std::string name;  // local name in lower case ("shape", "clientdata"); empty for a text node
  std::string text;  // character data of a text node, entities decoded
  std::vector<std::pair<std::string, std::string>> attributes;  // qualified names in lower case
  std::vector<int32_t> children;  // indices into the tree's nodes, document order
  int32_t parent = -1;
};

// Node 0 is the root that holds the top-level content.
struct VmlTree {
  std::vector<VmlNode> nodes;
};

constexpr int32_t kMaxVmlDepth = 64;       // deeper elements are read as siblings at this depth
constexpr int32_t kMaxVmlNodes = 1 << 20;  // content past this many nodes is not read

// Reads `size` bytes of VML text (no terminator needed; null with size 0 is the empty text).
// 1, -1 (memory), -13 (null tree).
[[nodiscard]] int32_t ParseVmlTree(const char* text, size_t size, VmlTree* tree);

// The value of the attribute named `name` (qualified, lower case, e.g. "o:relid"), or null.
const char* VmlAttribute(const VmlNode& node, const char* name);
// First child element with local name `name` (lower case), or null.
const VmlNode* VmlChild(const VmlTree& tree, const VmlNode& node, const char* name);
// The text of a node's text children joined, for simple elements like `<x:Row>3</x:Row>`.
std::string VmlText(const VmlTree& tree, const VmlNode& node);

}  // namespace xlx
