// The classic desktop palette that the system colour names of legacy drawings stand for.
#include <cctype>
#include <cstring>

#include "model/legacydrawing.h"

namespace xlx {
namespace {

struct NamedColor {
  const char* name;
  uint32_t rgb;
};

// The classic desktop palette the system colour names stand for.
constexpr NamedColor kSystemColors[] = {
    {"activeBorder", 0xD4D0C8},      {"activeCaption", 0x0A246A},   {"appWorkspace", 0x808080},
    {"background", 0x3A6EA5},        {"buttonFace", 0xD4D0C8},      {"buttonHighlight", 0xFFFFFF},
    {"buttonShadow", 0x808080},      {"buttonText", 0x000000},      {"captionText", 0xFFFFFF},
    {"grayText", 0x808080},          {"highlight", 0x0A246A},       {"highlightText", 0xFFFFFF},
    {"inactiveBorder", 0xD4D0C8},    {"inactiveCaption", 0x808080}, {"inactiveCaptionText", 0xD4D0C8},
    {"infoBackground", 0xFFFFE1},    {"infoText", 0x000000},        {"menu", 0xD4D0C8},
    {"menuText", 0x000000},          {"scrollbar", 0xD4D0C8},       {"threeDDarkShadow", 0x404040},
    {"threeDFace", 0xD4D0C8},        {"threeDHighlight", 0xFFFFFF}, {"threeDLightShadow", 0xD4D0C8},
    {"threeDShadow", 0x808080},      {"window", 0xFFFFFF},          {"windowFrame", 0x000000},
    {"windowText", 0x000000},
};

}  // namespace

bool VmlSystemColor(std::string_view name, CellColor* color) {
  for (const NamedColor& c : kSystemColors) {
    if (name.size() != std::strlen(c.name)) continue;
    bool same = true;
    for (size_t i = 0; i < name.size() && same; ++i)
      same = std::tolower(static_cast<unsigned char>(name[i])) == std::tolower(static_cast<unsigned char>(c.name[i]));
    if (!same) continue;
    *color = 0xFF000000u | ((c.rgb & 0xFF) << 16) | (c.rgb & 0xFF00) | ((c.rgb >> 16) & 0xFF);
    return true;
  }
  return false;
}

}  // namespace xlx
