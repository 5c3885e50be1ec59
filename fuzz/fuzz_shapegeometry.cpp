// The shape reader and the geometry evaluator: the input is parsed as one shape element (an
// `xdr:sp` with its `spPr`, `style` and `txBody`) and read into a workbook that has the Office
// theme; the shape's geometry (its preset or custom one) is then evaluated at a few sizes, as is
// the input taken as a compact preset definition text.
#include <cstddef>
#include <cstdint>
#include <string>

#include <pugixml.hpp>

#include "model/workbook.h"
#include "parser/xlsxprsr.h"
#include "parser/xlsxprsrshapes.h"
#include "tests/support/officetheme.h"
#include "view/shapegeometry.h"

namespace {

void EvaluateAtSizes(const xlx::ShapeGeometry& geometry, const std::vector<xlx::GeomFormula>& adjusts) {
  static const double kSizes[][2] = {{100, 50}, {0, 0}, {1, 1e6}, {-5, 7}};
  for (const auto& size : kSizes) {
    xlx::EvaluatedGeometry out;
    if (xlx::EvaluateGeometry(geometry, adjusts, size[0], size[1], &out) != 1) continue;
    for (const xlx::ShapeFigure& f : out.figures)
      if (f.points.size() != f.tags.size()) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  xlx::ShapeGeometry decoded;
  xlx::DecodeGeometry(text.c_str(), &decoded);
  EvaluateAtSizes(decoded, decoded.adjusts);

  pugi::xml_document doc;
  if (!doc.load_buffer(data, size, pugi::parse_default, pugi::encoding_auto)) return 0;
  xlx::Workbook* workbook = nullptr;
  if (xlx::CreateWorkbook(&workbook) != 1) return 0;
  xlxtest::AttachOfficeTheme(workbook);
  xlx::ShapeSpec spec;
  xlx::ReadShapeSpec(*workbook, nullptr, 0, doc.document_element(), &spec);
  if (spec.custom) {
    EvaluateAtSizes(spec.geometry, {});
  } else {
    xlx::ShapeGeometry preset;
    if (xlx::FindPresetGeometry(spec.preset.c_str(), &preset)) EvaluateAtSizes(preset, spec.adjusts);
  }
  xlx::FreeWorkbook(workbook);
  return 0;
}
