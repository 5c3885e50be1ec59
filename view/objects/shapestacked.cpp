// Stacked vertical text of shapes: letters upright one under another, centred in columns that
// follow from left to right or from right to left.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/resultcodes.h"
#include "view/objects/shapetext.h"

namespace xlx {
namespace {

constexpr double kEmuPerPt = 12700;
constexpr double kColumnFactor = 1.2;  // column width per font height
constexpr double kPitchFactor = 1.0;   // advance down the column per font height of an upright letter

struct Letter {
  const TextRunSpec* run;
  std::u16string text;   // one letter (a surrogate pair stays together)
  double sizePx;
  double advance;        // px down the column
  bool turned;           // drawn a quarter turn clockwise
};

struct Column {
  std::vector<Letter> letters;
  double length = 0;     // px down the column
  double widthPx = 0;    // across
  int32_t align = kAlignLeft;
};

// Letters of the East Asian scripts and full-width forms, which stay upright in East Asian
// vertical text.
bool EastAsian(char32_t c) {
  return (c >= 0x1100 && c <= 0x11FF) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7AF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF) ||
         (c >= 0x20000 && c <= 0x3FFFF);
}

double Advance(const ShapePage& page, const Letter& l) {
  if (!l.turned) return l.sizePx * kPitchFactor;
  double w = 0, h = 0;
  if (GetDrawTextExtent(page.request.engine, l.text.c_str(), static_cast<int32_t>(l.text.size()),
                        ShapeRunFont(page, *l.run, l.sizePx), &w, &h) != XLX_OK)
    return l.sizePx * 0.5;
  return w;
}

// The paragraphs' letters in columns no longer than `height` (when the body wraps).
std::vector<Column> Columns(const ShapePage& page, const ShapeSpec& spec,
                            const std::vector<const TextParagraphSpec*>& paragraphs, double height) {
  const double pxPerPt = page.yPxPerEmu * kEmuPerPt;
  std::vector<Column> columns;
  size_t letters = 0;
  for (const TextParagraphSpec* para : paragraphs) {
    columns.emplace_back();
    columns.back().align = para->align;
    columns.back().widthPx = para->endSizePt * spec.text.fontScale * pxPerPt * kColumnFactor;
    bool first = true;
    for (const TextRunSpec& run : para->runs) {
      const double sizePx = run.sizePt * spec.text.fontScale * pxPerPt;
      if (first) columns.back().widthPx = 0, first = false;
      for (size_t i = 0; i < run.text.size() && letters < kMaxStackedLetters; ++i, ++letters) {
        char32_t c = run.text[i];
        size_t units = 1;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < run.text.size())
          c = 0x10000 + ((c - 0xD800) << 10) + (run.text[i + 1] - 0xDC00), units = 2;
        Letter l{&run, run.text.substr(i, units), sizePx, 0, spec.text.vert == kVertEastAsian && !EastAsian(c)};
        i += units - 1;
        if (c == u'\n' || c == u'\v' || run.lineBreak) {
          columns.emplace_back();
          columns.back().align = para->align;
          continue;
        }
        l.advance = Advance(page, l);
        Column* col = &columns.back();
        if (spec.text.wrap && !col->letters.empty() && col->length + l.advance > height) {
          columns.emplace_back();
          columns.back().align = para->align;
          col = &columns.back();
        }
        col->length += l.advance;
        col->widthPx = std::max(col->widthPx, sizePx * kColumnFactor);
        col->letters.push_back(std::move(l));
      }
      if (run.lineBreak) {
        columns.emplace_back();
        columns.back().align = para->align;
      }
    }
  }
  return columns;
}

int32_t DrawLetter(const ShapePage& page, const Letter& l, double centreX, double top) {
  const DrawFontSpec font = ShapeRunFont(page, *l.run, l.sizePx);
  const CellColor color = ShapeRunColor(page, *l.run);
  const int32_t length = static_cast<int32_t>(l.text.size());
  if (!l.turned)
    return AddDrawText(page.surface, l.text.c_str(), length, font, color, DrawRect{centreX, top + l.advance / 2, 0, 0},
                       kTextCenter | kTextVCenter);
  double saved[6];
  int32_t rc = GetDrawTransform(page.surface, saved);
  if (rc == XLX_OK) rc = TranslateDrawTransform(page.surface, centreX, top + l.advance / 2);
  if (rc == XLX_OK) rc = RotateDrawTransform(page.surface, 90);
  if (rc == XLX_OK)
    rc = AddDrawText(page.surface, l.text.c_str(), length, font, color, DrawRect{0, 0, 0, 0}, kTextCenter | kTextVCenter);
  const int32_t restored = SetDrawTransform(page.surface, saved);
  return rc != XLX_OK ? rc : restored;
}

}  // namespace

int32_t DrawStackedText(const ShapePage& page, const ShapeSpec& spec,
                        const std::vector<const TextParagraphSpec*>& paragraphs, const DrawRect& inner) {
  std::vector<Column> columns;
  try {
    columns = Columns(page, spec, paragraphs, inner.height);
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
  double total = 0;
  for (const Column& c : columns) total += c.widthPx;
  // Columns follow from the anchored side: the left for left-to-right stacks, the right for the
  // others; the anchor's middle centres them.
  const bool leftToRight = spec.text.vert == kVertStacked;
  double start = leftToRight ? inner.left : inner.left + inner.width - total;
  if (spec.text.anchor == kAnchorMiddle) start = inner.left + (inner.width - total) / 2;
  else if (spec.text.anchor == kAnchorBottom) start = leftToRight ? inner.left + inner.width - total : inner.left;
  double x = leftToRight ? start : start + total;
  int32_t rc = XLX_OK;
  for (const Column& c : columns) {
    if (!leftToRight) x -= c.widthPx;
    double y = inner.top;
    if (c.align == kAlignCenter) y += (inner.height - c.length) / 2;
    else if (c.align == kAlignRight) y += inner.height - c.length;
    for (const Letter& l : c.letters) {
      if (rc == XLX_OK) rc = DrawLetter(page, l, x + c.widthPx / 2, y);
      y += l.advance;
    }
    if (leftToRight) x += c.widthPx;
  }
  return rc;
}

}  // namespace xlx
