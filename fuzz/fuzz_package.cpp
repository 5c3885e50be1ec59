// The package reader over a memory file: part list, every part's read, XML parts, the walk to
// the workbook part.
#include <cstddef>
#include <cstdint>

#include "host/kernel/vkkrnx.h"
#include "package/relationships.h"
#include "package/xlsxunzip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int64_t handle = VkOpenMemoryFile(data, size);
  xlx::PartList list;
  if (xlx::BuildPartList(handle, &list, u"xl/workbook.xml", nullptr) == 1) {
    for (int32_t i = 0; i < list.count && i < 64; ++i) {
      if (list.sizes[i] > (16u << 20)) continue;  // keep each run small; size caps are tested elsewhere
      uint8_t* buffer = nullptr;
      uint64_t partSize = 0;
      xlx::ReadPart(handle, list.names[i], &buffer, &partSize, &list);
      VK_FREE(buffer);
    }
    xlx::WorkbookLocation where;
    if (xlx::LocateWorkbookPart(xlx::PackageSource{handle, &list}, &where) == 1) {
      pugi::xml_document doc;
      xlx::LoadXmlPart(handle, &list, where.path.c_str(), &doc);
    }
    xlx::FreePartList(&list);
  }
  VkCloseFile(handle);
  return 0;
}
