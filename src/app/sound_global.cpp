#include "app/sound_global.h"

#include "core/format.h"
#include "core/resources.h"
#include "core/session_log.h"
#include "skin/language_manager.h"

#include <algorithm>
#include <cstring>

namespace zv {

TSoundGlobal::TSoundGlobal(TSoundGlobalHost host) : host_(std::move(host)), mixer_(host_.openMixer) {
  if (host_.prefs && host_.prefs->GetBool("Sound.Force44"))
    OpenDirectSound();
}

TSoundGlobal::~TSoundGlobal() {
  if (device_)
    device_->Stop();
  device_.reset();
  mixer_.Restore();
}

void TSoundGlobal::OpenDirectSound() {
  device_ = host_.engine ? host_.engine->CreateSoundClip() : nullptr;
  opened_ = device_ && device_->Open();
  if (!opened_) {
    Log("!E:80004005 (DirectSoundCreate)");
    device_.reset();
    return;
  }
  // The output format is the renderers' business here: they all resample to 44.1 kHz.
  const bool force = host_.prefs && host_.prefs->GetBool("Sound.Force44");
  if (host_.engine)
    host_.engine->SetForcedSampleRate(force ? 44100 : 0);
  if (force)
    Log("DSound: output forced to 44100 Hz, 16 bits, stereo");
}

std::vector<int16_t> TSoundGlobal::ClickSamples(std::string_view wave) {
  std::vector<int16_t> samples;
  if (wave.size() <= 48)
    return samples;
  samples.resize((wave.size() - 48) / 2);
  std::memcpy(samples.data(), wave.data() + 48, samples.size() * 2);
  return samples;
}

std::vector<int16_t> TSoundGlobal::Scaled(const std::vector<int16_t>& samples, int percent) {
  // Above 100 % the samples would wrap around into noise.
  const int v = std::clamp(percent, 0, 100);
  std::vector<int16_t> out(samples.size());
  std::transform(samples.begin(), samples.end(), out.begin(),
                 [v](int16_t s) { return static_cast<int16_t>(s * v / 100); });
  return out;
}

void TSoundGlobal::PlayClick() {
  if (!device_)
    OpenDirectSound();
  if (!device_)
    return;
  if (click_.empty())
    if (std::optional<std::string_view> wave = FindResource("Click"))
      click_ = ClickSamples(*wave);
  const int volume = host_.prefs ? host_.prefs->GetInt("Modules.WinLIRC.Sound.Volume") : 0;
  if (!device_->Play(Scaled(click_, volume), 44100))
    return;
  // Stopped after 50 ms without holding up the user interface; a later click owns the output.
  const int serial = ++clickSerial_;
  if (host_.after)
    host_.after(50, [self = std::weak_ptr<TSoundGlobal*>(self_), serial] {
      std::shared_ptr<TSoundGlobal*> s = self.lock();
      if (s && serial == (*s)->clickSerial_ && (*s)->device_)
        (*s)->device_->Stop();
    });
}

void TSoundGlobal::SetMainVolume(int v) {
  v = std::clamp(v, 0, 100);
  if (host_.prefs)
    host_.prefs->SetInt("Sound.Volume", v);
  if (host_.osd)
    host_.osd(Format(Lang("OSD.Volume") + ": %d%%", v) + (muted ? " (X)" : ""));
  if (host_.prefs && host_.prefs->GetBool("Sound.VolumeMaster"))
    mixer_.SetMaster(v);
  if (host_.prefs && host_.prefs->GetBool("Sound.VolumeWave"))
    mixer_.SetWave(v);
}

} // namespace zv
