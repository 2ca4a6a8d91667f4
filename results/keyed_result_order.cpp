#include "results/keyed_result_order.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

#include "search/ascii_case.h"
#include "search/parallel_work.h"

namespace pelimor {

namespace {
// Every comparison below breaks ties by position, so the order does not depend on how the
// parallel sort shares out the work.
template <typename T, typename Less>
void sortOnAllCores(std::vector<T>& items, Less less) {
  sortInParallel(items, less, std::thread::hardware_concurrency());
}

template <typename Key>
std::vector<std::uint32_t> orderByKeys(const std::vector<Key>& keys, bool descending) {
  std::vector<std::uint32_t> order(keys.size());
  for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  if (descending) {
    sortOnAllCores(order, [&keys](std::uint32_t a, std::uint32_t b) {
      return keys[b] < keys[a] || (!(keys[a] < keys[b]) && a < b);
    });
  } else {
    sortOnAllCores(order, [&keys](std::uint32_t a, std::uint32_t b) {
      return keys[a] < keys[b] || (!(keys[b] < keys[a]) && a < b);
    });
  }
  return order;
}

template <typename Key, typename KeyOf>
std::vector<std::uint32_t> orderBy(const std::vector<ResultRow>& rows, bool descending, KeyOf keyOf) {
  std::vector<Key> keys;
  keys.reserve(rows.size());
  for (const ResultRow& row : rows) keys.push_back(keyOf(row));
  return orderByKeys(keys, descending);
}

// Texts compared as compareFoldedAscii does: ASCII letters upper-cased, unsigned bytes, a prefix
// first. All folded texts live in one buffer. The keys are sorted eight bytes at a time: by the
// first eight after the part every text shares, then each run of equal keys by the next eight,
// and so on, so that a comparison never walks a long common start again.
class FoldedTexts {
 public:
  template <typename TextOf>
  FoldedTexts(const std::vector<ResultRow>& rows, TextOf textOf) : offsets_(rows.size() + 1) {
    std::vector<std::string_view> texts;
    texts.reserve(rows.size());
    std::size_t total = 0;
    for (const ResultRow& row : rows) {
      texts.push_back(textOf(row));
      offsets_[texts.size() - 1] = total;
      total += texts.back().size();
    }
    offsets_[rows.size()] = total;
    bytes_.resize(total);
    char* out = bytes_.data();
    for (const std::string_view text : texts) {
      for (const char c : text) *out++ = upperAscii(c);
    }
    keys_.resize(rows.size());
    for (std::uint32_t i = 0; i < rows.size(); ++i) keys_[i].row = i;
  }

  std::vector<std::uint32_t> order(bool descending) {
    descending_ = descending;
    sortFrom(0, keys_.size(), sharedStart());
    std::vector<std::uint32_t> rows;
    rows.reserve(keys_.size());
    for (const Key& key : keys_) rows.push_back(key.row);
    return rows;
  }

 private:
  struct Key {
    std::uint64_t chunk = 0;  // eight bytes at the current depth, big-endian, zero-padded
    std::uint32_t row = 0;
  };

  // Sorts keys [first, last), whose texts agree on their first `depth` bytes.
  void sortFrom(std::size_t first, std::size_t last, std::size_t depth) {
    bool longer = false;  // does any text go on past this chunk?
    for (std::size_t i = first; i < last; ++i) {
      keys_[i].chunk = chunkOf(keys_[i].row, depth);
      longer = longer || length(keys_[i].row) > depth + 8;
    }
    // Equal texts keep their order, whichever the direction.
    if (descending_) {
      sortKeys(first, last,
               [](const Key& a, const Key& b) { return a.chunk != b.chunk ? a.chunk > b.chunk : a.row < b.row; });
    } else {
      sortKeys(first, last,
               [](const Key& a, const Key& b) { return a.chunk != b.chunk ? a.chunk < b.chunk : a.row < b.row; });
    }
    if (!longer) return;  // equal chunks now mean equal texts (no text holds a zero byte)
    for (std::size_t run = first; run < last;) {
      std::size_t end = run + 1;
      while (end < last && keys_[end].chunk == keys_[run].chunk) ++end;
      if (end - run > 1) sortFrom(run, end, depth + 8);
      run = end;
    }
  }

  template <typename Less>
  // The whole list is sorted on every core; the short runs below it need no threads.
  void sortKeys(std::size_t first, std::size_t last, Less less) {
    if (first == 0 && last == keys_.size()) {
      sortOnAllCores(keys_, less);
      return;
    }
    std::sort(keys_.begin() + static_cast<std::ptrdiff_t>(first), keys_.begin() + static_cast<std::ptrdiff_t>(last),
              less);
  }

  std::size_t length(std::uint32_t row) const { return offsets_[row + 1] - offsets_[row]; }

  std::uint64_t chunkOf(std::uint32_t row, std::size_t depth) const {
    const std::size_t size = length(row);
    const char* text = bytes_.data() + offsets_[row];
    std::uint64_t chunk = 0;
    for (std::size_t i = depth; i < depth + 8; ++i)
      chunk = (chunk << 8) | (i < size ? static_cast<unsigned char>(text[i]) : 0u);
    return chunk;
  }

  // How many leading bytes every text shares.
  std::size_t sharedStart() const {
    if (keys_.empty()) return 0;
    std::size_t shared = length(0);
    for (std::uint32_t row = 1; row < keys_.size() && shared > 0; ++row) {
      const std::size_t limit = std::min(shared, length(row));
      std::size_t same = 0;
      while (same < limit && bytes_[offsets_[0] + same] == bytes_[offsets_[row] + same]) ++same;
      shared = same;
    }
    return shared;
  }

  std::string bytes_;
  std::vector<std::size_t> offsets_;
  std::vector<Key> keys_;
  bool descending_ = false;
};
}  // namespace

std::vector<std::size_t> resultListOrder(const std::vector<ResultRow>& rows, const SortState& sort) {
  std::vector<std::uint32_t> order;
  const bool down = sort.descending;
  switch (sort.column) {
    case ResultColumn::Group:
      order = orderBy<std::uint32_t>(rows, down, [](const ResultRow& r) { return r.group; });
      break;
    case ResultColumn::Name:
      order = FoldedTexts(rows, [](const ResultRow& r) { return r.name(); }).order(down);
      break;
    case ResultColumn::Path:
      order = FoldedTexts(rows, [](const ResultRow& r) { return std::string_view(r.path); }).order(down);
      break;
    case ResultColumn::Size:
      order = orderBy<std::uint64_t>(rows, down, [](const ResultRow& r) { return r.size; });
      break;
    case ResultColumn::Crc32:
      order = orderBy<std::uint32_t>(rows, down, [](const ResultRow& r) { return r.crc32; });
      break;
  }
  return std::vector<std::size_t>(order.begin(), order.end());
}

}  // namespace pelimor
