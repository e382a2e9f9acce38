// SPDX-License-Identifier: Apache-2.0
//
// Run-time dispatch for the hot kernels: a function marked DATA_MANAGER_AVX2_CLONES is compiled twice, once for
// plain x86-64 and once for AVX2, and the loader picks the variant the processor runs. The AVX2 target carries no
// FMA, and the library is built with -ffp-contract=off, so both variants round every operation alike.
#ifndef DATA_MANAGER_SRC_KERNEL_OPERATOR_DISPATCH_HPP
#define DATA_MANAGER_SRC_KERNEL_OPERATOR_DISPATCH_HPP

// The clones' resolver runs while the dynamic loader relocates the library. Under ThreadSanitizer it is instrumented
// and would run before the sanitizer's runtime is set up, crashing the process as it loads; build the default only.
#if defined(__SANITIZE_THREAD__) || !defined(__x86_64__)
#define DATA_MANAGER_AVX2_CLONES
#else
#define DATA_MANAGER_AVX2_CLONES __attribute__((target_clones("avx2", "default")))
#endif

// For function templates. Clang does not multiversion templates yet; its builds (the fuzzing ones) run the default
// variant of these only.
#if defined(__clang__)
#define DATA_MANAGER_AVX2_TEMPLATE_CLONES
#else
#define DATA_MANAGER_AVX2_TEMPLATE_CLONES DATA_MANAGER_AVX2_CLONES
#endif

#endif  // DATA_MANAGER_SRC_KERNEL_OPERATOR_DISPATCH_HPP
