#include "host/kernel/fontfilelock.h"

namespace vkhost {

std::mutex& FontFileMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace vkhost
