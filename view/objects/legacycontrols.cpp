// Form controls in the classic desktop look: bevelled buttons, sunken fields, check boxes,
// option buttons, group frames, lists, drop-downs, scroll bars and spinners. A control linked to
// a cell takes its state from the cell's value.
#include <algorithm>
#include <cmath>

#include "common/resultcodes.h"
#include "view/objects/legacy.h"

namespace xlx {
namespace {

struct Palette {
  CellColor face = LegacySystemColor("buttonFace"), light = LegacySystemColor("buttonHighlight"),
            shadow = LegacySystemColor("buttonShadow"), dark = LegacySystemColor("threeDDarkShadow"),
            text = LegacySystemColor("buttonText"), window = LegacySystemColor("window"),
            highlight = LegacySystemColor("highlight"), highlightText = LegacySystemColor("highlightText"),
            track = 0xFFE4E8EAu;
};

class ControlPainter {
 public:
  ControlPainter(LegacyContext& c, const VmlShape& s) : c_(c), s_(s), u_(c.pxPerPt * 0.75) {}

  int32_t Draw(const DrawRect& box) {
    switch (s_.client.kind) {
      case kControlButton: return Button(box);
      case kControlCheckbox: return CheckBox(box);
      case kControlRadio: return Radio(box);
      case kControlGroupBox: return GroupBox(box);
      case kControlLabel: return Caption(box, 0, 0, false);
      case kControlList: return List(box);
      case kControlDrop: return Drop(box);
      case kControlScroll: return Scroll(box);
      case kControlSpin: return Spin(box);
      case kControlEdit: return Field(box, true);
      default: return XLX_OK;
    }
  }

 private:
  int32_t Fill(CellColor color, DrawRect r) {
    if (r.width <= 0 || r.height <= 0) return XLX_OK;
    VkBrush* brush = nullptr;
    int32_t rc = SetDrawBrush(c_.request.blackAndWhite && color != p_.window ? kColorBlack : color, kBrushSolid, 0, &brush);
    if (rc == XLX_OK) rc = AddDrawRectangle(c_.surface, nullptr, brush, r.left, r.top, r.width, r.height);
    FreeDrawBrush(brush);
    return rc;
  }

  // One ring of a bevel: `lt` along the top and left edges, `rb` along the bottom and right.
  int32_t Ring(const DrawRect& r, CellColor lt, CellColor rb) {
    int32_t rc = Fill(lt, {r.left, r.top, r.width - u_, u_});
    if (rc == XLX_OK) rc = Fill(lt, {r.left, r.top, u_, r.height - u_});
    if (rc == XLX_OK) rc = Fill(rb, {r.left, r.top + r.height - u_, r.width, u_});
    if (rc == XLX_OK) rc = Fill(rb, {r.left + r.width - u_, r.top, u_, r.height});
    return rc;
  }

  DrawRect Inset(const DrawRect& r, double by) const {
    return {r.left + by, r.top + by, std::max(0.0, r.width - 2 * by), std::max(0.0, r.height - 2 * by)};
  }

  int32_t Raised(const DrawRect& r) {
    int32_t rc = Fill(p_.face, r);
    if (rc == XLX_OK) rc = Ring(r, p_.light, p_.dark);
    if (rc == XLX_OK) rc = Ring(Inset(r, u_), p_.face, p_.shadow);
    return rc;
  }

  int32_t Sunken(const DrawRect& r, CellColor inside) {
    int32_t rc = Fill(inside, r);
    if (s_.client.noThreeD) return rc == XLX_OK ? Ring(r, p_.dark, p_.dark) : rc;
    if (rc == XLX_OK) rc = Ring(r, p_.shadow, p_.light);
    if (rc == XLX_OK) rc = Ring(Inset(r, u_), p_.dark, p_.face);
    return rc;
  }

