#pragma once
// Making one file share the disk blocks of another with the same bytes (FIDEDUPERANGE): the kernel
// compares the bytes itself and shares them only when they agree. The file keeps its own inode,
// owner and times.
#include <cstdint>
#include <string>
#include <system_error>

#include "platform/error_code.h"
#include "platform/file_reader.h"

namespace pelimor::platform {

// Shares the first `size` bytes of `target` with those of `source`. `target` must be open for
// writing (see openForSharing). Failure::BytesDiffer when the kernel found bytes that differ:
// nothing was shared from there on. EOPNOTSUPP or EINVAL where the file system or the system
// cannot share blocks, EXDEV across file systems.
std::error_code shareBlocks(const FileReader& source, NativeHandle targetDescriptor, std::uint64_t size);

// Bytes of the open file's blocks that no other file shares; an error where the system can't tell.
std::error_code unsharedBytes(NativeHandle descriptor, std::uint64_t& bytes);

// Opens the regular file `name` in `folder` for writing, without following a link and without
// changing it, into `descriptor`; the caller closes it with closeDescriptor.
std::error_code openForSharing(const FolderHandle& folder, const std::string& name, NativeHandle& descriptor,
                               FileStatus& status);
void closeDescriptor(NativeHandle descriptor);

}  // namespace pelimor::platform
