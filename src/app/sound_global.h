#pragma once

#include "core/prefs_access.h"
#include "platform/mixer.h"
#include "playback/engine/engine.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zv {

struct TSoundGlobalHost {
  IPrefs* prefs = nullptr;
  eng::IEngine* engine = nullptr;
  std::function<void(const std::string&)> osd;
  // Runs the work once after so many milliseconds on the user-interface thread.
  std::function<void(int ms, std::function<void()>)> after;
  // The system mixer, made at the first change of the system volume.
  std::function<std::unique_ptr<IMixerBackend>()> openMixer = OpenSystemMixer;
};

// What the program's sound needs for all of its run: the output held at 44.1 kHz when the
// preferences force it, the click that acknowledges remote-control buttons, and the main volume
// with the system volume behind it, which is put back at exit.
class TSoundGlobal {
public:
  explicit TSoundGlobal(TSoundGlobalHost host);
  ~TSoundGlobal();
  TSoundGlobal(const TSoundGlobal&) = delete;
  TSoundGlobal& operator=(const TSoundGlobal&) = delete;

  void OpenDirectSound();
  bool Opened() const { return opened_; }
  // Plays the click at `Modules.WinLIRC.Sound.Volume` percent; it is stopped 50 ms later.
  void PlayClick();
  // Stores the volume (0 … 100), shows it and moves the system volume when the preferences say so.
  void SetMainVolume(int v);
  // Written by the main window before each volume change.
  bool muted = false;

  // The click's samples at a loudness in percent (clamped to 0 … 100), truncated toward zero.
  static std::vector<int16_t> Scaled(const std::vector<int16_t>& samples, int percent);
  // The samples of a RIFF WAVE resource: everything after its first 48 bytes.
  static std::vector<int16_t> ClickSamples(std::string_view wave);

private:
  TSoundGlobalHost host_;
  std::unique_ptr<eng::ISoundClip> device_;
  bool opened_ = false;
  std::vector<int16_t> click_;
  TMixer mixer_;
  int clickSerial_ = 0;
  std::shared_ptr<TSoundGlobal*> self_ = std::make_shared<TSoundGlobal*>(this);
};

} // namespace zv
