#pragma once

#include "playback/engine/engine.h"

#include <gst/gst.h>

namespace eng {

// appsrc → conversion → the default audio sink, for the remote-control click.
class TGstSoundClip : public ISoundClip {
public:
  TGstSoundClip();
  ~TGstSoundClip() override;
  bool Open() override;
  bool Play(const std::vector<int16_t>& samples, int rate) override;
  void Stop() override;

private:
  GstElement* pipeline_ = nullptr;
  GstElement* src_ = nullptr;
};

} // namespace eng
