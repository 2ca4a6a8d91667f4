#include "search/candidate_store.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "platform/paths.h"

namespace pelimor {

CandidateStore::CandidateStore(unsigned segments) : segments_(std::clamp(segments, 1u, kMaxSegments)) {}

std::uint64_t CandidateStore::Segment::storeText(std::string_view text) {
  if (usedInLastBlock + text.size() > kBlockSize) {
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

std::uint32_t CandidateStore::Segment::storeName(std::string_view name) {
  // Most names are shorter than 255 bytes: one byte gives their length, three bytes the others'.
  const bool shortName = name.size() < 0xFF;
  char length[3] = {static_cast<char>(shortName ? name.size() : 0xFF), static_cast<char>(name.size() & 0xFF),
                    static_cast<char>(name.size() >> 8)};
  const std::size_t lengthBytes = shortName ? 1 : 3;
  if (usedInLastBlock + lengthBytes + name.size() > kBlockSize) {
    blocks.push_back(std::make_unique<char[]>(kBlockSize));
    usedInLastBlock = 0;
  }
  if (blocks.size() > (std::size_t{1} << (32 - kBlockShift))) throw std::length_error("too many names");
  const auto place = static_cast<std::uint32_t>(((blocks.size() - 1) << kBlockShift) | usedInLastBlock);
  std::memcpy(blocks.back().get() + usedInLastBlock, length, lengthBytes);
  std::memcpy(blocks.back().get() + usedInLastBlock + lengthBytes, name.data(), name.size());
  usedInLastBlock += lengthBytes + name.size();
  return place;
}

std::string_view CandidateStore::Segment::nameAt(std::uint32_t place) const {
  const auto* at =
      reinterpret_cast<const unsigned char*>(blocks[place >> kBlockShift].get()) + (place & (kBlockSize - 1));
  if (at[0] != 0xFF) return {reinterpret_cast<const char*>(at + 1), at[0]};
  return {reinterpret_cast<const char*>(at + 3), static_cast<std::size_t>(at[1] | (at[2] << 8))};
}

std::uint16_t CandidateStore::Segment::deviceIndex(std::uint64_t device) {
  // Files come folder by folder, so mostly from the device of the file before.
  if (lastDevice < devices.size() && devices[lastDevice] == device) return lastDevice;
  auto known = std::find(devices.begin(), devices.end(), device);
  if (known == devices.end()) {
    if (devices.size() > UINT16_MAX) throw std::length_error("too many devices");
    known = devices.insert(devices.end(), device);
  }
  lastDevice = static_cast<std::uint16_t>(known - devices.begin());
  return lastDevice;
}

std::uint32_t CandidateStore::addFolder(unsigned segment, std::uint32_t parent, std::string_view name,
                                        platform::FolderId id) {
  Segment& owner = segments_[segment];
  if (owner.folders.size() >= (1u << kSegmentShift)) throw std::length_error("too many folders");
  owner.folders.push_back(Folder{parent, static_cast<std::uint32_t>(name.size()), owner.storeText(name), id});
  return static_cast<std::uint32_t>((segment << kSegmentShift) | (owner.folders.size() - 1));
}

void CandidateStore::addFile(std::uint32_t folder, std::string_view name, const platform::FileStatus& status,
                             const ContentDigest* content, std::uint8_t marks) {
  if (name.size() > UINT16_MAX) throw std::length_error("file name too long");
  Segment& owner = segments_[folder >> kSegmentShift];
  // Room asked for in one piece large enough that the allocator maps it on its own, as it does the
  // larger ones it grows into: each is given back whole when the files are gathered, where a
  // smaller one would stay with the allocator beside the gathered list. Pages not yet filled cost
  // nothing.
  if (owner.files.capacity() == 0) owner.files.reserve(kFirstFilesRoom);
  Candidate& file = owner.files.emplace_back();
  const FileIdentity identity = pelimor::identityOf(status);
  file.inode = identity.inode;
  file.size = identity.size;
  file.modifiedNanoseconds = identity.modifiedNanoseconds;
  file.changedNanoseconds = identity.changedNanoseconds;
  file.nameAt = owner.storeName(name);
  file.folder = folder;
  file.device = owner.deviceIndex(identity.device);
  file.marks = marks;
  if (content != nullptr) {
    file.contentRead = true;
    file.crc32 = content->crc32;
    file.strongHigh = content->strongHigh;
    file.strongLow = content->strongLow;
  }
}

void CandidateStore::addLink(std::uint32_t folder, std::string_view name, std::string_view target) {
  if (name.size() > UINT16_MAX || target.size() > UINT32_MAX) throw std::length_error("link too long");
  Segment& owner = segments_[folder >> kSegmentShift];
  // One text, so that a block boundary never falls between the name and the target.
  std::string both(name);
  both += target;
  owner.links.push_back(LinkEntry{folder, static_cast<std::uint16_t>(name.size()),
                                  static_cast<std::uint32_t>(target.size()), owner.storeText(both)});
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
  std::vector<std::uint64_t>& devices = numberedDevices_;
  devices.clear();
  deviceNumbers_.assign(segments_.size(), {});
  for (std::size_t segment = 0; segment < segments_.size(); ++segment)
    for (const std::uint64_t device : segments_[segment].devices) {
      const auto known = std::find(devices.begin(), devices.end(), device);
      deviceNumbers_[segment].push_back(static_cast<std::uint32_t>(known - devices.begin()));
      if (known == devices.end()) devices.push_back(device);
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

std::vector<LinkEntry> CandidateStore::links() const {
  std::vector<LinkEntry> all;
  for (const Segment& segment : segments_) all.insert(all.end(), segment.links.begin(), segment.links.end());
  return all;
}

std::vector<std::uint32_t> CandidateStore::opaqueFolders() const {
  std::vector<std::uint32_t> all;
  for (const Segment& segment : segments_)
    all.insert(all.end(), segment.opaqueFolders.begin(), segment.opaqueFolders.end());
  return all;
}

std::vector<std::uint32_t> CandidateStore::folderNodes() const {
  std::vector<std::uint32_t> nodes;
  nodes.reserve(folderCount_);
  for (std::size_t segment = 0; segment < segments_.size(); ++segment)
    for (std::size_t i = 0; i < segments_[segment].folders.size(); ++i)
      nodes.push_back(static_cast<std::uint32_t>((segment << kSegmentShift) | i));
  return nodes;
}

std::string CandidateStore::folderPath(std::uint32_t folder) const {
  // Two walks up the parent links, no call per folder level however deep: the first measures the
  // path, the second writes the names into it from the end.
  const auto nameOf = [&](std::uint32_t at) {
    const Folder& record = folderAt(at);
    return segmentOf(at).textAt(record.nameOffset, record.nameLength);
  };
  // One separator before a folder's name, unless its parent's text already ends with one (a
  // walk's start such as "/").
  const auto separatorBefore = [&](std::uint32_t at) {
    const std::string_view parent = nameOf(folderAt(at).parent);
    return parent.empty() || parent.back() != platform::kSeparator ? 1u : 0u;
  };
  std::size_t length = 0;
  for (std::uint32_t at = folder; at != kNoParent; at = folderAt(at).parent) {
    length += nameOf(at).size();
    if (folderAt(at).parent != kNoParent) length += separatorBefore(at);
  }
  std::string path(length, '\0');
  std::size_t end = length;
  for (std::uint32_t at = folder; at != kNoParent; at = folderAt(at).parent) {
    const std::string_view name = nameOf(at);
    end -= name.size();
    name.copy(path.data() + end, name.size());
    if (folderAt(at).parent != kNoParent && separatorBefore(at) != 0) path[--end] = platform::kSeparator;
  }
  return path;
}

std::string CandidateStore::pathOf(const Candidate& file) const {
  std::string path = folderPath(file.folder);
  platform::appendToPath(path, nameOf(file));
  return path;
}

}  // namespace pelimor
