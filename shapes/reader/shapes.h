// The shape properties of a drawing part's shapes and connectors (`xdr:sp`, `xdr:cxnSp`): their
// geometry, fill, outline, effects, theme style references and text body, read into a ShapeSpec.
#pragma once
#include <cstdint>

#include <pugixml.hpp>

#include "model/shapes.h"
#include "model/workbook.h"

namespace xlx {

// Reads `shape` (an `xdr:sp` or `xdr:cxnSp`) into `spec`. Relationship ids of picture fills are
// looked up in `rels` (`count` entries; may be null). Missing or malformed parts leave the
// defaults; geometry lists are cut at the limits of model/shapes.h. Never fails.
void ReadShapeSpec(const Workbook& workbook, const Relationship* rels, int32_t count, pugi::xml_node shape,
                   ShapeSpec* spec);

// Reads the custom geometry `custGeom` into `geometry` (cut at the limits of model/shapes.h).
void ReadCustomGeometry(pugi::xml_node custGeom, ShapeGeometry* geometry);

}  // namespace xlx
