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

#include <string>

namespace pelimor::testing {
// Makes `link` a symbolic link to `target` (a folder link where the target is a folder).
void makeSymlink(const std::string& target, const std::string& link);
// False where symbolic links cannot be made (Wine 8's CreateSymbolicLinkW says yes and makes none).
bool canMakeSymlinks();
}  // namespace pelimor::testing

#define PELIMOR_NEEDS_SYMLINKS()              \
  if (!::pelimor::testing::canMakeSymlinks()) \
  GTEST_SKIP() << "this system makes no symbolic links (CreateSymbolicLinkW succeeds and makes none)"
