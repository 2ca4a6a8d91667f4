#pragma once
// Path texts as the file system holds them: bytes, '/' between parts, the root is "/".
#include <string>
#include <string_view>

namespace pelimor::platform {

inline constexpr char kSeparator = '/';
// The longest path the system takes in one call (PATH_MAX less its terminating zero).
inline constexpr std::size_t kLongestPath = 4095;

// One separator between folder and name, unless the folder already ends with one.
std::string joinPath(std::string_view folder, std::string_view name);
// The same, in place: spares a new string when paths are built part by part.
void appendToPath(std::string& path, std::string_view name);

// The folder a file lies in: up to its last '/', without the trailing '/' unless that is the root.
// A path without any '/' has an empty folder part.
std::string folderPartOf(std::string_view path);
// The same, as a part of `path` itself.
std::string_view folderPartView(std::string_view path);

// Everything after the last '/'.
std::string_view fileNameOf(std::string_view path);

// A folder text as it is kept: the root is "/", any other folder has no trailing '/'.
std::string normalizedFolder(std::string_view folder);

}  // namespace pelimor::platform
