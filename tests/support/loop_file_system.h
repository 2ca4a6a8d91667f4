#pragma once
// A small file system of a chosen kind in an image on a loop device, mounted for one test; only
// where we may mount one. `unavailable()` says why not, for the skip.
#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdlib>
#include <string>

#include "support/test_files.h"

namespace pelimor::testing {

class LoopFileSystem {
 public:
  // `makeCommand` makes the file system in the image whose path follows it, e.g. "mkfs.ext4 -q -I 128".
  explicit LoopFileSystem(const std::string& makeCommand) {
    const std::string tool = makeCommand.substr(0, makeCommand.find(' '));
#ifdef _WIN32
    if (true) reason_ = "no loop devices on Windows";
#else
    if (geteuid() != 0)
      reason_ = "mounting needs root";
    else if (std::system(("command -v " + tool + " >/dev/null").c_str()) != 0)
      reason_ = tool + " is not installed";
    else if (std::system(("truncate -s 64M " + image_ + " && " + makeCommand + " " + image_ +
                          " >/dev/null 2>&1 && mkdir " + mountPoint_ + " && mount -o loop " + image_ + " " +
                          mountPoint_ + " 2>/dev/null")
                             .c_str()) != 0)
      reason_ = "this machine cannot mount a loop device";
    else
      mounted_ = true;
#endif
  }
  ~LoopFileSystem() {
    if (mounted_) std::system(("umount " + mountPoint_).c_str());
  }
  LoopFileSystem(const LoopFileSystem&) = delete;
  LoopFileSystem& operator=(const LoopFileSystem&) = delete;

  const std::string& unavailable() const { return reason_; }
  const std::string& path() const { return mountPoint_; }

 private:
  TempFolder folder_;
  std::string image_ = folder_ / "image";
  std::string mountPoint_ = folder_ / "mounted";
  std::string reason_;
  bool mounted_ = false;
};

}  // namespace pelimor::testing
