#pragma once

// Happens-before annotations for ThreadSanitizer. Libraries that are not built with it (GLib,
// GStreamer) synchronise threads in ways it cannot see: the program marks the hand-over itself,
// releasing an object before a library thread may use it and acquiring it in the callbacks that
// library threads make. Without the sanitizer these compile to nothing.
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#define ZV_TSAN_ACQUIRE(addr) __tsan_acquire(static_cast<void*>(addr))
#define ZV_TSAN_RELEASE(addr) __tsan_release(static_cast<void*>(addr))
#else
#define ZV_TSAN_ACQUIRE(addr) ((void)0)
#define ZV_TSAN_RELEASE(addr) ((void)0)
#endif
