#include "platform/system_shell.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace pelimor::platform {

namespace {
// How long xdg-open may take to say whether anything opened the target. It may also stay as long as
// the program it started runs (a browser started in its place): then it is taken as started.
constexpr int kAnswerMilliseconds = 3000;

// In the watcher child: only calls that are safe after fork in a program with threads.
[[noreturn]] void watchOpener(const char* target, int answer) {
  char* const arguments[] = {const_cast<char*>("xdg-open"), const_cast<char*>(target), nullptr};
  pid_t opener = 0;
  char started = 0;
  if (posix_spawnp(&opener, "xdg-open", nullptr, nullptr, arguments, environ) == 0) {
    started = 1;
    const timespec step{0, 20'000'000};
    for (int waited = 0; waited < kAnswerMilliseconds; waited += 20) {
      int status = 0;
      if (waitpid(opener, &status, WNOHANG) == opener) {
        started = WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 1 : 0;
        break;
      }
      nanosleep(&step, nullptr);
    }
  }
  // An opener still running is left to the system, which takes it over when this child ends.
  [[maybe_unused]] const ssize_t written = write(answer, &started, 1);
  _exit(0);
}
}  // namespace

std::optional<bool> openWithShell(const std::string& target) {
  // xdg-open says through its exit status whether any program could open the target; Qt's own
  // opener starts it detached and can't tell. A child in between waits for that answer, so the
  // opener never becomes ours to wait for, nor is stopped when the window closes.
  int answer[2];
  if (pipe2(answer, O_CLOEXEC) != 0) return std::nullopt;
  const pid_t watcher = fork();
  if (watcher < 0) {
    close(answer[0]);
    close(answer[1]);
    return std::nullopt;
  }
  if (watcher == 0) {
    close(answer[0]);
    watchOpener(target.c_str(), answer[1]);
  }
  close(answer[1]);
  char started = 0;
  ssize_t got = 0;
  do {
    got = read(answer[0], &started, 1);
  } while (got < 0 && errno == EINTR);
  close(answer[0]);
  while (waitpid(watcher, nullptr, 0) < 0 && errno == EINTR) {
  }
  return got == 1 && started == 1;
}

// The desktop's file manager takes that over D-Bus, which the window speaks through Qt.
std::optional<bool> selectInFileManager(const std::string&) { return std::nullopt; }

// Qt Multimedia plays the sound on Linux.
std::optional<bool> playSoundFile(const std::string&) { return std::nullopt; }

}  // namespace pelimor::platform
