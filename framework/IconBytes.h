#pragma once
// Icons made from the bytes of an ICO file, as the templates store them.

#include <windows.h>

#include "toolkit/Types.h"

namespace framework {

// The image of the ICO file that best fits `size` pixels (the smallest one at least that large,
// else the largest), as an icon the caller destroys; null when the bytes hold no usable image.
HICON IconFromIcoBytes(const ByteSet& ico, int size);

} // namespace framework
