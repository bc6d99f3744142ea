#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zv {

// One peaking stage of the parametric equalizer: centre frequency in Hz, bandwidth in semitones
// around it, gain in decibels at the centre (-15 to +15).
struct TParamEqBand {
  double centre = 8000, bandwidth = 12, gain = 0;
  friend bool operator==(const TParamEqBand&, const TParamEqBand&) = default;
};

// A second-order section, normalised so that a0 is 1.
struct TBiquad {
  double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
};

// The peaking filter of a band at a sample rate. The centre is kept below the Nyquist frequency
// and the bandwidth within 1 … 36 semitones, the gain within -15 … +15 dB.
TBiquad PeakingBiquad(const TParamEqBand& band, double sampleRate);
// The filter's gain at a frequency, in decibels.
double BiquadResponseDb(const TBiquad& q, double frequency, double sampleRate);

// Runs one stage over interleaved samples, keeping each channel's state between buffers.
class TParamEqProcess {
public:
  // New coefficients keep the channels' state (a changed gain is heard without a click); a new
  // channel count starts from silence.
  void Configure(const TBiquad& q, int channels);
  void Reset();
  void ProcessFloat(float* samples, size_t frames);
  // Results are rounded half to even and clipped to the 16-bit range.
  void ProcessS16(int16_t* samples, size_t frames);
  bool Identity() const { return identity_; }

private:
  struct TChannel {
    double z1 = 0, z2 = 0;
  };
  template <class T, class Store>
  void Run(T* samples, size_t frames, Store store);
  TBiquad q_;
  bool identity_ = true;
  std::vector<TChannel> channels_;
};

} // namespace zv
