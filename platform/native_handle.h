#pragma once
// What the system hands out for an open file or folder: a descriptor on POSIX systems, a HANDLE on
// Windows. Either way -1 means none.
#include <cstdint>

namespace pelimor::platform {

#ifdef _WIN32
using NativeHandle = std::intptr_t;  // INVALID_HANDLE_VALUE is -1
#else
using NativeHandle = int;
#endif
inline constexpr NativeHandle kNoHandle = -1;

}  // namespace pelimor::platform
