#pragma once

#include "playback/engine/eng_types.h"

#include <gst/gst.h>
#include <string>
#include <vector>

namespace zv {

// The program's own AVI sources as GStreamer elements:
//   "zvavisrc"      ("Advanced AVI File Source") plays one AVI file from its index, rebuilding a
//                   missing index;
//   "zvmultiavisrc" ("Multi AVI File Source") plays the numbered parts of a split film as one.
// Each stream of the file becomes a source pad with a streaming task of its own that pushes the
// stored samples (no decoding) with absolute times; a seek restarts every pad from the key frame
// at or before the position, the segment starting at the position.
void RegisterAviSources();
bool IsZvAviSource(GstElement* element);
// The file-source load: one file, or for the multi source a file or a text list of part names.
// A media type is not accepted (`withMediaType` answers VFW_E_INVALIDMEDIATYPE).
eng::HRESULT ZvAviSourceLoad(GstElement* element, const std::string& name, bool withMediaType = false);
// The multi source's list of parts; E_NOINTERFACE on the single-file source.
eng::HRESULT ZvAviSourceLoadFiles(GstElement* element, const std::vector<std::string>& names);
// The loaded file's name (empty after LoadFiles); E_FAIL while nothing is loaded.
eng::HRESULT ZvAviSourceGetCurFile(GstElement* element, std::string& name);

} // namespace zv
