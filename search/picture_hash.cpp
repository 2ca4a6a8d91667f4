#include "search/picture_hash.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <utility>

namespace pelimor {

namespace {
constexpr int kSide = 32;  // the image is averaged to kSide x kSide
constexpr int kBits = 64;
// The share of the width and of the height left out on each side: a picture cropped a little has
// lost some of its edges, and the hash compares what copies still share.
constexpr double kEdgeLeftOut = 0.06;

// The 64 frequencies kept, lowest first: by u + v, then by u; the mean (0, 0) left out.
constexpr std::array<std::pair<int, int>, kBits> keptFrequencies() {
  std::array<std::pair<int, int>, kBits> kept{};
  int n = 0;
  for (int sum = 1; n < kBits; ++sum)
    for (int u = 0; u <= sum && n < kBits; ++u) kept[n++] = {u, sum - u};
  return kept;
}
constexpr auto kKept = keptFrequencies();
constexpr int kHighestFrequency = [] {
  int most = 0;
  for (const auto& [u, v] : kKept) most = std::max({most, u, v});
  return most;
}();

// cos((2x + 1) u pi / 64) for the frequencies used.
struct CosineTable {
  CosineTable() {
    for (int u = 0; u <= kHighestFrequency; ++u)
      for (int x = 0; x < kSide; ++x) at[u][x] = std::cos((2.0 * x + 1.0) * u * std::numbers::pi / (2.0 * kSide));
  }
  double at[kHighestFrequency + 1][kSide];
};
const CosineTable& cosines() {
  static const CosineTable table;
  return table;
}

// The image averaged to kSide x kSide: each cell the mean of the pixels it covers, a pixel on a
// border between cells counting for each by the share of it that lies inside.
void averageDown(const std::uint8_t* pixels, int width, int height, std::size_t stride, double (&cells)[kSide][kSide]) {
  // Per axis, for each cell, the pixels it covers and the weight of the first and last of them.
  struct Span {
    int first, last;
    double firstWeight, lastWeight;
  };
  const auto spans = [](int length, Span(&out)[kSide]) {
    for (int c = 0; c < kSide; ++c) {
      const double from = static_cast<double>(c) * length / kSide, to = static_cast<double>(c + 1) * length / kSide;
      Span& span = out[c];
      span.first = static_cast<int>(std::floor(from));
      span.last = std::min(length - 1, static_cast<int>(std::ceil(to)) - 1);
      span.firstWeight = std::min(to, span.first + 1.0) - from;
      span.lastWeight = span.last == span.first ? span.firstWeight : to - span.last;
    }
  };
  Span across[kSide], down[kSide];
  spans(width, across);
  spans(height, down);
  // Rows first: each image row summed into the kSide columns, then rows into cells.
  for (auto& row : cells)
    for (double& cell : row) cell = 0;
  for (int cy = 0; cy < kSide; ++cy) {
    const Span& ys = down[cy];
    double weightSum = 0;
    for (int y = ys.first; y <= ys.last; ++y) {
      const double wy = y == ys.first ? ys.firstWeight : y == ys.last ? ys.lastWeight : 1.0;
      const std::uint8_t* row = pixels + static_cast<std::size_t>(y) * stride;
      for (int cx = 0; cx < kSide; ++cx) {
        const Span& xs = across[cx];
        double sum = 0;
        for (int x = xs.first; x <= xs.last; ++x) {
          const double wx = x == xs.first ? xs.firstWeight : x == xs.last ? xs.lastWeight : 1.0;
          sum += wx * row[x];
        }
        cells[cy][cx] += wy * sum;
      }
      weightSum += wy;
    }
    // Each cell spans width / kSide pixels across, weighed as above.
    const double area = weightSum * width / kSide;
    for (double& cell : cells[cy]) cell /= area;
  }
}
}  // namespace

std::uint64_t pictureHash(const std::uint8_t* pixels, int width, int height, std::size_t stride) {
  if (width <= 0 || height <= 0 || pixels == nullptr) return 0;
  if (stride == 0) stride = static_cast<std::size_t>(width);
  const int left = static_cast<int>(width * kEdgeLeftOut), top = static_cast<int>(height * kEdgeLeftOut);
  double cells[kSide][kSide];
  averageDown(pixels + static_cast<std::size_t>(top) * stride + static_cast<std::size_t>(left), width - 2 * left,
              height - 2 * top, stride, cells);
  const CosineTable& table = cosines();
  // The transform along x for the frequencies used, then along y for each kept pair.
  double alongX[kSide][kHighestFrequency + 1];
  for (int y = 0; y < kSide; ++y)
    for (int u = 0; u <= kHighestFrequency; ++u) {
      double sum = 0;
      for (int x = 0; x < kSide; ++x) sum += cells[y][x] * table.at[u][x];
      alongX[y][u] = sum;
    }
  std::array<double, kBits> coefficients;
  for (int i = 0; i < kBits; ++i) {
    const auto [u, v] = kKept[i];
    double sum = 0;
    for (int y = 0; y < kSide; ++y) sum += alongX[y][u] * table.at[v][y];
    coefficients[i] = sum;
  }
  std::array<double, kBits> sorted = coefficients;
  std::nth_element(sorted.begin(), sorted.begin() + kBits / 2, sorted.end());
  const double upper = sorted[kBits / 2];
  const double lower = *std::max_element(sorted.begin(), sorted.begin() + kBits / 2);
  const double median = (lower + upper) / 2;
  std::uint64_t hash = 0;
  for (int i = 0; i < kBits; ++i)
    if (coefficients[i] > median) hash |= std::uint64_t{1} << i;
  return hash;
}

}  // namespace pelimor
