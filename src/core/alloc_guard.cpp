// The counting allocator behind the session log's leak guard, linked into executables. Left out of
// the AddressSanitizer build, whose own allocator checks much more. The array, nothrow and sized
// forms of the standard library forward to these.
#include "core/alloc_stats.h"

#if !defined(__SANITIZE_ADDRESS__)

#include <cstdlib>
#include <malloc.h>
#include <new>

void* operator new(std::size_t size) {
  void* p;
  while (!(p = std::malloc(size ? size : 1))) {
    std::new_handler h = std::get_new_handler();
    if (!h)
      throw std::bad_alloc();
    h();
  }
  zv::detail::CountAlloc(static_cast<int64_t>(malloc_usable_size(p)));
  return p;
}

void operator delete(void* p) noexcept {
  if (!p)
    return;
  zv::detail::CountFree(static_cast<int64_t>(malloc_usable_size(p)));
  std::free(p);
}

void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

#endif
