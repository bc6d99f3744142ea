#include "core/random.h"

#include <chrono>

namespace zv::rnd {
namespace {
uint32_t g_seed = 0;
}

void Randomize() {
  auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  g_seed = static_cast<uint32_t>(ticks);
}

void SetSeed(uint32_t seed) { g_seed = seed; }

uint32_t Seed() { return g_seed; }

uint32_t Random(uint32_t range) {
  g_seed = g_seed * 134775813u + 1u;
  return static_cast<uint32_t>((static_cast<uint64_t>(g_seed) * range) >> 32);
}

} // namespace zv::rnd
