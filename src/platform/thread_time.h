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
// without optimisation run many times slower.
#if defined(SHEAFPAD_THREAD_SANITIZER)
inline constexpr double kBuildSlowdown = 20;
#elif defined(SHEAFPAD_ADDRESS_SANITIZER)
inline constexpr double kBuildSlowdown = 5;
#elif !defined(__OPTIMIZE__)
inline constexpr double kBuildSlowdown = 4;
#else
inline constexpr double kBuildSlowdown = 1;
#endif

} // namespace sheafpad::platform