  // A solid triangle pointing `dir` (0 up, 1 down, 2 left, 3 right) in the middle of `r`.
  int32_t Arrow(const DrawRect& r, int32_t dir) {
    const double size = std::max(2 * u_, std::min(r.width, r.height) / 4);
    const double cx = r.left + r.width / 2, cy = r.top + r.height / 2;
    DrawPoint t[3];
    if (dir == 0) t[0] = {cx, cy - size / 2}, t[1] = {cx - size, cy + size / 2}, t[2] = {cx + size, cy + size / 2};
    else if (dir == 1) t[0] = {cx, cy + size / 2}, t[1] = {cx - size, cy - size / 2}, t[2] = {cx + size, cy - size / 2};
    else if (dir == 2) t[0] = {cx - size / 2, cy}, t[1] = {cx + size / 2, cy - size}, t[2] = {cx + size / 2, cy + size};
    else t[0] = {cx + size / 2, cy}, t[1] = {cx - size / 2, cy - size}, t[2] = {cx - size / 2, cy + size};
    VkBrush* brush = nullptr;
    int32_t rc = SetDrawBrush(p_.text, kBrushSolid, 0, &brush);
    if (rc == XLX_OK) rc = AddDrawPolygon(c_.surface, nullptr, brush, t, 3);
    FreeDrawBrush(brush);
    return rc;
  }

  int32_t Caption(const DrawRect& r, int32_t align, int32_t vAlign, bool centred) {
    const VmlClientData& d = s_.client;
    const int32_t h = d.textHAlign >= 0 ? d.textHAlign : s_.textBox.align != 0 ? s_.textBox.align : align;
    const int32_t v = d.textVAlign >= 0 ? d.textVAlign : vAlign;
    return DrawLegacyText(c_, s_.textBox.runs, r, centred && d.textHAlign < 0 ? 1 : h, v, u"Tahoma", 8, true);
  }

  // The state: the linked cell's value when the control has one, else the file's.
  double Linked(double fallback) const {
    const CellRecord* cell = s_.client.fmlaLink.empty() ? nullptr : LinkedCell(c_, s_.client.fmlaLink);
    if (!cell) return fallback;
    if (cell->type == kCellError) return NAN;
    if (cell->type == kCellBoolean) return cell->text && cell->text[0] == u'T' ? 1 : 0;
    return std::isnan(cell->number) ? fallback : cell->number;
  }

  int32_t Button(const DrawRect& box) {
    int32_t rc = Raised(box);
    return rc == XLX_OK ? Caption(Inset(box, 3 * u_), 1, 1, true) : rc;
  }

  int32_t Background(const DrawRect& box) { return s_.fill.on ? Fill(s_.fill.color, box) : XLX_OK; }

  int32_t CheckBox(const DrawRect& box) {
    const double side = 13 * u_;
    const DrawRect mark{box.left + 2 * u_, box.top + (box.height - side) / 2, side, side};
    const double v = Linked(s_.client.checked);
    const int32_t state = std::isnan(v) ? 2 : v == 0 ? 0 : v == 2 && s_.client.fmlaLink.empty() ? 2 : 1;
    int32_t rc = Background(box);
    if (rc == XLX_OK) rc = Sunken(mark, state == 2 ? p_.face : p_.window);
    if (rc == XLX_OK && state != 0) {
      VkPen* pen = nullptr;
      rc = SetDrawPen(state == 2 ? p_.shadow : p_.text, kPenSolid, 1.6 * u_, nullptr, 0, &pen);
      const auto at = [&](double x, double y) { return DrawPoint{mark.left + x * u_, mark.top + y * u_}; };
      const DrawPoint tick[3] = {at(3.5, 6.5), at(5.5, 8.5), at(9.5, 4.5)};
      if (rc == XLX_OK) rc = AddDrawPolyline(c_.surface, pen, tick, 3);
      FreeDrawPen(pen);
    }
    const double x = mark.left + side + 4 * u_;
    if (rc == XLX_OK) rc = Caption({x, box.top, box.left + box.width - x, box.height}, 0, 1, false);
    return rc;
  }

