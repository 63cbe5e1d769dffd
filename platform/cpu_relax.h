// A hint to the processor that this thread is looking at memory another thread will change, in
// a short wait before any sleep: the core saves power and yields to its sibling, and leaves the
// loop without the penalty of a mispredicted memory order.
#pragma once

#if defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
#include <immintrin.h>
#elif !defined(__x86_64__) && !defined(__i386__) && !defined(__aarch64__)
#include <thread>
#endif

namespace verolt::platform {

inline void cpu_relax() {
#if defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
  _mm_pause();
#elif defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__)
  __asm__ __volatile__("yield");
#else
  // No such hint: giving the core away is the nearest.
  std::this_thread::yield();
#endif
}

}  // namespace verolt::platform
