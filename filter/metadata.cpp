// Document properties of a workbook package.
#include "common/resultcodes.h"
#include "filter/xlxfilter.h"

namespace xlx {

int32_t ReadMetadataItems(MetadataRequest* request) {
  if (!request || !request->pszFileName) return XLX_ERR_ARGUMENT;
  return XLX_OK;
}

}  // namespace xlx
