// Readers of a worksheet's legacy drawing: the VML part named by `legacyDrawing` (shapes,
// pictures, text boxes, form controls, note boxes) and the comments part (the notes' cells,
// authors and rich text). Both are optional content: a missing or broken part gives no shapes or
// no notes, never a failed sheet.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/legacydrawing.h"
#include "model/workbook.h"
#include "shapes/reader/vmltree.h"

namespace xlx {

struct Relationship;

// ---- values of VML attributes ----------------------------------------------------------------
// A VML length in points. Units: cm, mm, in, pt, pc, px, em (the number is EMU), "fd"/"f" (a
// 65536ths fraction, given as is), "%" (as is); the first of these found in the text wins. A bare
// number is multiplied by `unitlessPt` (0.75 where bare numbers are pixels, 1 in a group's own
// coordinates). Empty or unreadable text gives 0; results are kept within +-1e7.
double VmlLengthPt(std::string_view text, double unitlessPt);
// A VML colour: "#rrggbb", "#rgb", the sixteen HTML names, the system colour names of the classic
// palette ("buttonFace", "infoBackground", "windowText", ...), each optionally followed by a blank
// and more text ("#ffffe1 [80]"), "fill lighten(n)" / "fill darken(n)" relative to `base`, and the
// palette index in brackets after "none" or an unknown name ("none [81]"). False for "auto",
// "none" without an index and what does not parse (*color untouched).
[[nodiscard]] bool ParseVmlColor(std::string_view text, CellColor base, CellColor* color);
// VML booleans: "t", "true", "1", "on", "yes" (any case) are true; absent text gives `absent`.
bool VmlBool(const char* text, bool absent);
// Reads the `style` attribute of a shape into its place, size, visibility, rotation, flips and
// z-order, with bare numbers scaled by `unitlessPt`.
void ReadVmlStyle(std::string_view style, double unitlessPt, VmlShape* shape);
// The runs of a `v:textbox` (font, b, i, u, span, div, br markup) and its alignment.
void ReadVmlTextBox(const VmlTree& tree, const VmlNode& textbox, VmlTextBox* box);
// `x:ClientData` into the client record (object type, anchor, note cell and visibility, control
// state and links).
void ReadVmlClientData(const VmlTree& tree, const VmlNode& client, VmlClientData* data);
// Option buttons inside one group box (the innermost that holds the whole button) form a group,
// and those in none form the sheet's group. Numbers each button by its place in its group in
// document order, and gives buttons without a linked cell the one their group links to: the
// cell holds the number of the button that is on.
void GroupOptionButtons(LegacyDrawing* drawing);

// ---- parts -------------------------------------------------------------------------------------
// Reads VML text into shapes (at most kMaxVmlShapes). `rels` (count entries, may be null)
// resolves the `o:relid` of pictures. 1 or -1 (memory).
[[nodiscard]] int32_t ReadVmlShapes(const char* text, size_t size, const Relationship* rels, int32_t count,
                                    LegacyDrawing* drawing);
// Reads the notes of a comments part's XML text (at most kMaxSheetNotes, cells inside the sheet
// limits); `workbook` resolves run colours. 1 or -1 (memory).
[[nodiscard]] int32_t ReadSheetNotes(const Workbook& workbook, const char* text, size_t size, LegacyDrawing* drawing);
// Fills sheet->legacy from the VML part `vmlPath` names (empty: none) and the sheet's comments
// part. 1 or -1 (memory); unreadable parts leave their half empty.
[[nodiscard]] int32_t ReadLegacyDrawing(const Workbook& workbook, MyWorksheet* sheet, const std::u16string& vmlPath);

}  // namespace xlx
