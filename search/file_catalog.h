#pragma once
// What a search learned of every file it walked, for a catalog: searches on several machines are
// joined later by size and digest, so each file's identity goes with whatever digest is known.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "search/candidate_store.h"
#include "search/content_digest.h"
#include "search/file_identity.h"

namespace pelimor {

struct CatalogFile {
  std::string path;
  FileIdentity identity;
  bool contentKnown = false;  // `content` is the digest of the whole file
  ContentDigest content;
};

// A whole-content digest read by the search, by the file's place in the store.
struct KnownDigest {
  std::uint32_t candidate = 0;
  ContentDigest content;
};

struct CatalogRequest {
  // Files to read whole too, whether or not another file here has their size: each only while it
  // is still the file its identity names.
  std::vector<FileIdentity> readWhole;
  // Called once per file walked that the search's type and minimum size take, after the comparison
  // and on the search's own thread.
  std::function<void(const CatalogFile&)> write;
};

// Orders identities for lookups in CatalogRequest::readWhole.
bool identityBefore(const FileIdentity& a, const FileIdentity& b);

// Calls `write` for every file in `store` larger than `minimumSize`, with the digests known: those
// `digests` holds (by device and inode, so every path of a hard-linked file gets it) and those the
// walk read.
void describeWalkedFiles(const CandidateStore& store, std::vector<KnownDigest> digests, std::uint64_t minimumSize,
                         const std::function<void(const CatalogFile&)>& write);

}  // namespace pelimor
