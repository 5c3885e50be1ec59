// Groups of option buttons: the group boxes that hold them decide which buttons exclude each
// other and share a linked cell.
#include <algorithm>
#include <vector>

#include "shapes/reader/vml.h"

namespace xlx {
namespace {

// A control's box as ordered keys along each axis: from its cell anchor (cell, then offset in
// the cell) when it has one, else from its place in points.
struct Box {
  double left = 0, top = 0, right = 0, bottom = 0;
};

double AnchorKey(int32_t cell, int64_t offset) {
  return double(cell) * 1e9 + double(std::clamp<int64_t>(offset, 0, 999999999));
}

Box BoxOf(const VmlShape& s) {
  if (s.client.hasAnchor) {
    const DrawingAnchor& a = s.client.anchor;
    return {AnchorKey(a.fromCol, a.fromColOff), AnchorKey(a.fromRow, a.fromRowOff), AnchorKey(a.toCol, a.toColOff),
            AnchorKey(a.toRow, a.toRowOff)};
  }
  return {s.left, s.top, s.left + s.width, s.top + s.height};
}

bool Holds(const Box& outer, const Box& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// The innermost group box holding `button`, or -1 (the sheet's group).
int32_t GroupOf(const std::vector<VmlShape>& shapes, const std::vector<int32_t>& boxes, const VmlShape& button) {
  const Box b = BoxOf(button);
  int32_t best = -1;
  for (int32_t g : boxes) {
    const VmlShape& box = shapes[size_t(g)];
    if (box.nParent != button.nParent || !Holds(BoxOf(box), b)) continue;
    if (best < 0 || Holds(BoxOf(shapes[size_t(best)]), BoxOf(box))) best = g;
  }
  return best;
}

}  // namespace

void GroupOptionButtons(LegacyDrawing* drawing) {
  std::vector<VmlShape>& shapes = drawing->shapes;
  std::vector<int32_t> boxes, buttons;
  for (size_t i = 0; i < shapes.size(); ++i) {
    if (shapes[i].client.kind == kControlGroupBox) boxes.push_back(int32_t(i));
    if (shapes[i].client.kind == kControlRadio) buttons.push_back(int32_t(i));
  }
  if (buttons.empty()) return;
  // Pairing is boxes x buttons: a file with thousands of both puts every button in one group
  // rather than spend seconds on it.
  constexpr size_t kMaxPairings = 4000000;
  if (boxes.size() * buttons.size() > kMaxPairings) boxes.clear();
  std::vector<int32_t> group(buttons.size());
  for (size_t k = 0; k < buttons.size(); ++k) group[k] = GroupOf(shapes, boxes, shapes[size_t(buttons[k])]);
  std::vector<size_t> order(buttons.size());
  for (size_t k = 0; k < order.size(); ++k) order[k] = k;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return group[a] < group[b]; });
  for (size_t start = 0; start < order.size();) {
    size_t end = start;
    while (end < order.size() && group[order[end]] == group[order[start]]) ++end;
    std::u16string link;
    for (size_t k = start; k < end && link.empty(); ++k) link = shapes[size_t(buttons[order[k]])].client.fmlaLink;
    for (size_t k = start; k < end; ++k) {
      VmlClientData& c = shapes[size_t(buttons[order[k]])].client;
      c.optionNumber = int32_t(k - start + 1);
      if (c.fmlaLink.empty()) c.fmlaLink = link;
    }
    start = end;
  }
}

}  // namespace xlx
