// The x86-64 vector instructions as the engines reach them: whether this compiler can build them
// (VEROLT_X86), and the attribute that compiles one function for each instruction set while the
// rest of the program stays baseline. The processor check is engine.cpp's; a vector engine is
// built under the same VEROLT_X86, so an engine the processor supports is always there.
#pragma once

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VEROLT_X86 1
#include <immintrin.h>

#define VEROLT_TARGET_AVX2 __attribute__((target("avx2")))
#define VEROLT_TARGET_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi")))
#define VEROLT_TARGET_AVX512_GFNI \
  __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi,gfni")))

#if defined(__GNUC__) && !defined(__clang__)
// GCC 12's AVX-512 intrinsics fill the unused parts of results with deliberately undefined vectors
// and then warn about them (fixed in GCC 13); written at the top of the files that use them.
#define VEROLT_X86_UNDEFINED_VECTORS_ARE_FINE                 \
  _Pragma("GCC diagnostic ignored \"-Wmaybe-uninitialized\"") \
      _Pragma("GCC diagnostic ignored \"-Wuninitialized\"")
#else
#define VEROLT_X86_UNDEFINED_VECTORS_ARE_FINE
#endif

#else
#define VEROLT_X86 0
#define VEROLT_X86_UNDEFINED_VECTORS_ARE_FINE
#endif
