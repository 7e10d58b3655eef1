#pragma once
// Hot loops are compiled twice, for any x86-64 processor and for those with
// AVX2, and the loader picks one.  Without FMA both round every product and
// sum as written, so both give the same results.  ThreadSanitizer's runtime
// is not yet up when the loader runs the picker, so its builds keep one version.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_THREAD__)
#define QUILLON_HOT_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define QUILLON_HOT_LOOP
#endif
