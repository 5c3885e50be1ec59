// Image colour library of the xlxhost toolkit: the colour effects pictures carry (brightness,
// contrast, black and white), applied in place to 24-bit or 32-bit host bitmaps. Alpha is kept.
// Every operation returns 1, or -13 for a missing bitmap, one without pixels or a value out of
// range.
#pragma once
#include <cstdint>
#include "host/kernel/vkkrnx.h"

// Brightness and contrast on a scale of -1000 to 1000 (thousandths of the full effect), in one
// pass: brightness first, then contrast around mid-grey.
// Brightness b > 0 moves every channel towards white by b / 1000 of the way (1000: white);
// b < 0 towards black. Contrast k > 0 stretches channels away from 128 by 1 / (1 - k / 1000)
// (1000: a hard threshold at 128); k < 0 pulls them towards 128 by (1 + k / 1000) (-1000: grey).
VK_API int32_t VkAdjustBrightnessContrast(_BITMAPHANDLE* bitmap, int32_t brightness, int32_t contrast);
// Black and white: luminance at or above `threshold` thousandths of full scale (0..1000; 500 is
// half) becomes white, below it black.
VK_API int32_t VkColorBlackWhite(_BITMAPHANDLE* bitmap, int32_t threshold);
// Duotone: each pixel's luminance (0.299 R + 0.587 G + 0.114 B) picks a colour between `dark`
// (for black) and `light` (for white), both 0x00BBGGRR. 1 or -13.
VK_API int32_t VkColorDuotone(_BITMAPHANDLE* bitmap, uint32_t dark, uint32_t light);
