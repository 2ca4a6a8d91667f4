#pragma once
// pelimor-find's exit statuses, as its --help and the README tell them.

namespace pelimor {

enum class ExitStatus : int {
  Done = 0,
  // A file was refused, the group guard kept the action from starting, or the report could not be
  // written.
  SomeRefused = 1,
  // Bad arguments, or a saved search or a selected folder that can't be used.
  BadUsage = 2,
  NothingSearched = 3,  // no given folder could be searched
  JournalUnusable = 3,  // the action journal is no regular file we may read and write
  Interrupted = 130,    // SIGINT or SIGTERM, as a shell counts 128 + SIGINT
};

inline int exitCode(ExitStatus status) { return static_cast<int>(status); }

}  // namespace pelimor
