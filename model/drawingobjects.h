// Drawing objects of a worksheet: what its drawing part holds (pictures, shapes, connectors,
// groups, graphic frames), each with the anchor that ties it to cells, its transform, the parts
// it refers to and its place in the drawing order; and the embedded objects and controls of the
// worksheet part that show a preview picture. The worksheet reader fills them when it reads the
// sheet; layout widens the rendered range with the anchors and the page renderer draws from them.
// Lengths are EMU (914400 per inch) as written; angles are 60000ths of a degree.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/shapes.h"
#include "model/styles.h"

namespace xlx {

struct MyCellBounds;
struct ChartModel;

enum AnchorKind : int32_t { kAnchorTwoCell = 0, kAnchorOneCell = 1, kAnchorAbsolute = 2 };

// `editAs` of a two-cell anchor: whether the object sizes with the cells under it (two-cell),
// only moves with them (one-cell) or stays put (absolute).
enum AnchorEditAs : int32_t { kEditTwoCell = 0, kEditOneCell = 1, kEditAbsolute = 2 };

struct DrawingAnchor {
  int32_t kind = kAnchorTwoCell;       // AnchorKind
  int32_t editAs = kEditTwoCell;       // AnchorEditAs
  int32_t fromCol = 0, fromRow = 0;    // 0-based as written, within the sheet limits
  int64_t fromColOff = 0, fromRowOff = 0;  // EMU
  int32_t toCol = 0, toRow = 0;        // two-cell anchors
  int64_t toColOff = 0, toRowOff = 0;  // EMU
  int64_t x = 0, y = 0, cx = 0, cy = 0;  // EMU: position (absolute) and extent (one-cell, absolute)
};

// `a:xfrm` (or `xdr:xfrm`) of an object, and the child frame of a group.
struct DrawingTransform {
  bool present = false;
  int64_t x = 0, y = 0, cx = 0, cy = 0;        // EMU: `a:off`, `a:ext`
  int64_t chX = 0, chY = 0, chCx = 0, chCy = 0;  // EMU: `a:chOff`, `a:chExt` of a group
  int32_t rotation = 0;                        // 60000ths of a degree, clockwise, 0 .. 21599999
  bool flipH = false, flipV = false;
};

enum DrawingObjectKind : int32_t {
  kObjectUnknown = 0,
  kObjectShape = 1,         // xdr:sp
  kObjectConnector = 2,     // xdr:cxnSp
  kObjectGroup = 3,         // xdr:grpSp; its members follow it with nParent naming it
  kObjectPicture = 4,       // xdr:pic
  kObjectGraphicFrame = 5,  // xdr:graphicFrame: chart, slicer, timeline, ...
  kObjectContentPart = 6,   // xdr:contentPart (ink)
};

// What a graphic frame's `a:graphicData` holds.
enum GraphicKind : int32_t {
  kGraphicNone = 0,
  kGraphicChart = 1,     // c:chart; targetPath is the chart part
  kGraphicChartEx = 2,   // cx:chart
  kGraphicSlicer = 3,
  kGraphicTimeline = 4,
  kGraphicOther = 5,
};

// Colour effects of a picture, applied in the order written.
enum PictureEffectKind : int32_t {
  kEffectGrayscale = 0,  // a:grayscl
  kEffectBiLevel = 1,    // a:biLevel: value1 = threshold, thousandths of a percent
  kEffectLum = 2,        // a:lum: value1 = bright, value2 = contrast, thousandths of a percent
  kEffectDuotone = 3,    // a:duotone: color1 for black, color2 for white
};

struct PictureEffect {
  int32_t kind = kEffectGrayscale;
  int32_t value1 = 0, value2 = 0;
  CellColor color1 = 0, color2 = 0;
};
constexpr int32_t kMaxPictureEffects = 8;

// The picture of an `xdr:pic` (and the preview of an embedded object).
struct PictureFill {
  std::u16string blipPath;  // the embedded picture part (`a:blip` `r:embed`); empty when none
  std::u16string svgPath;   // the SVG of the `asvg:svgBlip` extension, drawn in preference
  bool bLinked = false;     // the picture lives outside the package: nothing is drawn
  // `a:srcRect`: the share of each side cut off, thousandths of a percent (negative pads).
  int32_t cropLeft = 0, cropTop = 0, cropRight = 0, cropBottom = 0;
  int32_t alpha = 100000;   // `a:alphaModFix` amt: opacity in thousandths of a percent
  int32_t effectCount = 0;
  PictureEffect effects[kMaxPictureEffects];
};

// `a:ln` of an object's shape properties.
struct OutlineSpec {
  bool present = false;      // a line with a colour is drawn
  CellColor color = 0;
  int64_t widthEmu = 9525;   // `w`; 0.75 pt when absent
  int32_t lineStyle = 0;     // LineStyle code of `a:prstDash`
};

struct DrawingObject {
  int32_t kind = kObjectUnknown;   // DrawingObjectKind
  int32_t nParent = -1;            // index of the enclosing group in the sheet's list; -1 at the top
  int32_t nDepth = 0;              // group nesting level, 0 at the top
  int32_t nAnchorIndex = 0;        // place of its anchor among the element children of the part's root
  bool bFromAlternate = false;     // the anchor came from an mc:AlternateContent branch
  bool bHidden = false;            // `cNvPr` `hidden`
  uint32_t id = 0;                 // `cNvPr` `id`
  std::u16string name;             // `cNvPr` `name`
  DrawingAnchor anchor;            // the anchor of the top-level object it belongs to
  DrawingTransform xfrm;
  int32_t graphicKind = kGraphicNone;  // GraphicKind of a graphic frame
  std::u16string targetPath;       // part a graphic frame refers to (the chart part); empty when none
  std::shared_ptr<const ChartModel> chart;  // the chart read from targetPath; null when none
  std::u16string legacyShapeId;    // `a14:compatExt` `spid`: the legacy shape drawn instead
  PictureFill picture;             // pictures only
  OutlineSpec outline;
  int32_t nShape = -1;             // shapes and connectors: index into SheetDrawing::shapes
};

enum LegacyObjectKind : int32_t { kLegacyOleObject = 0, kLegacyControl = 1 };

// An `oleObject` or `control` of the worksheet with a preview picture and an anchor.
struct LegacyObject {
  int32_t kind = kLegacyOleObject;  // LegacyObjectKind
  std::u16string picturePath;       // preview picture part; empty when it resolves nowhere
  DrawingAnchor anchor;             // a two-cell anchor
};

// The drawing content of one worksheet.
struct SheetDrawing {
  std::vector<DrawingObject> objects;       // drawing order: document order, group members after their group
  std::vector<LegacyObject> legacyObjects;  // worksheet order
  std::vector<ShapeSpec> shapes;            // geometry, fill, line and text of shapes and connectors
};

// The cells an anchor covers, 1-based, for widening the rendered range (a one-cell anchor
// covers its from cell; absolute anchors cover no cell and give false).
bool AnchorCells(const DrawingAnchor& anchor, MyCellBounds* cells);

}  // namespace xlx
