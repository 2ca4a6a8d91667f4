#pragma once
// Every file the walk found, with its path kept compactly: folders as a tree of parent links and
// names in large shared blocks, so a million files cost no million heap strings. Each walking
// thread fills a segment of its own, so the walk takes no lock per file.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/directory_reader.h"
#include "search/content_digest.h"
#include "search/file_identity.h"

namespace pelimor {

// What a file's place says of it: the walk marks every file at or below a folder the user gave
// such a part, whatever path led there.
enum FileMark : std::uint8_t {
  kInReference = 1,  // below a reference folder
  kInUniqueIn = 2,   // below a folder whose files without a copy are asked for
};

// Ten million of them are held at once, and walked several times: what a FileIdentity holds is
// kept here in 64 bytes, its device as an index into the device table of the folder's segment
// and the name's length before the name in that segment's text (CandidateStore::identityOf,
// nameOf).
struct Candidate {
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t modifiedNanoseconds = 0;
  std::int64_t changedNanoseconds = 0;
  // With contentRead, the walk read the whole file and these are its digest (content()).
  std::uint64_t strongHigh = 0;
  std::uint64_t strongLow = 0;
  std::uint32_t crc32 = 0;
  std::uint32_t folder = 0;  // the folder's id; the name lies in that folder's segment
  std::uint32_t nameAt = 0;
  std::uint16_t device = 0;
  bool contentRead = false;
  std::uint8_t marks = 0;  // FileMark bits

  ContentDigest content() const { return ContentDigest{crc32, strongHigh, strongLow}; }
};
static_assert(sizeof(Candidate) <= 64, "a candidate grew");

// A symbolic link met by a walk that records every entry (WalkRequest::everyEntry): compared by its
// text alone, never followed.
struct LinkEntry {
  std::uint32_t folder = 0;
  std::uint16_t nameLength = 0;
  std::uint32_t targetLength = 0;
  std::uint64_t nameOffset = 0;  // the name, then the target right after it, in the folder's segment
};

class CandidateStore {
 public:
  static constexpr std::uint32_t kNoParent = 0xFFFFFFFFu;
  static constexpr unsigned kMaxSegments = 32;

  explicit CandidateStore(unsigned segments = 1);

  // Writers: each segment is filled by one thread at a time.
  // A folder where a walk starts; its whole path is its name.
  std::uint32_t addRootFolder(unsigned segment, std::string_view path, platform::FolderId id) {
    return addFolder(segment, kNoParent, path, id);
  }
  std::uint32_t addFolder(unsigned segment, std::uint32_t parent, std::string_view name, platform::FolderId id);
  // The file is kept in the segment of its folder. `content`: its digest, when already read.
  void addFile(std::uint32_t folder, std::string_view name, const platform::FileStatus& status,
               const ContentDigest* content = nullptr, std::uint8_t marks = 0);

  // A link in `folder`, with the text it holds.
  void addLink(std::uint32_t folder, std::string_view name, std::string_view target);
  // `folder` holds something no comparison can see into: an entry that could not be looked at, a
  // device, a pipe, a folder not walked. From the thread filling `segment`.
  void markOpaque(unsigned segment, std::uint32_t folder) { segments_[segment].opaqueFolders.push_back(folder); }

