// Text bodies of shapes: paragraphs of runs broken into lines at blanks to the width of the
// shape's text rectangle (less its insets), placed by paragraph alignment and anchored at the
// top, middle or bottom, turned for vertical text.
#include <algorithm>
#include <cmath>
#include <deque>
#include <string>
#include <vector>

#include "common/cellref.h"
#include "common/resultcodes.h"
#include "view/objects/shapes.h"
#include "view/objects/shapetext.h"
#include "view/cells/text.h"

namespace xlx {
namespace {

constexpr double kEmuPerPt = 12700;
constexpr double kLineFactor = 1.2;     // line height per font height
constexpr double kAscentFactor = 0.95;  // baseline below the line top, per font height
constexpr size_t kMaxPieces = 8192;  // words measured in one text body

struct Piece {
  const TextRunSpec* run = nullptr;
  std::u16string text;
  double width = 0, sizePx = 0;
  bool lineBreak = false;
};

struct Line {
  std::vector<Piece> pieces;
  double width = 0;        // without trailing blanks
  double sizePx = 0;       // largest font on the line
  double top = 0;
  const TextParagraphSpec* paragraph = nullptr;
  bool first = false;      // first line of its paragraph
};

struct TextLayout {
  TextLayout(const ShapePage& p, const ShapeSpec& s) : page(p), spec(s) {}
  const ShapePage& page;
  const ShapeSpec& spec;
  double pxPerPt = 0;
  std::vector<Line> lines;
  size_t pieces = 0;
  std::deque<TextRunSpec> prefixRuns;  // the runs bullets and numbers are drawn in; pieces point here
};

DrawFontSpec FontFor(const TextLayout& t, const TextRunSpec& run, double sizePx) {
  return ShapeRunFont(t.page, run, sizePx);
}

double SizePx(const TextLayout& t, double sizePt) { return sizePt * t.spec.text.fontScale * t.pxPerPt; }

double Measure(const TextLayout& t, const TextRunSpec& run, const std::u16string& text, double sizePx) {
  double w = 0, h = 0;
  if (GetDrawTextExtent(t.page.request.engine, text.c_str(), static_cast<int32_t>(text.size()), FontFor(t, run, sizePx), &w,
                        &h) != XLX_OK)
    return text.size() * sizePx * 0.5;
  return w;
}

std::u16string Roman(int32_t n, bool upper) {
  static const int32_t kValues[] = {1000, 900, 500, 400, 100, 90, 50, 40, 10, 9, 5, 4, 1};
  static const char* const kDigits[] = {"m", "cm", "d", "cd", "c", "xc", "l", "xl", "x", "ix", "v", "iv", "i"};
  std::u16string out;
  for (int i = 0; i < 13; ++i)
    for (; n >= kValues[i]; n -= kValues[i])
      for (const char* c = kDigits[i]; *c; ++c) out += static_cast<char16_t>(upper ? *c - 32 : *c);
  return out;
}

// The label of a numbered paragraph in its scheme (`arabicPeriod`, `alphaUcParenR`, ...).
std::u16string NumberLabel(const std::string& scheme, int32_t n) {
  std::u16string digits;
  if (scheme.compare(0, 5, "alpha") == 0) {
    const char16_t base = scheme.compare(0, 7, "alphaUc") == 0 ? u'A' : u'a';
    for (int32_t k = (n - 1) / 26; k >= 0; --k) digits += static_cast<char16_t>(base + (n - 1) % 26);
  } else if (scheme.compare(0, 5, "roman") == 0) {
    digits = Roman(n, scheme.compare(0, 7, "romanUc") == 0);
  } else {
    for (char c : std::to_string(n)) digits += static_cast<char16_t>(c);
  }
  if (scheme.find("ParenBoth") != std::string::npos) return u"(" + digits + u") ";
  if (scheme.find("ParenR") != std::string::npos) return digits + u") ";
  if (scheme.find("Plain") != std::string::npos) return digits + u" ";
  return digits + u". ";
}

void AddPiece(TextLayout& t, std::vector<Piece>* out, const TextRunSpec& run, std::u16string text) {
  if (t.pieces >= kMaxPieces) return;
  ++t.pieces;
  Piece p;
  p.run = &run;
  p.sizePx = SizePx(t, run.sizePt);
  p.lineBreak = run.lineBreak;
  if (!p.lineBreak) p.width = Measure(t, run, text, p.sizePx);
  p.text = std::move(text);
  out->push_back(std::move(p));
}

// A paragraph's runs as words, each with the blanks after it; line feeds inside runs break lines.
std::vector<Piece> Pieces(TextLayout& t, const TextParagraphSpec& para, const TextRunSpec& prefixRun) {
  std::vector<Piece> out;
  std::u16string prefix = para.autoNumber ? NumberLabel(para.autoNumberScheme, para.autoNumber)
                          : para.bullet.empty() ? std::u16string() : para.bullet + u" ";
  if (!prefix.empty()) AddPiece(t, &out, prefixRun, prefix);
  for (const TextRunSpec& run : para.runs) {
    if (run.lineBreak) {
      AddPiece(t, &out, run, std::u16string());
      continue;
    }
    std::u16string word;
    for (char16_t c : run.text) {
      if (c == u'\n' || c == u'\v') {
        if (!word.empty()) AddPiece(t, &out, run, word), word.clear();
        out.push_back(Piece{&run, std::u16string(), 0, SizePx(t, run.sizePt), true});
        continue;
      }
      word += c == u'\t' ? u' ' : c;
      if (c == u' ' || c == u'\t') AddPiece(t, &out, run, word), word.clear();
    }
    if (!word.empty()) AddPiece(t, &out, run, word);
  }
  return out;
}

void BreakParagraph(TextLayout& t, const TextParagraphSpec& para, double width) {
  t.prefixRuns.push_back(para.runs.empty() ? TextRunSpec() : para.runs.front());
  TextRunSpec& prefixRun = t.prefixRuns.back();
  if (!para.bulletFace.empty()) prefixRun.face = para.bulletFace;
  std::vector<Piece> pieces = Pieces(t, para, prefixRun);
  const double margin = para.marginEmu * t.page.xPxPerEmu, indent = para.indentEmu * t.page.xPxPerEmu;
  Line line;
  line.paragraph = &para;
  line.first = true;
  line.sizePx = SizePx(t, para.runs.empty() ? para.endSizePt : para.runs.front().sizePt);
  auto finish = [&]() {
    t.lines.push_back(std::move(line));
    line = Line();
    line.paragraph = &para;
    line.sizePx = t.lines.back().sizePx;
  };
  for (Piece& p : pieces) {
    const double available = width - margin - (line.first ? indent : 0);
    if (p.lineBreak) {
      line.sizePx = std::max(line.sizePx, p.sizePx);
      finish();
      continue;
    }
    if (t.spec.text.wrap && !line.pieces.empty() && line.width + p.width > available) finish();
    if (line.pieces.empty()) line.sizePx = p.sizePx;
    line.sizePx = std::max(line.sizePx, p.sizePx);
    line.width += p.width;
    line.pieces.push_back(std::move(p));
  }
  finish();
}

double LineHeight(const TextLayout& t, const Line& line) {
  const TextParagraphSpec& p = *line.paragraph;
  if (p.lineSpacing < 0) return -p.lineSpacing / 100.0 * t.pxPerPt;
  return line.sizePx * kLineFactor * p.lineSpacing / 100000.0 * (1 - t.spec.text.spacingReduction);
}

// Lays the lines out from y = 0; the total height.
double Stack(TextLayout& t) {
  double y = 0;
  const TextParagraphSpec* previous = nullptr;
  for (Line& line : t.lines) {
    if (line.paragraph != previous) {
      if (previous) y += previous->spaceAfter / 100.0 * t.pxPerPt;
      y += line.paragraph->spaceBefore / 100.0 * t.pxPerPt;
      previous = line.paragraph;
    }
    line.top = y;
    y += LineHeight(t, line);
  }
  return y;
}

// Mongolian vertical text turns as vertical text does but follows its lines from left to right:
// each line's place across the box (after the turn, from its far side) is mirrored.
void MirrorLines(TextLayout& t, const DrawRect& inner, double top) {
  for (Line& line : t.lines) {
    const double y = top + line.top, mirrored = 2 * inner.top + inner.height - y - LineHeight(t, line);
    line.top = mirrored - top;
  }
}

// `anchorCtr`: the lines keep their alignment among themselves while the block of them, as wide
// as the widest, is centred in the box.
void CentreBlock(const TextLayout& t, DrawRect* inner) {
  double widest = 0;
  for (const Line& line : t.lines) {
    const TextParagraphSpec& p = *line.paragraph;
    const double margin = (p.marginEmu + (line.first ? p.indentEmu : 0)) * t.page.xPxPerEmu;
    widest = std::max(widest, line.width + margin);
  }
  if (!(widest < inner->width)) return;
  inner->left += (inner->width - widest) / 2;
  inner->width = widest;
}

int32_t DrawLine(TextLayout& t, const Line& line, const DrawRect& box, double top) {
  const TextParagraphSpec& p = *line.paragraph;
  const double margin = p.marginEmu * t.page.xPxPerEmu + (line.first ? p.indentEmu * t.page.xPxPerEmu : 0);
  double w = line.width;
  if (!line.pieces.empty()) {
    const Piece& last = line.pieces.back();
    const size_t blanks = last.text.size() - last.text.find_last_not_of(u' ') - 1;
    if (blanks <= last.text.size() && !last.text.empty())
      w -= last.width * blanks / double(last.text.size());
  }
  double x = box.left + margin;
  if (p.align == kAlignCenter) x = box.left + margin + (box.width - margin - w) / 2;
  else if (p.align == kAlignRight) x = box.left + box.width - w;
  const double baseline = top + line.top + (LineHeight(t, line) - line.sizePx * kLineFactor) + line.sizePx * kAscentFactor;
  for (const Piece& piece : line.pieces) {
    const TextRunSpec& run = *piece.run;
    const CellColor color = ShapeRunColor(t.page, run);
    if (!piece.text.empty() && (color >> 24) != 0) {
      const int32_t rc = AddDrawText(t.page.surface, piece.text.c_str(), static_cast<int32_t>(piece.text.size()),
                                     FontFor(t, run, piece.sizePx), color, DrawRect{x, baseline, 0, 0},
                                     kTextLeft | kTextBaseline);
      if (rc != XLX_OK) return rc;
    }
    x += piece.width;
  }
  return XLX_OK;
}

// The text of the cell a shape links to (`textlink`, a cell of the shape's own sheet), as one
// paragraph in the properties of the body's first run; false when it names no cell with text.
bool LinkedParagraph(const ShapePage& page, const ShapeTextBody& body, TextParagraphSpec* out) {
  const std::u16string& link = body.linkRef;
  const size_t bang = link.rfind(u'!');
  CellRef ref;
  if (!ParseCellRef(std::u16string_view(link).substr(bang == std::u16string::npos ? 0 : bang + 1), &ref)) return false;
  const MyWorksheet& sheet = *page.request.sheet;
  const CellRecord* cell = FindCell(sheet, ref.row, ref.column);
  if (!cell) return false;
  FontCache fonts(page.request.engine);
  const CachedDrawFont* font = fonts.Get(MyLogFont(), 1.0);
  CellText text;
  if (!font || !BuildCellText(*page.request.workbook, sheet, *cell, 1e6, fonts, *font, &text)) return false;
  if (!body.paragraphs.empty()) *out = body.paragraphs.front();
  TextRunSpec run = out->runs.empty() ? TextRunSpec() : out->runs.front();
  if (out->runs.empty()) run.sizePt = out->endSizePt;
  run.text = text.text;
  run.lineBreak = false;
  out->runs.assign(1, run);
  out->bullet.clear();
  out->autoNumber = 0;
  return true;
}

}  // namespace

DrawFontSpec ShapeRunFont(const ShapePage& page, const TextRunSpec& run, double sizePx) {
  DrawFontSpec spec;
  const char16_t* face = run.face.empty() ? page.request.sheet->minorFont : run.face.c_str();
  for (int32_t i = 0; i < 31 && face[i]; ++i) spec.lfFaceName[i] = face[i];
  if (!spec.lfFaceName[0]) std::copy_n(u"Calibri", 8, spec.lfFaceName);
  spec.dHeightPx = std::max(1.0, std::min(sizePx, 4000.0));
  spec.lfHeight = static_cast<int32_t>(std::lround(spec.dHeightPx));
  spec.lfWeight = run.bold ? 700 : 400;
  spec.lfItalic = run.italic;
  spec.lfUnderline = run.underline;
  spec.lfStrikeOut = run.strike;
  return spec;
}

CellColor ShapeRunColor(const ShapePage& page, const TextRunSpec& run) {
  if (page.request.blackAndWhite) return 0xFF000000u;
  return run.colorSet ? run.color : 0xFF000000u;
}

int32_t DrawShapeText(const ShapePage& page, const ShapeSpec& spec, const DrawRect& box) {
  const ShapeTextBody& body = spec.text;
  TextParagraphSpec linked;
  const bool isLinked = !body.linkRef.empty() && LinkedParagraph(page, body, &linked);
  if (!body.present || (body.paragraphs.empty() && !isLinked)) return XLX_OK;
  TextLayout t{page, spec};
  t.pxPerPt = page.yPxPerEmu * kEmuPerPt;
  DrawRect inner{box.left + body.leftInset * page.xPxPerEmu, box.top + body.topInset * page.yPxPerEmu,
                 box.width - (body.leftInset + body.rightInset) * page.xPxPerEmu,
                 box.height - (body.topInset + body.bottomInset) * page.yPxPerEmu};
  inner.width = std::max(0.0, inner.width), inner.height = std::max(0.0, inner.height);
  std::vector<const TextParagraphSpec*> paragraphs;
  if (isLinked) paragraphs.push_back(&linked);
  else
    for (const TextParagraphSpec& para : body.paragraphs) paragraphs.push_back(&para);
  if (!body.warp.empty()) {
    bool drawn = false;
    const int32_t rc = DrawWarpedText(page, spec, paragraphs, inner, &drawn);
    if (rc != XLX_OK || drawn) return rc;
  }
  if (body.vert == kVertStacked || body.vert == kVertStackedRtl || body.vert == kVertEastAsian)
    return DrawStackedText(page, spec, paragraphs, inner);
  const bool turned = body.vert != kVertHorizontal;
  double saved[6];
  int32_t rc = GetDrawTransform(page.surface, saved);
  if (rc != XLX_OK) return rc;
  if (turned) {
    // Vertical text is laid out across the box's height, then turned into it.
    rc = TranslateDrawTransform(page.surface, inner.left + inner.width / 2, inner.top + inner.height / 2);
    if (rc == XLX_OK) rc = RotateDrawTransform(page.surface, body.vert == kVertUp ? -90 : 90);
    inner = DrawRect{-inner.height / 2, -inner.width / 2, inner.height, inner.width};
  }
  try {
    for (const TextParagraphSpec* para : paragraphs) BreakParagraph(t, *para, inner.width);
  } catch (const std::bad_alloc&) {
    rc = XLX_ERR_MEMORY;
  }
  const double height = Stack(t);
  double top = inner.top;
  if (body.anchor == kAnchorMiddle) top += (inner.height - height) / 2;
  else if (body.anchor == kAnchorBottom) top += inner.height - height;
  if (body.vert == kVertMongolian) MirrorLines(t, inner, top);
  if (body.anchorCenter && body.vert == kVertHorizontal) CentreBlock(t, &inner);
  for (size_t i = 0; i < t.lines.size() && rc == XLX_OK; ++i) rc = DrawLine(t, t.lines[i], inner, top);
  const int32_t restored = SetDrawTransform(page.surface, saved);
  return rc != XLX_OK ? rc : restored;
}

}  // namespace xlx
