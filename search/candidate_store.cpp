#include "search/candidate_store.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "platform/paths.h"

namespace pelimor {

CandidateStore::CandidateStore(unsigned segments) : segments_(std::clamp(segments, 1u, kMaxSegments)) {}

std::uint64_t CandidateStore::Segment::storeText(std::string_view text) {
  if (text.size() > kBlockSize - usedInLastBlock) {
    // Texts longer than a block get a block of their own size.
    blocks.push_back(std::make_unique<char[]>(std::max(kBlockSize, text.size())));
    usedInLastBlock = 0;
  }
  const std::uint64_t offset = (static_cast<std::uint64_t>(blocks.size() - 1) << 32) | usedInLastBlock;
  std::memcpy(blocks.back().get() + usedInLastBlock, text.data(), text.size());
  usedInLastBlock += text.size();
  return offset;
}

std::string_view CandidateStore::Segment::textAt(std::uint64_t offset, std::uint32_t length) const {
  return {blocks[offset >> 32].get() + (offset & 0xFFFFFFFFu), length};
}

std::uint32_t CandidateStore::addFolder(unsigned segment, std::uint32_t parent, std::string_view name,
                                        platform::FolderId id) {
  Segment& owner = segments_[segment];
  if (owner.folders.size() >= (1u << kSegmentShift)) throw std::length_error("too many folders");
  owner.folders.push_back(Folder{parent, static_cast<std::uint32_t>(name.size()), owner.storeText(name), id});
  return static_cast<std::uint32_t>((segment << kSegmentShift) | (owner.folders.size() - 1));
}

void CandidateStore::addFile(std::uint32_t folder, std::string_view name, const platform::FileStatus& status,
                             const ContentDigest* content) {
  if (name.size() > UINT16_MAX) throw std::length_error("file name too long");
  Segment& owner = segments_[folder >> kSegmentShift];
  Candidate& file = owner.files.emplace_back();
  file.size = status.size;
  file.device = status.device;
  file.inode = status.inode;
  file.modifiedNanoseconds = status.modifiedTime();
  file.changedNanoseconds = status.changedTime();
  file.nameOffset = owner.storeText(name);
  file.folder = folder;
  file.nameLength = static_cast<std::uint16_t>(name.size());
  if (content != nullptr) {
    file.contentRead = true;
    file.content = *content;
  }
}

void CandidateStore::collectFiles() {
  segmentFirstFolder_.clear();
  folderCount_ = 0;
  std::size_t total = 0;
  for (const Segment& segment : segments_) {
    segmentFirstFolder_.push_back(folderCount_);
    folderCount_ += segment.folders.size();
    total += segment.files.size();
  }
  allFiles_.reserve(allFiles_.size() + total);
  // Each segment is let go as soon as it is copied, so the files are never held twice over.
  for (Segment& segment : segments_) {
    if (segment.files.empty()) continue;
    allFiles_.insert(allFiles_.end(), segment.files.begin(), segment.files.end());
    std::vector<Candidate>().swap(segment.files);  // assigning {} would keep the memory
  }
}

std::vector<platform::FolderId> CandidateStore::folderIds() const {
  std::vector<platform::FolderId> ids;
  ids.reserve(folderCount_);
  for (const Segment& segment : segments_)
    for (const Folder& folder : segment.folders) ids.push_back(folder.id);
  return ids;
}

std::string CandidateStore::folderPath(std::uint32_t folder) const {
  // Gathered leaf to root, then joined root to leaf: no call per folder level, however deep.
  std::vector<std::uint32_t> chain;
  for (std::uint32_t at = folder;; at = folderAt(at).parent) {
    chain.push_back(at);
    if (folderAt(at).parent == kNoParent) break;
  }
  std::string path;
  path.reserve(128);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    const Folder& record = folderAt(*it);
    const std::string_view name = segmentOf(*it).textAt(record.nameOffset, record.nameLength);
    if (record.parent == kNoParent)
      path.append(name);  // a walk's start: its name is its whole path
    else
      platform::appendToPath(path, name);
  }
  return path;
}

std::string CandidateStore::pathOf(const Candidate& file) const {
  std::string path = folderPath(file.folder);
  platform::appendToPath(path, nameOf(file));
  return path;
}

}  // namespace pelimor
