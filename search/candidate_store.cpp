#include "search/candidate_store.h"

#include <algorithm>
#include <cstring>

#include "platform/paths.h"

namespace pelimor {

std::uint64_t CandidateStore::storeText(std::string_view text) {
  if (text.size() > kBlockSize - usedInLastBlock_) {
    // Texts longer than a block get a block of their own size.
    blocks_.push_back(std::make_unique<char[]>(std::max(kBlockSize, text.size())));
    usedInLastBlock_ = 0;
  }
  const std::uint64_t offset = (static_cast<std::uint64_t>(blocks_.size() - 1) << 32) | usedInLastBlock_;
  std::memcpy(blocks_.back().get() + usedInLastBlock_, text.data(), text.size());
  usedInLastBlock_ += text.size();
  return offset;
}

std::string_view CandidateStore::textAt(std::uint64_t offset, std::uint32_t length) const {
  return {blocks_[offset >> 32].get() + (offset & 0xFFFFFFFFu), length};
}

std::uint32_t CandidateStore::addFolder(std::uint32_t parent, std::string_view name) {
  folders_.push_back(Folder{parent, static_cast<std::uint32_t>(name.size()), storeText(name)});
  return static_cast<std::uint32_t>(folders_.size() - 1);
}

void CandidateStore::addFile(std::uint32_t folder, std::string_view name, std::uint64_t size,
                             std::uint64_t device, std::uint64_t inode, std::int64_t modifiedNanoseconds) {
  files_.push_back(Candidate{folder, static_cast<std::uint32_t>(name.size()), storeText(name), size, device,
                             inode, modifiedNanoseconds});
}

std::string CandidateStore::folderPath(std::uint32_t folder) const {
  std::vector<std::string_view> parts;
  for (std::uint32_t at = folder; at != kNoParent; at = folders_[at].parent)
    parts.push_back(textAt(folders_[at].nameOffset, folders_[at].nameLength));
  std::string path;
  for (auto part = parts.rbegin(); part != parts.rend(); ++part)
    path = path.empty() ? std::string(*part) : platform::joinPath(path, *part);
  return path;
}

std::string CandidateStore::pathOf(const Candidate& file) const {
  return platform::joinPath(folderPath(file.folder), textAt(file.nameOffset, file.nameLength));
}

}  // namespace pelimor
