#pragma once
// Making one file share the disk blocks of another with the same bytes (FIDEDUPERANGE): the kernel
// compares the bytes itself and shares them only when they agree. The file keeps its own inode,
// owner and times.
#include <cstdint>

#include "platform/file_reader.h"

namespace pelimor::platform {

// The kernel found bytes that differ; nothing was shared from there on.
inline constexpr int kBytesDiffer = -1;

// Shares the first `size` bytes of `target` with those of `source`. `target` must be open for
// writing (see openForSharing). 0, kBytesDiffer, or an errno value (EOPNOTSUPP or EINVAL where
// the file system or the system cannot share blocks, EXDEV across file systems).
int shareBlocks(const FileReader& source, NativeHandle targetDescriptor, std::uint64_t size);

// Opens the regular file `name` in `folder` for writing, without following a link and without
// changing it. A handle or -errno; the caller closes it with closeDescriptor.
// Bytes of the open file's blocks that no other file shares, or -1 where the system can't tell.
std::int64_t unsharedBytes(NativeHandle descriptor);

NativeHandle openForSharing(const FolderHandle& folder, const std::string& name, FileStatus& status);
void closeDescriptor(NativeHandle descriptor);

}  // namespace pelimor::platform
