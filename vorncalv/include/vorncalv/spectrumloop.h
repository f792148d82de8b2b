// The loops over whole spectra, where the calibration spends its arithmetic, are built three
// times on x86-64 with GCC: for processors with AVX-512 and with AVX2, whose wider registers
// take four or eight points at a time where the baseline takes two, and for any x86-64
// processor. The program loader picks the one for the processor at hand. All give the same
// values, bit for bit: the loops use only additions, multiplications, divisions, square
// roots and conversions, which IEEE arithmetic rounds the same way at any width, and the
// build forbids fusing a multiplication with an addition (-ffp-contract=off), which AVX-512
// could otherwise do.
#pragma once

// VORNCALV_BASELINE_LOOPS builds the baseline loops only (for the test that compares them).
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(VORNCALV_BASELINE_LOOPS)
// A function holding such a loop.
#define SPECTRUM_LOOP __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define SPECTRUM_LOOP
#endif

// A function called inside such a loop: always inlined, so that it is built for the loop's
// processor too.
#define LOOP_STEP inline __attribute__((always_inline))
