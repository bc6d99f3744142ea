#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace zv {

// Where the system's volume lives: the master volume (the sound server's default output, or the
// sound card's "Master" control) and the wave volume (this program's own streams on the server,
// or the card's "PCM" control). Values run from 0 to 65535.
class IMixerBackend {
public:
  enum class TLine { Master, Wave };
  virtual ~IMixerBackend() = default;
  // The line's first channel; none when the line does not exist (or holds nothing yet).
  virtual std::optional<uint32_t> Read(TLine line) = 0;
  // Every channel of the line.
  virtual void Write(TLine line, uint32_t value) = 0;
};

// The sound server (PulseAudio, or PipeWire's server for it) when one answers, else the ALSA
// mixer of the default card; none when neither is there. Failures are logged as
// "!Mixer Error:[code] call" and otherwise ignored.
std::unique_ptr<IMixerBackend> OpenSystemMixer();

// The master and wave volume as the program's volume settings move them: the values found at
// the first change are put back by Restore.
class TMixer {
public:
  // `open` makes the backend at the first change (tests hand in their own).
  explicit TMixer(std::function<std::unique_ptr<IMixerBackend>()> open = OpenSystemMixer);
  void SetMaster(int percent);
  void SetWave(int percent);
  void Restore();
  // 0 … 100 percent onto 0 … 65535 (85 gives 55704).
  static uint32_t ValueOfPercent(int percent);

private:
  void FirstUse();
  std::function<std::unique_ptr<IMixerBackend>()> open_;
  std::unique_ptr<IMixerBackend> backend_;
  bool initialised_ = false;
  std::optional<uint32_t> savedMaster_, savedWave_;
};

} // namespace zv
