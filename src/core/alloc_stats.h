#pragma once

#include <cstdint>

namespace zv {

// Counts of the blocks and bytes currently allocated through operator new. They are kept only
// when the executable links the counting allocator (alloc_guard.cpp); otherwise both stay 0.
struct TAllocStats {
  int64_t blocks = 0;
  int64_t bytes = 0;
};

TAllocStats CurrentAllocStats();

namespace detail {
void CountAlloc(int64_t bytes);
void CountFree(int64_t bytes);
} // namespace detail

} // namespace zv
