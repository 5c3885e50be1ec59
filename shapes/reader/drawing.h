// The drawing part of a worksheet (DrawingML): anchors, pictures, shapes, groups and the frames
// of charts, read into the sheet's drawing records.
#pragma once
#include <cstdint>

#include "model/workbook.h"

namespace xlx {

// The sheet's drawing part (sheet->drawingPath) into sheet->drawing.objects: the anchors of every
// kind in document order, those in mc:AlternateContent by the branch ChooseAlternateContent
// picks; each anchor's object with its transform, outline and, for pictures, the parts named
// through the drawing part's relationships, crop and colour effects; group members after their
// group (nested at most 32 deep). Chart frames keep their part's path; the charts themselves are
// read by the chart reader. A drawing part that is missing or cannot be read gives no objects:
// drawings are optional content. 1, -1 (memory), -13 (null argument).
[[nodiscard]] int32_t ReadSheetDrawing(Workbook* workbook, MyWorksheet* sheet);

}  // namespace xlx
