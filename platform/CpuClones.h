// Functions built more than once, each for a set of processor instructions,
// the one to use chosen by the loader when the program starts (GCC's
// target_clones). SSQ_CPU_CLONES("avx2", "default") before a function
// definition builds those clones. Under ThreadSanitizer it builds the plain
// function only: the loader runs the clone chooser before the sanitizer's
// runtime is ready, and the program dies before main().
#pragma once

#if defined(__SANITIZE_THREAD__)
#define SSQ_CPU_CLONES_OFF 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define SSQ_CPU_CLONES_OFF 1
#endif
#endif

#if defined(__x86_64__) && defined(__GNUC__) && !defined(SSQ_CPU_CLONES_OFF)
#define SSQ_CPU_CLONES(...) [[gnu::target_clones(__VA_ARGS__)]]
#else
#define SSQ_CPU_CLONES(...)
#endif
