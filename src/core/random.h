#pragma once

#include <cstdint>

namespace zv {

// The program's one pseudo-random source, shared by everything that draws numbers (shuffle order,
// logo choice): a 32-bit linear congruential generator, seed := seed * 134775813 + 1.
// User-interface thread only.
namespace rnd {
// Seeds from the high-resolution clock.
void Randomize();
void SetSeed(uint32_t seed);
uint32_t Seed();
// A number in [0, range): the high 32 bits of seed * range after one step; 0 for range 0.
uint32_t Random(uint32_t range);
} // namespace rnd

} // namespace zv
