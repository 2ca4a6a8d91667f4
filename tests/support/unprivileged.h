#pragma once
// Root reads and writes everything, so tests of permission failures run their body in a child
// process that first becomes the user nobody. Windows has no such user to become: the tests that
// need one are skipped there (posix_only.h).
#ifndef _WIN32
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <exception>
#include <functional>
#include <string>

#include "support/posix_only.h"

namespace pelimor::testing {

#ifdef _WIN32
inline std::string runUnprivileged(const std::function<std::string()>&) { return "!no user to become"; }
#else

// Runs `body` in a child process (as nobody when we are root). Returns what `body` returned, or a
// text starting with "!" when the child could not run it.
inline std::string runUnprivileged(const std::function<std::string()>& body) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return "!pipe";
  const pid_t child = fork();
  if (child < 0) return "!fork";
  if (child == 0) {
    close(pipeEnds[0]);
    std::string answer;
    if (geteuid() == 0) {
      constexpr uid_t kNobody = 65534;
      if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) answer = "!setuid";
    }
    if (answer.empty()) {
      try {
        answer = body();
      } catch (const std::exception& error) {
        answer = std::string("!exception: ") + error.what();
      }
    }
    [[maybe_unused]] const ssize_t written = write(pipeEnds[1], answer.data(), answer.size());
    close(pipeEnds[1]);
    _exit(0);
  }
  close(pipeEnds[1]);
  std::string answer;
  char buffer[4096];
  for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
    answer.append(buffer, static_cast<size_t>(got));
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status)) return "!child died";
  return answer;
}
#endif

}  // namespace pelimor::testing
