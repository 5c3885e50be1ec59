// One reading step with the exceptions of the XML library and the containers turned into result
// codes, so that none crosses a module boundary. Used by every reader, whatever its format.
#pragma once
#include <cstdint>
#include <new>

#include "common/resultcodes.h"

namespace xlx {

// Runs one reading step with the exceptions of the XML library and the containers turned into
// result codes: -1 when memory runs out, -284 for anything else.
template <typename Step>
int32_t Guarded(Step step) {
  try {
    return step();
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  } catch (...) {
    return XLX_ERR_READER_EXCEPTION;
  }
}

}  // namespace xlx
