#include "core/alloc_stats.h"

#include <atomic>

namespace zv {
namespace {
// Constant-initialised, so they are usable by allocations made before any constructor runs.
constinit std::atomic<int64_t> g_blocks{0};
constinit std::atomic<int64_t> g_bytes{0};
} // namespace

TAllocStats CurrentAllocStats() {
  return TAllocStats{g_blocks.load(std::memory_order_relaxed), g_bytes.load(std::memory_order_relaxed)};
}

namespace detail {
void CountAlloc(int64_t bytes) {
  g_blocks.fetch_add(1, std::memory_order_relaxed);
  g_bytes.fetch_add(bytes, std::memory_order_relaxed);
}
void CountFree(int64_t bytes) {
  g_blocks.fetch_sub(1, std::memory_order_relaxed);
  g_bytes.fetch_sub(bytes, std::memory_order_relaxed);
}
} // namespace detail

} // namespace zv
