#include "platform/error_code.h"

#include <string>

namespace pelimor::platform {

namespace {
class FailureCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "pelimor"; }
  std::string message(int value) const override {
    switch (static_cast<Failure>(value)) {
      case Failure::ShortWrite:
        return "the disk took fewer bytes than given";
      case Failure::BytesDiffer:
        return "the bytes differ";
    }
    return "unknown failure " + std::to_string(value);
  }
};
}  // namespace

const std::error_category& failureCategory() {
  static const FailureCategory category;
  return category;
}

}  // namespace pelimor::platform
