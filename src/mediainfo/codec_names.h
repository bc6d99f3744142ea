#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zv {

// The description of a video compression code given as its four-character text ("XVID");
// "Unknown yet" for codes the table does not hold. Case matters.
std::string FourCCName(std::string_view fourcc);
// The name of an audio format tag (the wave format tag, or the program's own tags for Ogg Vorbis,
// Monkey's Audio, Musepack and FLAC); "Unknown" for tags the table does not hold.
std::string FormatTagName(uint16_t tag);

} // namespace zv
