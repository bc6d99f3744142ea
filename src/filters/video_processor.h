#pragma once

#include "filters/video_process.h"

#include <gst/gst.h>
#include <memory>

namespace zv {

// "zvvideoproc": the program's picture processor on YUY2 video, and on I420 as most decoders give
// it (the same work on the planes, so no conversion is needed). Each frame gets the effect, the
// brightness, contrast and saturation, the flip and the on-screen display's pictures of its
// settings record, which the rest of the program changes while it plays.
void RegisterVideoProcessor();
// The settings record of a processor element, or of the first one inside a bin; none for other
// elements.
std::shared_ptr<TVideoProcSettings> ZvVideoProcSettings(GstElement* element);

} // namespace zv
