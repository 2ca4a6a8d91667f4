#include "platform/io_error_text.h"

#include <cstring>

namespace pelimor::platform {

std::string systemErrorText(int errnoValue) { return std::strerror(errnoValue); }

}  // namespace pelimor::platform
