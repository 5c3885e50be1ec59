// The column-width unit of East Asian desktop faces drawn by a substitute face.
#pragma once
#include <string>

namespace xlx {

// Column widths count the width of the digit "0" of the workbook's normal font. The East Asian
// desktop faces (MS PGothic, SimSun, Malgun Gothic, ...) are drawn here in TrueType designs of
// the same scripts whose Latin digits are narrower or wider than theirs; measured in those,
// every column of such a workbook would come out 10% narrower or wider than the application's
// (64 or 80 px instead of 72 px for the default column at 11 pt). When `drawn` is one of those
// substitutes and not the face the workbook asked for (`asked`, UTF-16), answers the digit width
// of the faces they stand for at `heightPx` (whole pixels, as hinted text measures); else 0, and
// the drawn face's own digit is the unit.
double SubstituteDigitWidth(const std::u16string& asked, const std::u16string& drawn, double heightPx);

}  // namespace xlx
