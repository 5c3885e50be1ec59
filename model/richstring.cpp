#include "model/richstring.h"

namespace xlx {

const RichString& EmptyRichString() {
  static const RichString empty{nullptr, u"", 0, 0};
  return empty;
}

const RichString& GetSharedString(const SharedStringTable& table, int32_t index) {
  if (index < 0 || index >= table.count) index = 0;
  if (index < table.strings.Count() && table.strings[index].text) return table.strings[index];
  return EmptyRichString();
}

}  // namespace xlx
