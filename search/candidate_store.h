#pragma once
// Every file the walk found, with its path kept compactly: folders as a tree of parent links and
// names in large shared blocks, so a million files cost no million heap strings.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pelimor {

struct Candidate {
  std::uint32_t folder = 0;
  std::uint32_t nameLength = 0;
  std::uint64_t nameOffset = 0;
  std::uint64_t size = 0;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t modifiedNanoseconds = 0;
};

class CandidateStore {
 public:
  static constexpr std::uint32_t kNoParent = 0xFFFFFFFFu;

  // A folder where a walk starts; its whole path is its name.
  std::uint32_t addRootFolder(std::string_view path) { return addFolder(kNoParent, path); }
  std::uint32_t addFolder(std::uint32_t parent, std::string_view name);
  void addFile(std::uint32_t folder, std::string_view name, std::uint64_t size, std::uint64_t device,
               std::uint64_t inode, std::int64_t modifiedNanoseconds);

  const std::vector<Candidate>& files() const { return files_; }
  std::string pathOf(const Candidate& file) const;
  std::string folderPath(std::uint32_t folder) const;

 private:
  struct Folder {
    std::uint32_t parent;
    std::uint32_t nameLength;
    std::uint64_t nameOffset;
  };
  std::uint64_t storeText(std::string_view text);
  std::string_view textAt(std::uint64_t offset, std::uint32_t length) const;

  static constexpr std::size_t kBlockSize = 1u << 20;
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t usedInLastBlock_ = kBlockSize;
  std::vector<Folder> folders_;
  std::vector<Candidate> files_;
};

}  // namespace pelimor
