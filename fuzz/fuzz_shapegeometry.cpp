// The shape reader and the geometry evaluator: the input is parsed as one shape element (an
// `xdr:sp` with its `spPr`, `style` and `txBody`), or as a group whose first few shapes are read
// (their group fills looked up through the groups around them), into a workbook that has the
// Office theme; each shape's geometry (its preset or custom one) and its text warp are then
// evaluated at a few sizes, as is the input taken as a compact preset definition text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include <pugixml.hpp>

#include "model/workbook.h"
#include "parser/xlsxprsr.h"
#include "shapes/reader/shapes.h"
#include "tests/support/officetheme.h"
#include "shapes/geometry.h"

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
  // The root itself, then shapes inside it in document order (a bounded walk).
  std::vector<pugi::xml_node> shapes{doc.document_element()};
  int32_t visited = 0;
  for (pugi::xml_node n = doc.document_element().first_child(); n && visited < 4096 && shapes.size() < 8; ++visited) {
    const char* name = n.name();
    const char* colon = strchr(name, ':');
    const char* local = colon ? colon + 1 : name;
    if (strcmp(local, "sp") == 0 || strcmp(local, "cxnSp") == 0) shapes.push_back(n);
    if (n.first_child()) n = n.first_child();
    else {
      while (n && !n.next_sibling() && n != doc.document_element()) n = n.parent();
      if (!n || n == doc.document_element()) break;
      n = n.next_sibling();
    }
  }
  for (pugi::xml_node node : shapes) {
    xlx::ShapeSpec spec;
    xlx::ReadShapeSpec(*workbook, nullptr, 0, node, &spec);
    xlx::ShapeGeometry geometry;
    if (spec.custom) EvaluateAtSizes(spec.geometry, {});
    else if (xlx::FindPresetGeometry(spec.preset.c_str(), &geometry)) EvaluateAtSizes(geometry, spec.adjusts);
    if (xlx::FindTextWarpGeometry(spec.text.warp.c_str(), &geometry)) EvaluateAtSizes(geometry, spec.text.warpAdjusts);
  }
  xlx::FreeWorkbook(workbook);
  return 0;
}
