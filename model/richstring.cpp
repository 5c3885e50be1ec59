#include "model/richstring.h"

namespace xlx {

const RichString& EmptyRichString() {
  static const RichString empty{nullptr, u"", 0, 0};
  return empty;
}

const RichString& GetSharedString(const SharedStringTable& table, int32_t index) {
  // A negative index is a cell without a value (-1): it shows nothing, never the first string.
  if (index < 0) return EmptyRichString();
  if (index >= table.count) index = 0;
  if (index < table.strings.Count() && table.strings[index].text) return table.strings[index];
  return EmptyRichString();
}

}  // namespace xlx
