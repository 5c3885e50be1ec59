// XML shared by the readers of drawings in the worksheet part and in the drawing parts: branches
// of markup-compatibility blocks, prefixed relationship attributes and the cell markers of
// anchors, read with every number clamped.
#pragma once
#include <cstdint>

#include <pugixml.hpp>

namespace xlx {

// Offsets and extents beyond a few thousand inches are nonsense; kept in a range where sums of
// them cannot overflow (EMU).
constexpr int64_t kMaxEmu = int64_t(1) << 40;

// An EMU length from text, clamped to +-kMaxEmu; 0 for text that is no number.
int64_t EmuText(const char* text);
// An attribute by its local name under a prefix (`r:embed`, `r:id`), namespace declarations aside.
pugi::xml_attribute PrefixedAttribute(pugi::xml_node node, const char* local);
// The first element child of `parent`; empty when there is none.
pugi::xml_node FirstElement(pugi::xml_node parent);
// The branch of an mc:AlternateContent that this reader uses: the first mc:Choice whose
// `Requires` names only namespaces it understands, else mc:Fallback; empty when neither exists.
pugi::xml_node ChooseAlternateContent(pugi::xml_node alternateContent);
// The column, row (0-based, clamped to the sheet) and offsets (EMU) of an anchor's `from`/`to`.
void ReadMarker(pugi::xml_node marker, int32_t* col, int64_t* colOff, int32_t* row, int64_t* rowOff);

}  // namespace xlx
