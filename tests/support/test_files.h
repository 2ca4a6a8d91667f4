#pragma once
// Real files in temporary folders for the result actions' tests.
#include <cstdint>
#include <functional>
#include <string>

#include "search/result_row.h"
#include "support/unprivileged.h"

namespace pelimor::testing {

// A fresh folder below `base` (the system's temporary folder when empty), removed with everything
// in it at the end of the test.
class TempFolder {
 public:
  explicit TempFolder(const std::string& base = "");
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder();

  const std::string& path() const { return path_; }
  // The path of `relative` inside this folder.
  std::string operator/(const std::string& relative) const;

 private:
  std::string path_;
};

// Creates or replaces a file, with any missing folders above it.
void writeFile(const std::string& path, const std::string& content);
std::string readFile(const std::string& path);
bool exists(const std::string& path);

// A row for list logic that never looks at the disk.
ResultRow rowAt(std::uint32_t group, std::string path);

// The row a search would have made for the file as it is now.
ResultRow rowFor(const std::string& path, std::uint32_t group);

// Moves the file's modification time by `seconds`, leaving its content.
void shiftModificationTime(const std::string& path, int seconds);

// Sets an environment variable, or removes it when `value` is empty; returns what it was.
std::string setEnvironment(const char* name, const std::string& value);

// Points the home folder (HOME, USERPROFILE on Windows) at `folder`; returns what it was.
std::string setHomeFolder(const std::string& folder);

// Lets every user into and through the folders (tests that drop privileges need that).
void openToEveryone(const std::string& folder);

}  // namespace pelimor::testing
