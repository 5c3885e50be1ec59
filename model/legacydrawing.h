// The legacy (VML) drawing of a worksheet and its notes: shapes, pictures, text boxes, form
// controls and note boxes as the sheet's `legacyDrawing` part describes them, and the notes of the
// comments part (cell, author, rich text). The worksheet reader fills them; the page renderer
// draws visible notes, controls and shapes, and printed-page layout adds the notes pages.
// Lengths are points unless a name says otherwise.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/drawingobjects.h"

namespace xlx {

enum VmlElementKind : int32_t {
  kVmlShape = 0,      // v:shape (a preset type, a shape type of the part, or its own path)
  kVmlRect = 1,
  kVmlRoundRect = 2,
  kVmlOval = 3,
  kVmlLine = 4,
  kVmlPolyline = 5,
  kVmlArc = 6,
  kVmlImage = 7,      // v:image
  kVmlGroup = 8,      // v:group; members name it as their parent
};

constexpr int32_t kVmlAdjustAbsent = INT32_MIN;  // an adjust value the shape leaves to its type

enum VmlFillKind : int32_t { kVmlFillSolid = 0, kVmlFillGradient = 1, kVmlFillRadial = 2, kVmlFillPicture = 3 };

struct VmlFill {
  bool on = true;                   // `filled` and `v:fill on`
  int32_t kind = kVmlFillSolid;     // VmlFillKind
  CellColor color = 0xFFFFFFFF;     // `fillcolor`: white by default
  CellColor color2 = 0xFFFFFFFF;    // second gradient colour
  double angle = 0;                 // degrees of a linear gradient
  double focus = 0;                 // percent, -100 .. 100: where color2 sits along the gradient
  double opacity = 1, opacity2 = 1; // 0 .. 1
  std::u16string picturePath;       // a picture fill's part
  bool tiled = false;               // `type="tile"`/`"pattern"`: the picture repeats at its own size
};

enum VmlArrowKind : int32_t { kVmlArrowNone = 0, kVmlArrowBlock, kVmlArrowClassic, kVmlArrowOpen, kVmlArrowOval, kVmlArrowDiamond };

struct VmlStroke {
  bool on = true;                  // `stroked` and `v:stroke on`
  CellColor color = 0xFF000000;    // `strokecolor`: black by default
  double weightPt = 0.75;          // `strokeweight`
  int32_t lineStyle = 0;           // LineStyle of `dashstyle`
  double opacity = 1;
  int32_t startArrow = kVmlArrowNone, endArrow = kVmlArrowNone;  // VmlArrowKind
};

struct VmlShadow {
  bool on = false;
  CellColor color = 0xFF808080;
  double offsetX = 2, offsetY = 2;  // points
  double opacity = 1;
};

// A run of text-box or note text with the font it is drawn in.
struct VmlTextRun {
  std::u16string text;   // "\n" ends a line
  std::u16string face;   // empty: the box's default face
  double sizePt = 0;     // 0: the box's default size
  CellColor color = 0;   // 0 (no marker): automatic, the window-text colour
  bool bold = false, italic = false, underline = false;
};

struct VmlTextBox {
  bool present = false;
  std::vector<VmlTextRun> runs;
  int32_t align = 0;            // 0 left, 1 centre, 2 right (`text-align`, `x:TextHAlign`)
  int32_t vAlign = 0;           // 0 top, 1 centre, 2 bottom (`v-text-anchor`, `x:TextVAlign`)
  double insetLeft = 7.2, insetTop = 3.6, insetRight = 7.2, insetBottom = 3.6;  // `inset`
};

enum ControlKind : int32_t {
  kControlNone = 0,   // no x:ClientData, or one that is no form control (a picture, a shape)
  kControlNote,
  kControlButton,
  kControlCheckbox,
  kControlRadio,
  kControlGroupBox,
  kControlLabel,
  kControlList,
  kControlDrop,
  kControlScroll,
  kControlSpin,
  kControlEdit,
  kControlOther,      // dialogs and objects drawn as plain shapes
};

// `x:ClientData`: how the spreadsheet application places and runs the object.
struct VmlClientData {
  bool present = false;
  int32_t kind = kControlNone;     // ControlKind of `ObjectType`
  bool hasAnchor = false;
  DrawingAnchor anchor;            // `x:Anchor`: cells (0-based) and offsets, EMU
  bool visible = false;            // `x:Visible`: a note shown all the time
  bool hidden = false;             // `x:Hidden`
  bool printObject = true;         // `x:PrintObject`: false keeps it off printed pages
  int32_t row = -1, column = -1;   // `x:Row`, `x:Column` of a note, 0-based
  int32_t checked = 0;             // `x:Checked`: 0 off, 1 on, 2 mixed
  bool noThreeD = false;           // `x:NoThreeD`: flat look
  std::u16string fmlaLink;         // `x:FmlaLink`: the linked cell
  std::u16string fmlaRange;        // `x:FmlaRange`: the items of a list or drop-down
  int32_t val = 0, min = 0, max = 100, inc = 1, page = 10;
  int32_t sel = 0;                 // `x:Sel`: 1-based selected item, 0 none
  int32_t optionNumber = 0;        // an option button's 1-based place in its group (see GroupOptionButtons)
  int32_t dropLines = 8;
  bool horiz = false;              // `x:Horiz`: a horizontal scroll bar
  int32_t textHAlign = -1, textVAlign = -1;  // as VmlTextBox align; -1 when absent
};

// The formulas and adjust values a shape type of the part supplies.
struct VmlGeometry {
  std::string path;                    // VML path text; empty: the preset of the type number
  std::vector<std::string> formulas;   // `v:f eqn`
  std::vector<int32_t> adjusts;        // `adj`; kVmlAdjustAbsent where a value is left out
  std::string textRect;                // first `textboxrect`; empty: the type's, else the whole shape
};

struct VmlShape {
  int32_t kind = kVmlShape;        // VmlElementKind
  int32_t nParent = -1;            // index of the enclosing group; -1 at the top
  std::string id, spid;            // `id`, `o:spid`
  int32_t shapeType = 0;           // number of `type` "#_x0000_tN" or `o:spt`; 0 none
  VmlGeometry geometry;            // the shape's own path, formulas and adjusts over its type's
  double coordLeft = 0, coordTop = 0, coordWidth = 21600, coordHeight = 21600;  // coordorigin, coordsize
  // From `style`: place and size, points from the sheet's top-left (or the group's coordinates).
  double left = 0, top = 0, width = 0, height = 0;
  bool hidden = false;             // "visibility:hidden"
  double rotation = 0;             // degrees clockwise
  bool flipX = false, flipY = false;
  int32_t zIndex = 0;
  // Element geometry: `from`/`to` of a line, `points` of a polyline (points, in the group's or
  // sheet's space), `startangle`/`endangle` of an arc, `arcsize` of a round rectangle (fraction).
  double fromX = 0, fromY = 0, toX = 0, toY = 0;
  std::vector<double> points;      // x, y pairs
  double startAngle = 0, endAngle = 90;
  double arcSize = 0.2;
  VmlFill fill;
  VmlStroke stroke;
  VmlShadow shadow;
  VmlTextBox textBox;
  VmlClientData client;
  std::u16string imagePath;        // `v:imagedata` or `v:image` picture part
  // `cropleft`, `croptop`, `cropright`, `cropbottom` of the picture: shares of its width and
  // height cut off each side (negative: empty space added).
  double cropLeft = 0, cropTop = 0, cropRight = 0, cropBottom = 0;
};

// A note of the comments part.
struct SheetNote {
  int32_t row = 0, column = 0;     // 1-based
  std::u16string author;
  std::vector<VmlTextRun> runs;
};

struct LegacyDrawing {
  std::vector<VmlShape> shapes;    // document order; group members follow their group
  std::vector<SheetNote> notes;    // comments part order
};

constexpr int32_t kMaxVmlShapes = 65536;
constexpr int32_t kMaxSheetNotes = 65536;

// A system colour name of the classic desktop palette ("buttonFace", "infoBackground",
// "windowText", ...; case ignored) as a resolved colour; false for any other name.
[[nodiscard]] bool VmlSystemColor(std::string_view name, CellColor* color);

}  // namespace xlx
