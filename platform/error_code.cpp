#include "platform/error_code.h"

#include <string>

#include "platform/window_text.h"

namespace pelimor::platform {

namespace {
class FailureCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "pelimor"; }
  std::string message(int value) const override {
    if (const char* text = failureText(value)) return text;
    return "unknown failure " + std::to_string(value);
  }
};
}  // namespace

const char* failureText(int value) {
  switch (static_cast<Failure>(value)) {
    case Failure::ShortWrite:
      return PELIMOR_WINDOW_TEXT("Notices", "the disk took fewer bytes than given");
    case Failure::BytesDiffer:
      return PELIMOR_WINDOW_TEXT("Notices", "the bytes differ");
  }
  return nullptr;
}

const std::error_category& failureCategory() {
  static const FailureCategory category;
  return category;
}

}  // namespace pelimor::platform
