#pragma once

#include "playback/engine/engine.h"

#include <functional>
#include <gst/gst.h>
#include <mutex>
#include <string>

namespace eng {

// The engine over GStreamer. Creating it initialises GStreamer once for the process and registers
// the program's own elements.
class TGstEngine : public IEngine {
public:
  TGstEngine();
  ~TGstEngine() override;
  std::unique_ptr<IGraph> CreateGraph() override;
  std::shared_ptr<IFilter> CreateFilter(const TGuid& classId) override;
  std::string ErrorText(HRESULT code) override { return StandardErrorText(code); }
  std::string FilterFriendlyName(const TGuid& classId) override;
  TFilterDescription DescribeFilter(const TGuid& classId) override;
  std::vector<TFactoryEntry> Factories() override;
  bool LoadPlugin(const std::string& path) override;
  bool GrabFrame(const std::string& file, int64_t position, TFrame& frame, int timeoutMs) override;
  std::vector<TAudioDevice> AudioDevices() override;
  std::shared_ptr<IFilter> CreateAudioRenderer(const std::string& device) override;
  void WatchAudioDevices(std::function<void(const std::string& name)> removed) override;
  void SetForcedSampleRate(int rate) override;
  std::unique_ptr<ISoundClip> CreateSoundClip() override;

private:
  std::mutex watchLock_;
  GstDeviceMonitor* watcher_ = nullptr;
  std::function<void(const std::string&)>* onRemoved_ = nullptr;
};

// Known filter classes.

// The sink elements the renderers use: the environment's choice (ZELVAR_AUDIO_SINK,
// ZELVAR_VIDEO_SINK, an element name or a launch description) or the defaults.
std::string AudioSinkDescription();
std::string VideoSinkDescription();
// An audio renderer: its queue, conversion, the forced rate, volume and balance in front of `sink`
// (none: the default sink). Floating, as parsed.
GstElement* MakeAudioRendererBin(GstElement* sink, GError** error);

} // namespace eng
