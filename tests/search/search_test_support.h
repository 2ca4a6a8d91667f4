#pragma once
#include <string>
#include <vector>

#include "search/crc32.h"
#include "search/duplicate_search.h"
#include "support/reference_crc32.h"

namespace pelimor::testing {

// "group size crc path" per row, easy to compare in a test.
inline std::vector<std::string> describe(const std::vector<ResultRow>& rows) {
  std::vector<std::string> lines;
  for (const ResultRow& row : rows)
    lines.push_back(std::to_string(row.group) + " " + std::to_string(row.size) + " " + crc32Text(row.crc32) + " " +
                    row.path);
  return lines;
}

inline SearchRequest requestFor(const std::vector<std::string>& folders, std::uint64_t minimumSize = 0,
                                const std::string& masks = "*.*") {
  SearchRequest request;
  request.sourceFolders = folders;
  request.maskText = masks;
  request.minimumSize = minimumSize;
  request.excludedTrees = {};
  request.useCache = false;  // a test never touches the user's cache; the cache's own tests give it a folder
  return request;
}

// Content of `length` bytes whose CRC-32 begins with the two hex digits `prefix`.
inline std::string contentWithCrcPrefix(const std::string& prefix, size_t length) {
  buildReferenceCrcTable();
  for (unsigned seed = 1;; ++seed) {
    std::string bytes(length, 'a');
    for (size_t i = 0; i < 4 && i < length; ++i) bytes[i] = static_cast<char>((seed >> (8 * i)) & 0xFF);
    const std::uint32_t crc = referenceUpdateCrc32(0xFFFFFFFFu, bytes.data(), bytes.size()) ^ 0xFFFFFFFFu;
    if (crc32Text(crc).substr(0, 2) == prefix) return bytes;
  }
}

// `body` followed by its own CRC-32, little-endian: every such content has the CRC-32 2144DF1C,
// so two different bodies of one length give two different files with one size and one CRC-32.
inline std::string contentWithFixedCrc(const std::string& body) {
  buildReferenceCrcTable();
  const std::uint32_t crc = referenceUpdateCrc32(0xFFFFFFFFu, body.data(), body.size()) ^ 0xFFFFFFFFu;
  std::string bytes = body;
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((crc >> (8 * i)) & 0xFF));
  return bytes;
}

}  // namespace pelimor::testing
