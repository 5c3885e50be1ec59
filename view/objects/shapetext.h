// What the ways of drawing a shape's text share: the font and colour of a run, and the layouts
// besides horizontal lines (stacked vertical letters, warped text).
#pragma once
#include <cstdint>
#include <vector>

#include "model/shapes.h"
#include "view/objects/shapes.h"

namespace xlx {

// The font of `run` at `sizePx` (the sheet's minor font when the run names none).
DrawFontSpec ShapeRunFont(const ShapePage& page, const TextRunSpec& run, double sizePx);
// The colour `run` is drawn in: its own, else black; black on black-and-white pages.
CellColor ShapeRunColor(const ShapePage& page, const TextRunSpec& run);

// Letters stacked upright in columns inside `inner` (px, current transform) for the stacked kinds
// of vertical text: a paragraph starts a column, a column too long for the box goes on in the
// next. East Asian vertical text turns letters other than East Asian ones a quarter clockwise.
// At most kMaxStackedLetters letters. 1 or a drawing-layer error.
[[nodiscard]] int32_t DrawStackedText(const ShapePage& page, const ShapeSpec& spec,
                                      const std::vector<const TextParagraphSpec*>& paragraphs, const DrawRect& inner);
constexpr size_t kMaxStackedLetters = 4096;

// Text bent through the body's text warp inside `inner`: each paragraph a line, the lines'
// outlines stretched between the warp's two guide lines, or laid along its one guide line.
// `drawn` is false (and nothing is drawn) when the warp is unknown or cannot bend this text; the
// caller then draws the plain text. 1 or a drawing-layer error.
[[nodiscard]] int32_t DrawWarpedText(const ShapePage& page, const ShapeSpec& spec,
                                     const std::vector<const TextParagraphSpec*>& paragraphs, const DrawRect& inner,
                                     bool* drawn);

}  // namespace xlx
