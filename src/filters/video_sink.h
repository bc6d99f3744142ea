#pragma once

#include "playback/engine/engine.h"

#include <gst/gst.h>

namespace zv {

// "zvvideosink": a video sink that hands pictures (BGRx, or YUV with a routine that converts
// them into BGRx where they are drawn), without copying them, to an IVideoOutput
// (the video widget). It draws nothing itself, so the program can paint the picture, the OSD and
// screen grabs in one place on any display, offscreen included.
GType ZvVideoSinkGetType();
// Registers the element once, at rank NONE so that automatic plugging never picks it.
void RegisterVideoSink();
// The output of a sink element; none stops handing pictures over (and clears the current one).
void ZvVideoSinkSetOutput(GstElement* sink, eng::IVideoOutput* output);
bool IsZvVideoSink(GstElement* element);
// Pictures handed over so far (for tests and benchmarks).
uint64_t ZvVideoSinkFrameCount(GstElement* sink);

} // namespace zv
