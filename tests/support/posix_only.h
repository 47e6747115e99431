#pragma once
// Tests of what only POSIX has (file modes and owners, FIFOs, symbolic links
// made with symlink(2)) are skipped on Windows, with the reason in the output.
#include <gtest/gtest.h>

#ifdef _WIN32
#define SKIP_ON_WINDOWS(why) GTEST_SKIP() << "not on Windows: " << why
#else
#define SKIP_ON_WINDOWS(why) static_cast<void>(0)
#endif