  int32_t Radio(const DrawRect& box) {
    const double side = 12 * u_;
    const DrawRect dot{box.left + 2 * u_, box.top + (box.height - side) / 2, side, side};
    // A linked cell holds the number of the button of the group that is on.
    const double v = Linked(NAN);
    const bool on = std::isnan(v) ? s_.client.checked != 0 : s_.client.optionNumber > 0 && v == s_.client.optionNumber;
    VkPen *outer = nullptr, *inner = nullptr;
    VkBrush *white = nullptr, *black = nullptr;
    int32_t rc = Background(box);
    if (rc == XLX_OK) rc = SetDrawPen(s_.client.noThreeD ? p_.dark : p_.shadow, kPenSolid, u_, nullptr, 0, &outer);
    if (rc == XLX_OK) rc = SetDrawPen(s_.client.noThreeD ? p_.dark : p_.dark, kPenSolid, u_, nullptr, 0, &inner);
    if (rc == XLX_OK) rc = SetDrawBrush(p_.window, kBrushSolid, 0, &white);
    if (rc == XLX_OK) rc = SetDrawBrush(p_.text, kBrushSolid, 0, &black);
    if (rc == XLX_OK) rc = AddDrawEllipse(c_.surface, outer, white, dot);
    if (rc == XLX_OK && !s_.client.noThreeD) rc = AddDrawEllipse(c_.surface, inner, nullptr, Inset(dot, u_));
    if (rc == XLX_OK && on) rc = AddDrawEllipse(c_.surface, nullptr, black, Inset(dot, 4 * u_));
    FreeDrawPen(outer), FreeDrawPen(inner), FreeDrawBrush(white), FreeDrawBrush(black);
    const double x = dot.left + side + 4 * u_;
    if (rc == XLX_OK) rc = Caption({x, box.top, box.left + box.width - x, box.height}, 0, 1, false);
    return rc;
  }

  int32_t GroupBox(const DrawRect& box) {
    const double top = box.top + 6 * u_;
    const DrawRect frame{box.left, top, box.width, box.height - (top - box.top)};
    int32_t rc = Ring(frame, p_.shadow, p_.light);
    if (rc == XLX_OK) rc = Ring(Inset(frame, u_), p_.light, p_.shadow);
    if (rc == XLX_OK && !s_.textBox.runs.empty()) {
      const DrawRect label{box.left + 6 * u_, box.top, std::max(0.0, box.width - 12 * u_), 13 * u_};
      rc = DrawLegacyText(c_, s_.textBox.runs, label, 0, 0, u"Tahoma", 8, false);
    }
    return rc;
  }

  int32_t Field(const DrawRect& box, bool withText) {
    int32_t rc = Sunken(box, p_.window);
    return rc == XLX_OK && withText ? Caption(Inset(box, 3 * u_), 0, 0, false) : rc;
  }

  std::vector<VmlTextRun> Item(const std::u16string& text, bool selected) const {
    VmlTextRun run;
    run.text = text;
    run.color = selected ? p_.highlightText : 0;
    return {run};
  }

  int32_t List(const DrawRect& box) {
    int32_t rc = Field(box, false);
    const int64_t count = RangeSize(c_, s_.client.fmlaRange);
    const double v = Linked(s_.client.sel);
    const int64_t sel = std::isnan(v) ? 0 : int64_t(std::clamp(v, 0.0, 1e7));
    const double line = 13 * u_;
    const DrawRect inside = Inset(box, 2 * u_);
    for (int64_t i = 0; rc == XLX_OK && i < count && double(i) * line < inside.height; ++i) {
      const DrawRect row{inside.left, inside.top + double(i) * line, inside.width, line};
      const bool selected = i + 1 == sel;
      if (selected) rc = Fill(p_.highlight, row);
      if (rc == XLX_OK)
        rc = DrawLegacyText(c_, Item(RangeText(c_, s_.client.fmlaRange, i), selected),
                            {row.left + u_, row.top, row.width - u_, row.height}, 0, 1, u"Tahoma", 8, false);
    }
    return rc;
  }

