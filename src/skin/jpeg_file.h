#pragma once

#include "skin/bitmap32.h"

#include <string>

namespace zv {

// A baseline JPEG of the picture (libjpeg-turbo, the library's default quality of 75). Throws
// EZvError when the library reports an error.
std::string WriteJpeg(const TBitmap32& bitmap, int quality = 75);

} // namespace zv
