#include "platform/system_shell.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/posix_only.h"
#include "support/test_files.h"

namespace pelimor {
namespace {

// The desktop's opener is asked, and its answer is what it says: an xdg-open that finds no program
// for the target fails, one that opens it succeeds.
TEST(SystemShell, TheOpenersOwnAnswerCounts) {
  PELIMOR_POSIX_ONLY("Windows asks the shell itself");
  testing::TempFolder bin;
  const std::string oldPath = testing::setEnvironment("PATH", bin.path());
  for (const auto& [script, opened] : {std::pair{"exit 3", false}, std::pair{"exit 0", true}}) {
    testing::writeFile(bin / "xdg-open", std::string("#!/bin/sh\n") + script + "\n");
    chmod((bin / "xdg-open").c_str(), 0755);
    EXPECT_EQ(platform::openWithShell("https://example.org/"), std::optional<bool>(opened)) << script;
  }
  std::remove((bin / "xdg-open").c_str());
  EXPECT_EQ(platform::openWithShell("https://example.org/"), std::optional<bool>(false)) << "no xdg-open at all";
  testing::setEnvironment("PATH", oldPath);
}

}  // namespace
}  // namespace pelimor
