// The process-wide lock of font files, shared by everything in the host library that draws text:
// the drawing engine and the vector-picture decoders, whose text goes through the same FreeType
// faces. See host/drawing/drawinginternal.h for why the faces need it.
#pragma once
#include <mutex>

namespace vkhost {

std::mutex& FontFileMutex();

}  // namespace vkhost
