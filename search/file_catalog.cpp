#include "search/file_catalog.h"

#include <algorithm>
#include <tuple>

namespace pelimor {

bool identityBefore(const FileIdentity& a, const FileIdentity& b) {
  return std::tie(a.device, a.inode, a.size, a.modifiedNanoseconds, a.changedNanoseconds) <
         std::tie(b.device, b.inode, b.size, b.modifiedNanoseconds, b.changedNanoseconds);
}

void describeWalkedFiles(const CandidateStore& store, std::vector<KnownDigest> digests, std::uint64_t minimumSize,
                         const std::function<void(const CatalogFile&)>& write) {
  const std::vector<Candidate>& files = store.files();
  const auto keyOf = [&](const KnownDigest& known) {
    const Candidate& file = files[known.candidate];
    return std::pair{store.deviceOf(file), file.inode};
  };
  // What the walk read of one path holds for the file's every path.
  for (std::uint32_t i = 0; i < files.size(); ++i)
    if (files[i].contentRead) digests.push_back(KnownDigest{i, files[i].content()});
  std::sort(digests.begin(), digests.end(),
            [&](const KnownDigest& a, const KnownDigest& b) { return keyOf(a) < keyOf(b); });
  CatalogFile out;
  for (const Candidate& file : files) {
    if (file.size <= minimumSize) continue;
    out.path = store.pathOf(file);
    out.identity = store.identityOf(file);
    const std::pair key{out.identity.device, file.inode};
    const auto found = std::lower_bound(digests.begin(), digests.end(), key,
                                        [&](const KnownDigest& known, const auto& k) { return keyOf(known) < k; });
    out.contentKnown = found != digests.end() && keyOf(*found) == key;
    if (out.contentKnown) out.content = found->content;
    write(out);
  }
}

}  // namespace pelimor
