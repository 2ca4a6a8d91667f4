#include "platform/whole_file.h"

#include "platform/descriptor_io.h"

namespace pelimor::platform {

bool InputFile::readExact(void* buffer, std::size_t length) {
  const std::int64_t done = readFullyAt(descriptor_, position_, buffer, length);
  if (done > 0) position_ += static_cast<std::uint64_t>(done);
  return done == static_cast<std::int64_t>(length);
}

}  // namespace pelimor::platform
