#include "filters/param_eq.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace zv {

TBiquad PeakingBiquad(const TParamEqBand& band, double sampleRate) {
  TBiquad q;
  if (!(sampleRate > 0) || band.gain == 0)
    return q;
  const double gain = std::clamp(band.gain, -15.0, 15.0);
  const double centre = std::clamp(band.centre, 1.0, sampleRate * 0.49);
  const double octaves = std::clamp(band.bandwidth, 1.0, 36.0) / 12.0;
  // The peaking section of the audio-EQ cookbook, its bandwidth in octaves between the -3 dB
  // points of the boost.
  const double a = std::pow(10.0, gain / 40.0);
  const double w0 = 2.0 * std::numbers::pi * centre / sampleRate;
  const double sn = std::sin(w0), cs = std::cos(w0);
  const double alpha = sn * std::sinh(std::numbers::ln2 / 2.0 * octaves * w0 / sn);
  const double a0 = 1.0 + alpha / a;
  q.b0 = (1.0 + alpha * a) / a0;
  q.b1 = -2.0 * cs / a0;
  q.b2 = (1.0 - alpha * a) / a0;
  q.a1 = -2.0 * cs / a0;
  q.a2 = (1.0 - alpha / a) / a0;
  return q;
}

double BiquadResponseDb(const TBiquad& q, double frequency, double sampleRate) {
  const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * frequency / sampleRate);
  const std::complex<double> z2 = z1 * z1;
  const std::complex<double> h = (q.b0 + q.b1 * z1 + q.b2 * z2) / (1.0 + q.a1 * z1 + q.a2 * z2);
  return 20.0 * std::log10(std::abs(h));
}

void TParamEqProcess::Configure(const TBiquad& q, int channels) {
  q_ = q;
  identity_ = q.b0 == 1 && q.b1 == 0 && q.b2 == 0 && q.a1 == 0 && q.a2 == 0;
  if (channels != static_cast<int>(channels_.size()))
    channels_.assign(static_cast<size_t>(std::max(channels, 0)), TChannel{});
}

void TParamEqProcess::Reset() { std::fill(channels_.begin(), channels_.end(), TChannel{}); }

template <class T, class Store>
void TParamEqProcess::Run(T* samples, size_t frames, Store store) {
  const size_t n = channels_.size();
  if (identity_ || n == 0)
    return;
  // Transposed direct form II, one channel at a time along the interleaved samples.
  for (size_t c = 0; c < n; ++c) {
    double z1 = channels_[c].z1, z2 = channels_[c].z2;
    for (size_t i = c; i < frames * n; i += n) {
      const double x = samples[i];
      const double y = q_.b0 * x + z1;
      z1 = q_.b1 * x - q_.a1 * y + z2;
      z2 = q_.b2 * x - q_.a2 * y;
      samples[i] = store(y);
    }
    // Denormals after a long silence cost more than they are worth.
    channels_[c].z1 = std::abs(z1) < 1e-20 ? 0.0 : z1;
    channels_[c].z2 = std::abs(z2) < 1e-20 ? 0.0 : z2;
  }
}

void TParamEqProcess::ProcessFloat(float* samples, size_t frames) {
  Run(samples, frames, [](double y) { return static_cast<float>(y); });
}

void TParamEqProcess::ProcessS16(int16_t* samples, size_t frames) {
  Run(samples, frames, [](double y) {
    const double clipped = std::clamp(y, -32768.0, 32767.0);
    // Adding and taking away 1.5 * 2^52 rounds to the nearest integer, ties to even.
    constexpr double kRound = 6755399441055744.0;
    return static_cast<int16_t>((clipped + kRound) - kRound);
  });
}

} // namespace zv
