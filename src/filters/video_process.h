#pragma once

#include "filters/yv_osd.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace zv {

// The picture settings of the video processor: written by the user-interface thread at any time,
// read once per frame by the streaming thread. Brightness, contrast and saturation run from -100
// to 100 (0 leaves the picture as it is); effect 0 is none, 1 to 8 a convolution kernel.
struct TVideoProcSettings {
  std::atomic<int32_t> brightness{0}, contrast{0}, saturation{0};
  std::atomic<bool> flip{false};
  std::atomic<int32_t> effect{0};
  // Set once the processor has transformed a frame.
  std::atomic<bool> active{false};
  // The on-screen display's pictures, blended into every frame.
  const std::shared_ptr<TYVOSD> osd = std::make_shared<TYVOSD>();
};

// One frame's worth of the settings, read once and brought into range.
struct TVideoProcValues {
  int brightness = 0, contrast = 0, saturation = 0, effect = 0;
  bool flip = false;
};
TVideoProcValues ReadSettings(const TVideoProcSettings& settings);

// The level tables of brightness and contrast (luma) and saturation (chroma).
struct TLevelTables {
  std::array<uint8_t, 256> luma{}, chroma{};
  bool lumaUsed = false, chromaUsed = false;
};
TLevelTables BuildLevelTables(int brightness, int contrast, int saturation);

// The processor's work on one YUY2 frame (two bytes a pixel, Y U Y V for each pair): the effect on
// the luma, the level tables, the flip, then the on-screen display's pictures. Rows are `stride`
// bytes apart; the input and output frames have the same size. The output may be the input
// itself (then neutral settings cost nothing).
class TVideoProcess {
public:
  void Process(const uint8_t* in, size_t inStride, uint8_t* out, size_t outStride, int width, int height,
               const TVideoProcValues& values, const TYVOSD* osd);

  // The same work in place on a planar 4:2:0 frame (I420, as most decoders give it): the luma
  // plane and the two chroma planes of half the width and height, each with its own stride.
  void ProcessPlanar(uint8_t* y, size_t yStride, uint8_t* u, size_t uStride, uint8_t* v, size_t vStride, int width,
                     int height, const TVideoProcValues& values, const TYVOSD* osd);

private:
  void ApplyEffect(const uint8_t* in, size_t inStride, int width, int height, int effect);
  std::vector<uint8_t> effect_; // the frame after the effect, rows of whole pixel pairs
  std::vector<uint8_t> plane_;  // the input's luma alone
  std::vector<int16_t> row_;
  std::vector<uint8_t> flipRow_;
  int effectWidth_ = 0, effectHeight_ = 0;
  std::vector<uint16_t> pairs_; // luma and chroma of one pixel through the level tables at once
  int pairsFor_[3] = {0, 0, 0}; // the brightness, contrast and saturation pairs_ was made for
};

} // namespace zv
