// The loops over whole spectra, where the calibration spends its arithmetic, are built twice
// on x86-64 with GCC: for processors with AVX2, whose wider registers take twice the points
// at a time, and for any x86-64 processor. The program loader picks the one for the processor
// at hand. Both give the same values, bit for bit: the loops use only additions,
// multiplications, divisions, square roots and conversions, which IEEE arithmetic rounds the
// same way at any width, and neither build fuses a multiplication with an addition (AVX2
// does not bring the fused instructions with it).
#pragma once

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
// A function holding such a loop.
#define SPECTRUM_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define SPECTRUM_LOOP
#endif

// A function called inside such a loop: always inlined, so that it is built for the loop's
// processor too.
#define LOOP_STEP inline __attribute__((always_inline))
