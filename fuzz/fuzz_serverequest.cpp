// The service's request options: a query-like text "name=value&name=value..." (raw bytes, no
// decoding) is split into fields and turned into render options, as a request's query or form
// fields are. What is accepted must be within the ranges the renderer takes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "requestoptions.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

RequestFields SplitFields(const std::string& text) {
  RequestFields fields;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('&', start);
    if (end == std::string::npos) end = text.size();
    const std::string item = text.substr(start, end - start);
    const size_t eq = item.find('=');
    fields.emplace(item.substr(0, eq), eq == std::string::npos ? "" : item.substr(eq + 1));
    start = end + 1;
  }
  return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const RequestFields fields = SplitFields(text);
  RenderOptions options;
  std::string error;
  if (RenderOptionsFromFields(fields, "upload", &options, &error)) {
    Check(options.dpi >= 1 && options.dpi <= 2400);
    Check(options.input == "upload");
    Check(options.batchList.empty() && !options.info && !options.metadata);
    for (auto [a, b] : options.pageRanges) Check(a >= 1 && (b == 0 || b >= a));
    Check(fields.count("password") == 1 || options.password.empty());
  } else {
    Check(!error.empty());
  }
  for (const auto& [name, value] : fields) {
    uint32_t n = 0;
    if (ParsePositive(value, 600, &n)) Check(n >= 1 && n <= 600 && value.find_first_not_of("0123456789") == std::string::npos);
    if (IsDocumentId(name)) Check(name.size() == 64);
  }
  return 0;
}
