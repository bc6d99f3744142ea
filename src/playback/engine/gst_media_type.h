#pragma once

#include "playback/engine/media_type.h"

#include <gst/gst.h>

namespace eng {

// The DirectShow view of GStreamer caps: FourCC and wave-tag subtypes, VIDEOINFOHEADER and
// WAVEFORMATEX blocks, with the caps kept beside them.
TMediaType MediaTypeFromCaps(const GstCaps* caps);
// The FourCC GStreamer's AVI reader and the codec tables use for video caps, 0 when unknown.
uint32_t VideoFourCCOfCaps(const GstStructure* s);
// The wave format tag of audio caps, 0 when unknown.
uint16_t WaveTagOfCaps(const GstStructure* s);
bool IsRawCaps(const GstCaps* caps);

} // namespace eng