  // Gathers all segments' files into one list; called once the walk has ended.
  void collectFiles();
  const std::vector<Candidate>& files() const { return allFiles_; }
  std::string pathOf(const Candidate& file) const;
  std::string_view nameOf(const Candidate& file) const { return segmentOf(file.folder).nameAt(file.nameAt); }
  std::uint64_t deviceOf(const Candidate& file) const { return segmentOf(file.folder).devices[file.device]; }
  // A number for the file's device, the same for every file on it in every segment; valid once the
  // files are gathered.
  std::uint32_t deviceNumber(const Candidate& file) const {
    return deviceNumbers_[file.folder >> kSegmentShift][file.device];
  }
  // The devices so numbered, by number.
  const std::vector<std::uint64_t>& numberedDevices() const { return numberedDevices_; }
  FileIdentity identityOf(const Candidate& file) const {
    return FileIdentity{deviceOf(file), file.inode, file.size, file.modifiedNanoseconds, file.changedNanoseconds};
  }
  std::string folderPath(std::uint32_t folder) const;
  std::uint32_t parentOf(std::uint32_t folder) const { return folderAt(folder).parent; }
  std::string_view folderName(std::uint32_t folder) const {
    return segmentOf(folder).textAt(folderAt(folder).nameOffset, folderAt(folder).nameLength);
  }
  std::string_view linkName(const LinkEntry& link) const {
    return segmentOf(link.folder).textAt(link.nameOffset, link.nameLength);
  }
  std::string_view linkTarget(const LinkEntry& link) const {
    return segmentOf(link.folder).textAt(link.nameOffset + link.nameLength, link.targetLength);
  }
  // Every link and opaque folder of every segment; valid once the files are gathered.
  std::vector<LinkEntry> links() const;
  std::vector<std::uint32_t> opaqueFolders() const;
  // Each folder's id, in the dense order of denseFolderIndex.
  std::vector<std::uint32_t> folderNodes() const;
  platform::FolderId folderId(std::uint32_t folder) const { return folderAt(folder).id; }
  // What the system calls each folder walked.
  std::vector<platform::FolderId> folderIds() const;
  // Folders numbered 0, 1, 2 ... without gaps, for tables indexed by folder; valid once the files are gathered.
  std::size_t folderCount() const { return folderCount_; }
  std::size_t denseFolderIndex(std::uint32_t folder) const {
    return segmentFirstFolder_[folder >> kSegmentShift] + (folder & ((1u << kSegmentShift) - 1));
  }

 private:
  static constexpr unsigned kSegmentShift = 27;  // a folder id holds its segment above these bits
  struct Folder {
    std::uint32_t parent;
    std::uint32_t nameLength;
    std::uint64_t nameOffset;
    platform::FolderId id;
  };
  struct Segment {
    std::uint64_t storeText(std::string_view text);
    std::string_view textAt(std::uint64_t offset, std::uint32_t length) const;
    // A file's name, its length before it, at a 32-bit place: a block's number, then the offset
    // in the block.
    std::uint32_t storeName(std::string_view name);
    std::string_view nameAt(std::uint32_t place) const;
    std::uint16_t deviceIndex(std::uint64_t device);

    std::vector<std::unique_ptr<char[]>> blocks;
    std::size_t usedInLastBlock = kBlockSize;
    std::vector<Folder> folders;
    std::vector<Candidate> files;
    std::vector<LinkEntry> links;
    std::vector<std::uint32_t> opaqueFolders;
    std::vector<std::uint64_t> devices;  // what Candidate::device counts
    std::uint16_t lastDevice = 0;
  };
  static constexpr std::size_t kFirstFilesRoom = (std::size_t{32} << 20) / sizeof(Candidate);
  static constexpr unsigned kBlockShift = 20;
  static constexpr std::size_t kBlockSize = std::size_t{1} << kBlockShift;
  const Segment& segmentOf(std::uint32_t folder) const { return segments_[folder >> kSegmentShift]; }
  const Folder& folderAt(std::uint32_t folder) const {
    return segmentOf(folder).folders[folder & ((1u << kSegmentShift) - 1)];
  }

  std::vector<Segment> segments_;
  std::vector<Candidate> allFiles_;
  std::vector<std::size_t> segmentFirstFolder_;
  std::vector<std::vector<std::uint32_t>> deviceNumbers_;  // by segment, then by Candidate::device
  std::vector<std::uint64_t> numberedDevices_;
  std::size_t folderCount_ = 0;
};

}  // namespace pelimor
