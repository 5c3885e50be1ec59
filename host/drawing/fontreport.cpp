// The font report: which family the engine drew for each face asked for, and which families text
// fell back to for characters the face lacks (other scripts, symbols). Process-wide, off until a
// host turns it on, so that drawing pays for it only then.
#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include "host/drawing/drawinginternal.h"

namespace vkdraw {
namespace {

std::atomic<bool> g_reportOn{false};
constexpr size_t kMaxReportedFaces = 4096;

struct FontReport {
  std::mutex mutex;
  std::map<std::string, std::set<std::string>> used;  // face asked for -> families drawn
};

FontReport& Report() {
  static auto* report = new FontReport;  // lives to the end of the process; threads may still note
  return *report;
}

}  // namespace

bool FontReportOn() { return g_reportOn.load(std::memory_order_relaxed); }

void NoteFontUse(const std::string& asked, const std::string& family) {
  if (!FontReportOn() || family.empty()) return;
  FontReport& r = Report();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.used.find(asked);
  if (it == r.used.end()) {
    if (r.used.size() >= kMaxReportedFaces) return;
    it = r.used.emplace(asked, std::set<std::string>()).first;
  }
  if (it->second.size() < 64) it->second.insert(family);
}

void NoteLayoutFonts(PangoLayout* layout, const VkFont* font) {
  if (!FontReportOn()) return;
  for (GSList* l = pango_layout_get_lines_readonly(layout); l; l = l->next) {
    for (GSList* r = static_cast<PangoLayoutLine*>(l->data)->runs; r; r = r->next) {
      PangoFont* used = static_cast<PangoGlyphItem*>(r->data)->item->analysis.font;
      if (!used) continue;
      PangoFontDescription* desc = pango_font_describe(used);
      if (const char* family = pango_font_description_get_family(desc)) NoteFontUse(font->asked, family);
      pango_font_description_free(desc);
    }
  }
}

}  // namespace vkdraw

using namespace vkdraw;

VK_API void VkSetFontReport(int32_t on) { g_reportOn.store(on != 0, std::memory_order_relaxed); }

VK_API int32_t VkGetFontReport(char* buffer, size_t capacity, size_t* needed) {
  std::string text;
  try {
    FontReport& r = Report();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (const auto& entry : r.used) {
      text += entry.first.empty() ? std::string("(default)") : entry.first;
      const char* separator = "\t";
      for (const auto& family : entry.second) text += separator + family, separator = ", ";
      text += '\n';
    }
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
  if (needed) *needed = text.size() + 1;
  if (!buffer || capacity < text.size() + 1) return XLX_ERR_ARGUMENT;
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = '\0';
  return XLX_OK;
}
