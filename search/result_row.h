#pragma once
// One row of the result list: a file that has at least one identical copy elsewhere, or, in a search
// for similar pictures, a picture with at least one like it.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/directory_reader.h"
#include "platform/paths.h"
#include "search/content_digest.h"
#include "search/file_identity.h"

namespace pelimor {

// What the search saw of a row's file, and the folder that holds it. Before an action touches the
// file it checks that both are still the same (see sameFile), whatever path leads there now.
struct RowIdentity : FileIdentity {
  platform::FolderId folder;
  friend bool operator==(const RowIdentity&, const RowIdentity&) = default;
};

struct ResultRow {
  std::uint32_t group = 0;  // "#": 1, 2, 3 ... from the top after a search
  std::string path;         // "Path": the full path
  std::uint64_t size = 0;   // "Size" in bytes: identity.size, as the list shows it
  std::uint32_t crc32 = 0;  // "CRC32"
  // Its change time was not safely older than the search when it was read: on a clock that keeps
  // whole seconds, it may have been rewritten since without a trace in its times. Read again
  // before anything is done to it or its group.
  bool racy = false;
  // It lies in a folder the user marked as reference: shown, never selected by a rule, never acted on.
  bool reference = false;
  RowIdentity identity;
  // The group's strong hash, which a file's bytes must give together with the CRC-32. In a group
  // of similar pictures each row has its own file's CRC-32 and strong hash: an action checks each
  // file against its own.
  std::uint64_t strongHigh = 0;
  std::uint64_t strongLow = 0;
  // Similar pictures only (0 otherwise): the picture's size in pixels, turned upright by its
  // orientation tag, and how many of its hash's 64 bits differ from those of its group's first row,
  // the picture that leads the group. Rows with the same size and digest (sameBytes) are
  // byte-identical copies.
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t distance = 0;

  ContentDigest digest() const { return ContentDigest{crc32, strongHigh, strongLow}; }
  void setDigest(const ContentDigest& digest) {
    crc32 = digest.crc32;
    strongHigh = digest.strongHigh;
    strongLow = digest.strongLow;
  }

  // "Name": everything after the last separator.
  std::string_view name() const { return platform::fileNameOf(path); }
};

// The two rows' files hold the same bytes, as the search read them. Always so within a group of
// identical files; in a group of similar pictures, it marks the byte-identical copies.
inline bool sameBytes(const ResultRow& a, const ResultRow& b) { return a.size == b.size && a.digest() == b.digest(); }

}  // namespace pelimor
