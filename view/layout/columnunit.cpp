// Digit width of East Asian desktop faces drawn by a substitute (see columnunit.h).
#include "view/layout/columnunit.h"
#include <algorithm>
#include <cmath>

namespace xlx {
namespace {

// The TrueType faces that stand in for the East Asian desktop faces.
const char16_t* const kSubstitutes[] = {u"IPAGothic",     u"IPAPGothic",         u"IPAMincho",        u"IPAPMincho",
                                        u"NanumGothic",   u"NanumMyeongjo",      u"WenQuanYi Zen Hei", u"AR PL UMing CN",
                                        u"AR PL UMing TW", u"AR PL UMing HK",    u"AR PL UMing TW MBE"};

// The desktop faces' "0" is 0.555 em: 8 px at 11 pt on a 96 dpi screen, which makes the default
// column of 8.43 characters 72 px, as those workbooks show.
constexpr double kDigitEm = 0.555;

}  // namespace

double SubstituteDigitWidth(const std::u16string& asked, const std::u16string& drawn, double heightPx) {
  if (!(heightPx > 0) || asked == drawn) return 0;
  for (const char16_t* face : kSubstitutes)
    if (drawn == face) return std::max(1.0, std::round(kDigitEm * heightPx));
  return 0;
}

}  // namespace xlx
