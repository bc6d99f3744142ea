#pragma once

#include "playback/engine/eng_types.h"

#include <string>

namespace eng {

// Decodes one picture of a local media file at `position` (100 ns units) in a pipeline of its own:
// the file's decoder, a colour conversion to 32-bit BGRA and a sink that keeps its last sample.
// Audio streams are dropped. Everything waits at most `timeoutMs` in all.
bool GrabFrameWithGst(const std::string& file, int64_t position, TFrame& frame, int timeoutMs);

} // namespace eng
