// The chart reader and chart drawing: the input is a chart part. It is read into the chart model
// against a workbook without a theme, its references resolved against that workbook's sheet
// "Data" (numbers, texts, a formula, a blank) and names, then drawn into a 400 x 300 page and
// into a sliver of it; both must come through whole and in bounded time.
#include <cstddef>
#include <cstdint>

#include <string>

#include <pugixml.hpp>

#include "model/workbook.h"
#include "chart/reader/reader.h"
#include "parser/xml/dom.h"
#include "tests/formulas/formulabook.h"
#include "chart/draw/draw.h"

namespace {

struct Page {
  VkDrawingEngine* engine = nullptr;
  _BITMAPHANDLE bitmap{};
  xlx::Workbook* workbook = nullptr;
  Page() {
    void* object = nullptr;
    VkCreateDrawingObject(VkQueryDrawingEngine(), &object);
    engine = static_cast<VkDrawingEngine*>(object);
    VkSetTextResolution(engine, 96);
    VkCreateBitmap(&bitmap, sizeof bitmap, 1, 400, 300, 24, 1, nullptr, 1, nullptr, 0);
    workbook = xlxtest::BuildBook({{"Data", {{"A1", "'Jan"}, {"A2", "'Feb"}, {"A3", "3"}, {"B1", "10"}, {"B2", "=B1*2"},
                                             {"B3", "#N/A"}, {"C1", "TRUE"}, {"C3", "'x"}}}},
                                  {{"Sales", "Data!$B$1:$B$3"}, {"Loop", "Loop"}});
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  static Page page;
  if (!page.engine || !page.workbook) return 0;
  pugi::xml_document doc;
  if (!doc.load_buffer(data, size)) return 0;
  xlx::ChartModel model;
  const bool ex = xlx::IsElement(doc.document_element(), "chartSpace") &&
                  std::string(doc.document_element().name()).rfind("cx:", 0) == 0;
  const int32_t rc = ex ? xlx::ParseChartEx(doc.document_element(), *page.workbook, &model)
                        : xlx::ParseChart(doc.document_element(), *page.workbook, &model);
  if (rc == -1) return 0;
  if (xlx::ResolveChartCellData(*page.workbook, &model) == -1) return 0;
  // The same bytes read as the chart's own drawing part.
  if (xlx::ParseChartUserShapes(doc.document_element(), *page.workbook, 914400, 914400, &model) == -1) return 0;
  xlx::DrawingSurface* surface = nullptr;
  if (xlx::CreateDrawingSurface(page.engine, &page.bitmap, &surface) != 1) return 0;
  xlx::InitEngine(surface);
  xlx::ChartDrawOptions options;
  (void)xlx::DrawChart(surface, model, xlx::DrawRect{10, 10, 380, 280}, options);
  (void)xlx::DrawChart(surface, model, xlx::DrawRect{0, 0, 7, 300}, options);
  (void)xlx::EndEngine(surface);
  xlx::DestroyDrawingSurface(surface);
  return 0;
}
