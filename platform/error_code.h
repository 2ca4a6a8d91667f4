#pragma once
// How the platform layer tells why something failed: a std::error_code, empty on success. System
// errors are errno values in the generic category (on Windows the system's errors mapped to
// them, see win32/wide_paths.h); the few failures that are no system error have codes of their
// own (Failure). io_error_text.h turns either into the text the user reads.
#include <cstddef>
#include <system_error>
#include <type_traits>

namespace pelimor::platform {

// An errno value as an error code; 0 is none.
inline std::error_code errnoCode(int value) {
  return value == 0 ? std::error_code() : std::error_code(value, std::generic_category());
}

// What a read gives: the bytes read, or why it failed (then no bytes).
struct ReadResult {
  std::size_t bytes = 0;
  std::error_code error;
};

enum class Failure {
  ShortWrite = 1,  // the system took fewer bytes than given, without an error of its own
  BytesDiffer,     // two files asked to share their blocks hold other bytes
};

const std::error_category& failureCategory();
// Its English text, marked for the window's translation; null for a value that is no Failure.
const char* failureText(int value);
inline std::error_code make_error_code(Failure failure) { return {static_cast<int>(failure), failureCategory()}; }

}  // namespace pelimor::platform

template <>
struct std::is_error_code_enum<pelimor::platform::Failure> : std::true_type {};
