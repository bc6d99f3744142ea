// The video processor's frame work on 1080p YUY2, beside GStreamer's videobalance on the same
// frames and a plain copy of the frame. Results go to bench/README.md.
#include "filters/video_process.h"

#include <benchmark/benchmark.h>
#include <gst/check/gstharness.h>
#include <gst/gst.h>

#include <cstring>
#include <vector>

using namespace zv;

namespace {

constexpr int kW = 1920, kH = 1080;
constexpr size_t kStride = kW * 2;

std::vector<uint8_t> TestFrame() {
  std::vector<uint8_t> f(kStride * kH);
  uint32_t seed = 12345;
  for (auto& b : f) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<uint8_t>(16 + (seed >> 16) % 220);
  }
  return f;
}

// Eight frames in and out, 64 MB together: more than the processor's cache holds, as frames
// coming from a decoder one after another are.
struct Frames {
  std::vector<std::vector<uint8_t>> in, out;
  size_t next = 0;
  Frames() {
    for (int i = 0; i < 8; ++i) {
      in.push_back(TestFrame());
      out.emplace_back(in.back().size());
    }
  }
  size_t Next() { return next++ % in.size(); }
};

void Run(benchmark::State& state, TVideoProcValues v, const TYVOSD* osd = nullptr) {
  Frames f;
  TVideoProcess proc;
  for (auto _ : state) {
    const size_t i = f.Next();
    proc.Process(f.in[i].data(), kStride, f.out[i].data(), kStride, kW, kH, v, osd);
    benchmark::DoNotOptimize(f.out[i].data());
  }
}

void BM_Memcpy(benchmark::State& state) {
  Frames f;
  for (auto _ : state) {
    const size_t i = f.Next();
    std::memcpy(f.out[i].data(), f.in[i].data(), f.in[i].size());
    benchmark::DoNotOptimize(f.out[i].data());
  }
}

void BM_Neutral(benchmark::State& state) { Run(state, {}); }

void BM_Flip(benchmark::State& state) {
  TVideoProcValues v;
  v.flip = true;
  Run(state, v);
}

void BM_BrightnessContrastSaturation(benchmark::State& state) {
  TVideoProcValues v;
  v.brightness = 10;
  v.contrast = 20;
  v.saturation = 30;
  Run(state, v);
}

void BM_Effect(benchmark::State& state) {
  TVideoProcValues v;
  v.effect = static_cast<int>(state.range(0));
  Run(state, v);
}

// Three texts as wide as the picture, 48 lines each, letters on a quarter of the pixels.
void BM_OsdBlend(benchmark::State& state) {
  TYVImageCreator creator;
  std::vector<uint32_t> text(kW * 48, 0x040004);
  for (size_t i = 0; i < text.size(); i += 4)
    text[i] = 0xFFFF00;
  auto image = creator.CreateImage(text.data(), kW, 48, kW, 0x040004);
  TYVOSD osd;
  osd.Replace({{1, 0, image}, {1, 900, image}, {1, 1000, image}});
  std::vector<uint8_t> frame = TestFrame();
  for (auto _ : state) {
    osd.Blend(frame.data(), frame.size(), kW, kH, kStride);
    benchmark::DoNotOptimize(frame.data());
  }
}

// The peer: videobalance with all three of its colour controls away from neutral.
void BM_PeerVideobalance(benchmark::State& state) {
  gst_init(nullptr, nullptr);
  GstHarness* h = gst_harness_new("videobalance");
  g_object_set(h->element, "brightness", 0.1, "contrast", 1.2, "saturation", 1.3, nullptr);
  gst_harness_set_src_caps_str(h, "video/x-raw,format=YUY2,width=1920,height=1080,framerate=25/1");
  Frames f;
  for (auto _ : state) {
    state.PauseTiming();
    const std::vector<uint8_t>& in = f.in[f.Next()];
    GstBuffer* buf = gst_buffer_new_allocate(nullptr, in.size(), nullptr);
    gst_buffer_fill(buf, 0, in.data(), in.size());
    state.ResumeTiming();
    GstBuffer* outBuf = gst_harness_push_and_pull(h, buf);
    state.PauseTiming();
    gst_buffer_unref(outBuf);
    state.ResumeTiming();
  }
  gst_harness_teardown(h);
}

} // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Neutral)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Flip)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrightnessContrastSaturation)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Effect)->DenseRange(1, 8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OsdBlend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeerVideobalance)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
