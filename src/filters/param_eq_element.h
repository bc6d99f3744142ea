#pragma once

#include "filters/param_eq.h"

#include <gst/gst.h>

namespace zv {

// "zvparameq": one stage of the parametric equalizer on interleaved 32-bit float or 16-bit
// samples, its centre ("centre", Hz), bandwidth ("bandwidth", semitones) and gain ("gain", dB)
// changeable while it plays.
void RegisterParamEq();
bool IsZvParamEq(GstElement* element);

} // namespace zv