  int32_t Drop(const DrawRect& box) {
    int32_t rc = Field(box, false);
    const double b = std::min(box.height - 4 * u_, 16 * u_);
    const DrawRect button{box.left + box.width - 2 * u_ - b, box.top + 2 * u_, b, box.height - 4 * u_};
    if (rc == XLX_OK) rc = Raised(button);
    if (rc == XLX_OK) rc = Arrow(button, 1);
    const double v = Linked(s_.client.sel);
    const int64_t sel = std::isnan(v) ? 0 : int64_t(std::clamp(v, 0.0, 1e7));
    if (rc == XLX_OK && sel >= 1)
      rc = DrawLegacyText(c_, Item(RangeText(c_, s_.client.fmlaRange, sel - 1), false),
                          {box.left + 4 * u_, box.top, button.left - box.left - 5 * u_, box.height}, 0, 1, u"Tahoma", 8, false);
    return rc;
  }

  int32_t Scroll(const DrawRect& box) {
    const bool across = s_.client.horiz || box.width > box.height;
    const double length = across ? box.width : box.height, thick = across ? box.height : box.width;
    const double b = std::min(thick, length / 2);
    int32_t rc = Fill(p_.track, box);
    const DrawRect first = across ? DrawRect{box.left, box.top, b, thick} : DrawRect{box.left, box.top, thick, b};
    const DrawRect last = across ? DrawRect{box.left + box.width - b, box.top, b, thick} : DrawRect{box.left, box.top + box.height - b, thick, b};
    if (rc == XLX_OK) rc = Raised(first);
    if (rc == XLX_OK) rc = Arrow(first, across ? 2 : 0);
    if (rc == XLX_OK) rc = Raised(last);
    if (rc == XLX_OK) rc = Arrow(last, across ? 3 : 1);
    const VmlClientData& d = s_.client;
    const double track = length - 2 * b, span = double(d.max) - d.min;
    const double thumb = std::clamp(track * d.page / std::max(1.0, span + d.page), std::min(track, 8 * u_), track);
    const double v = Linked(d.val);
    const double share = span > 0 && !std::isnan(v) ? std::clamp((v - d.min) / span, 0.0, 1.0) : 0;
    const double at = b + (track - thumb) * share;
    if (rc == XLX_OK && track > 0 && thumb > 0)
      rc = Raised(across ? DrawRect{box.left + at, box.top, thumb, thick} : DrawRect{box.left, box.top + at, thick, thumb});
    return rc;
  }

  int32_t Spin(const DrawRect& box) {
    const bool across = box.width > box.height;
    const DrawRect a = across ? DrawRect{box.left, box.top, box.width / 2, box.height} : DrawRect{box.left, box.top, box.width, box.height / 2};
    const DrawRect b = across ? DrawRect{box.left + box.width / 2, box.top, box.width / 2, box.height}
                              : DrawRect{box.left, box.top + box.height / 2, box.width, box.height / 2};
    int32_t rc = Raised(a);
    if (rc == XLX_OK) rc = Arrow(a, across ? 2 : 0);
    if (rc == XLX_OK) rc = Raised(b);
    if (rc == XLX_OK) rc = Arrow(b, across ? 3 : 1);
    return rc;
  }

  LegacyContext& c_;
  const VmlShape& s_;
  const double u_;  // one screen pixel in world px
  const Palette p_;
};

}  // namespace

int32_t DrawFormControl(LegacyContext& c, const VmlShape& shape, const DrawRect& box) {
  return ControlPainter(c, shape).Draw(box);
}

}  // namespace xlx
