#pragma once
// For the loops that compose every frame: the compiler vectorises them, but for the
// baseline processor only (16-byte vectors). These get a copy for AVX2 and one for
// AVX-512 too, picked once when the program loads by what the processor has. The
// arithmetic is the same integer arithmetic in every copy, so pictures are too.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define QVL_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")))
#else
#define QVL_VECTOR_CLONES
#endif
