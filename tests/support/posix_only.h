#pragma once
// Tests of what only POSIX systems have (other users, permission bits, named pipes, descriptor
// limits) say so and are skipped on Windows.
#include <gtest/gtest.h>

#ifdef _WIN32
#define PELIMOR_POSIX_ONLY(what) GTEST_SKIP() << "not on Windows: " << (what)
#define PELIMOR_ON_WINDOWS 1
#else
#define PELIMOR_POSIX_ONLY(what) static_cast<void>(0)
#define PELIMOR_ON_WINDOWS 0
#endif
