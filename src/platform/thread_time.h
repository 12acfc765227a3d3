// SPDX-License-Identifier: GPL-3.0-or-later
// How much processor time a thread has had, and how much slower than an
// optimised build this build runs, so that limits of processor time hold
// the same work in every build.
#pragma once

namespace sheafpad::platform {

// Seconds of processor time the calling thread has used so far.
double ThreadCpuSeconds();

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define SHEAFPAD_THREAD_SANITIZER 1
#endif
#if __has_feature(address_sanitizer)
#define SHEAFPAD_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define SHEAFPAD_THREAD_SANITIZER 1
#endif
#if defined(__SANITIZE_ADDRESS__)
#define SHEAFPAD_ADDRESS_SANITIZER 1
#endif

// Instrumented code (ThreadSanitizer, AddressSanitizer) and code built
// without optimisation run slower: as measured on the parser, whose
// runtime comes from the system uninstrumented. A limit that tells work
// apart by its speed (the parser's) holds within a factor of two of it.
#if defined(SHEAFPAD_THREAD_SANITIZER)
inline constexpr double kBuildSlowdown = 4;
#elif defined(SHEAFPAD_ADDRESS_SANITIZER)
inline constexpr double kBuildSlowdown = 2;
#elif !defined(__OPTIMIZE__)
inline constexpr double kBuildSlowdown = 3;
#else
inline constexpr double kBuildSlowdown = 1;
#endif

} // namespace sheafpad::platform
