#pragma once
// Path texts as the file system holds them: bytes, '/' between parts, the root is "/". On Windows
// too the program keeps '/' between parts of its UTF-8 paths (roots "C:/" and "//server/share/");
// the system layer turns them into the system's own form at each call.
#include <string>
#include <string_view>

namespace pelimor::platform {

inline constexpr char kSeparator = '/';
// The longest path the system takes in one call (PATH_MAX less its terminating zero; on Windows
// what a path with the long-path prefix may hold).
#ifdef _WIN32
inline constexpr std::size_t kLongestPath = 32000;
#else
inline constexpr std::size_t kLongestPath = 4095;
#endif
// Two names that differ only in the case of their letters name one file here: the user's name
// patterns are matched ignoring case too.
#ifdef _WIN32
inline constexpr bool kNamesIgnoreCase = true;
#else
inline constexpr bool kNamesIgnoreCase = false;
#endif

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

// A path as the user reads it, in the window and the report: on Windows with the system's '\'
// between parts ("C:\Users\me"), elsewhere as it is kept.
std::string shownPath(std::string_view path);

// A folder text as it is kept: the root is "/", any other folder has no trailing '/' (on Windows
// '\\' becomes '/', and a drive's root keeps its '/').
std::string normalizedFolder(std::string_view folder);

// The name a file takes where `name` is taken: " (number)" before the extension.
// "a.jpg" -> "a (2).jpg", "notes" -> "notes (2)", ".profile" -> ".profile (2)" (a leading dot starts
// no extension), and a compressed tar keeps both parts together: "archive.tar.gz" -> "archive (2).tar.gz".
std::string numberedFileName(std::string_view name, unsigned number);

}  // namespace pelimor::platform
