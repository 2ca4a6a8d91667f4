#include "bench/tree_generator.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "bench/in_parallel.h"
#include "bench/tiny_files_tree.h"

namespace pelimor::bench {

namespace {

constexpr std::uint64_t KiB = 1024;
constexpr std::uint64_t MiB = 1024 * KiB;

// Planning randomness: splitmix64, fully defined here so a seed means the same tree everywhere.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
  std::uint64_t below(std::uint64_t n) { return n == 0 ? 0 : next() % n; }
  // Sizes spread evenly over orders of magnitude, as file sizes are.
  std::uint64_t logUniform(std::uint64_t low, std::uint64_t high) {
    const double value = static_cast<double>(low) * std::exp(unit() * std::log(static_cast<double>(high) / low));
    return std::clamp<std::uint64_t>(static_cast<std::uint64_t>(value), low, high);
  }

 private:
  std::uint64_t state_;
};

// Content randomness: four xorshift64 lanes side by side, which the compiler vectorizes.
class ContentStream {
 public:
  explicit ContentStream(std::uint64_t seed) {
    Random seeder(seed ^ 0xC0FFEE1234567ull);
    for (std::uint64_t& lane : lanes_) {
      lane = seeder.next();
      if (lane == 0) lane = 1;
    }
  }
  // Fills `words` (a multiple of 4) with the next words of the stream.
  void fill(std::uint64_t* words, std::size_t count) {
    std::uint64_t a = lanes_[0], b = lanes_[1], c = lanes_[2], d = lanes_[3];
    for (std::size_t i = 0; i < count; i += 4) {
      a ^= a << 13;
      a ^= a >> 7;
      a ^= a << 17;
      b ^= b << 13;
      b ^= b >> 7;
      b ^= b << 17;
      c ^= c << 13;
      c ^= c >> 7;
      c ^= c << 17;
      d ^= d << 13;
      d ^= d >> 7;
      d ^= d << 17;
      words[i] = a * 0x2545F4914F6CDD1Dull;
      words[i + 1] = b * 0x2545F4914F6CDD1Dull;
      words[i + 2] = c * 0x2545F4914F6CDD1Dull;
      words[i + 3] = d * 0x2545F4914F6CDD1Dull;
    }
    lanes_[0] = a, lanes_[1] = b, lanes_[2] = c, lanes_[3] = d;
  }

 private:
  std::uint64_t lanes_[4];
};

// A file's bytes: the stream of `seed`, `size` long, with `mutationLength` bytes at `mutationOffset`
// flipped by `mutationXor` (never 0, so a mutated file always differs from its source).
struct Content {
  std::uint64_t seed = 0;
  std::uint64_t size = 0;
  std::uint64_t mutationOffset = 0;
  std::uint32_t mutationLength = 0;
  std::uint8_t mutationXor = 0;
};

struct PlannedFolder {
  std::uint32_t parent = 0;
  std::uint32_t depth = 0;
  std::string name;
};

struct PlannedFile {
  std::uint32_t folder = 0;
  const char* stem = "";
  const char* extension = "";
  Content content;
  std::int64_t linkTo = -1;  // another name for this earlier file
};

struct NameSet {
  std::vector<const char*> stems;
  std::vector<const char*> extensions;
};

const NameSet kTextNames{{"notes", "readme", "config", "todo", "list", "settings", "index", "main", "util", "data"},
                         {".txt", ".md", ".json", ".ini", ".csv", ".html", ".c", ".h", ".py", ".xml"}};
const NameSet kDocumentNames{
    {"letter", "invoice", "report", "icon", "scan", "chapter", "slide", "thumb", "page", "memo"},
    {".pdf", ".docx", ".odt", ".png", ".svg", ".js", ".txt", ".rtf"}};
const NameSet kMediaNames{{"IMG", "photo", "song", "track", "scan", "doc", "sheet", "draft"},
                          {".jpg", ".png", ".mp3", ".pdf", ".xlsx", ".pptx", ".flac"}};
const NameSet kLargeNames{{"VID", "DSC", "album", "setup", "archive", "recording", "podcast"},
                          {".mp4", ".mov", ".raw", ".zip", ".mp3", ".tar.gz", ".iso"}};
const NameSet kClusterNames{{"disk", "backup", "movie", "capture", "image", "dump"},
                            {".img", ".iso", ".mkv", ".bin", ".vmdk", ".tar"}};

const std::vector<const char*> kFolderWords{
    "2016",   "2017",          "2018",        "2019",    "2020",    "2021",
    "2022",   "2023",          "Holiday",     "Family",  "Work",    "Invoices",
    "src",    "old",           "backup",      "misc",    "Camera",  "Scans",
    "Drafts", "Exports",       "assets",      "build",   "notes",   "Letters",
    "Albums", "Trip to Rome",  "Screenshots", "Reports", "data",    "lib",
    "docs",   "copy of stuff", "New folder",  "Wedding", "Clients", "Music for the car",
    "Tax"};

struct SizeBand {
  double share;
  std::uint64_t low, high;
  const NameSet* names;
};

struct Mix {
  std::uint64_t files = 0;
  double filesPerFolder = 25;
  std::vector<const char*> topFolders;
  std::vector<SizeBand> bands;
  double emptyShare = 0, linkShare = 0, copyShare = 0, otherShare = 0;
};

struct Plan {
  std::vector<PlannedFolder> folders;  // [0] is the root; a parent always comes before its children
  std::vector<PlannedFile> files;
  TreeSummary summary;
};

class Planner {
 public:
  explicit Planner(std::uint64_t seed) : random_(seed) {
    plan_.folders.push_back(PlannedFolder{0, 0, ""});
    byDepth_.resize(8);
    byDepth_[0].push_back(0);
  }

  // Folders a few levels deep below a fixed set of top folders.
  void addFolders(const std::vector<const char*>& tops, std::uint64_t count) {
    for (const char* top : tops) addFolder(0, top);
    static constexpr double kDepthWeights[] = {0.35, 0.35, 0.20, 0.10};  // depth 2, 3, 4, 5
    while (plan_.folders.size() < count + 1) {
      double roll = random_.unit();
      std::uint32_t depth = 2;
      for (double weight : kDepthWeights) {
        if (roll < weight) break;
        roll -= weight;
        ++depth;
      }
      depth = std::min<std::uint32_t>(depth, 5);
      while (byDepth_[depth - 1].empty()) --depth;
      const auto& parents = byDepth_[depth - 1];
      const std::uint32_t parent = parents[random_.below(parents.size())];
      std::string name = kFolderWords[random_.below(kFolderWords.size())];
      name += ' ';
      name += std::to_string(plan_.folders.size());
      addFolder(parent, std::move(name));
    }
  }

  // Files of a mix: fresh files, exact copies, same-size files with other bytes, hard links, empty files.
  void addMixFiles(const Mix& mix, std::uint64_t count) {
    for (std::uint64_t i = 0; i < count; ++i) {
      double roll = random_.unit();
      const std::uint32_t folder = randomFolder();
      if ((roll -= mix.emptyShare) < 0) {
        addFile(folder, kTextNames, Content{});
      } else if ((roll -= mix.linkShare) < 0 && !regular_.empty()) {
        addLink(folder);
      } else if ((roll -= mix.copyShare) < 0 && !regular_.empty()) {
        const PlannedFile& source = plan_.files[regular_[random_.below(regular_.size())]];
        addFile(folder, source.stem, source.extension, source.content);
        ++plan_.summary.exactCopies;
      } else if ((roll -= mix.otherShare) < 0 && !regular_.empty()) {
        const PlannedFile& source = plan_.files[regular_[random_.below(regular_.size())]];
        addFile(folder, source.stem, source.extension, sameSizeOther(source.content));
        ++plan_.summary.sameSizeOthers;
      } else {
        double bandRoll = random_.unit();
        const SizeBand* band = &mix.bands.back();
        for (const SizeBand& candidate : mix.bands) {
          if (bandRoll < candidate.share) {
            band = &candidate;
            break;
          }
          bandRoll -= candidate.share;
        }
        addFile(folder, *band->names, Content{random_.next(), random_.logUniform(band->low, band->high)});
      }
    }
  }

  // Large files in clusters of one size: the same bytes, bytes that differ only at the start, only at
  // the end or only in the middle, and wholly other bytes.
  void addClusters(std::uint64_t count) {
    static constexpr std::uint64_t kRoundSizes[] = {4 * MiB, 8 * MiB, 8 * MiB, 16 * MiB};
    std::uint64_t made = 0;
    while (made < count) {
      const std::uint64_t size =
          random_.unit() < 0.4 ? kRoundSizes[random_.below(4)] : random_.logUniform(1 * MiB, 25 * MiB);
      const std::uint64_t members = std::min<std::uint64_t>(2 + random_.below(9), count - made);
      const char* stem = kClusterNames.stems[random_.below(kClusterNames.stems.size())];
      const char* extension = kClusterNames.extensions[random_.below(kClusterNames.extensions.size())];
      std::vector<Content> cluster{Content{random_.next(), size}};
      for (std::uint64_t k = 1; k < members; ++k) {
        const double roll = random_.unit();
        if (roll < 0.30) {
          cluster.push_back(cluster[0]);
        } else if (roll < 0.45) {
          cluster.push_back(mutated(cluster[0], Where::Start));
        } else if (roll < 0.60) {
          cluster.push_back(mutated(cluster[0], Where::End));
        } else if (roll < 0.75) {
          cluster.push_back(mutated(cluster[0], Where::Middle));
        } else if (roll < 0.85) {
          cluster.push_back(cluster[random_.below(cluster.size())]);
        } else {
          cluster.push_back(Content{random_.next(), size});
        }
      }
      for (std::size_t k = 0; k < cluster.size(); ++k) {
        const std::uint32_t folder = randomFolder();
        if (random_.unit() < 0.01 && !regular_.empty()) {
          addLink(folder);
        } else {
          addFile(folder, stem, extension, cluster[k]);
          if (k > 0) ++(sameBytes(cluster[k], cluster, k) ? plan_.summary.exactCopies : plan_.summary.sameSizeOthers);
        }
      }
      made += members;
    }
  }

  Plan finish(const std::string& preset, std::uint64_t seed) {
    TreeSummary& summary = plan_.summary;
    summary.preset = preset;
    summary.seed = seed;
    summary.folders = plan_.folders.size();
    summary.files = plan_.files.size();
    for (const PlannedFile& file : plan_.files) {
      summary.apparentBytes += file.content.size;
      if (file.linkTo < 0) summary.dataBytes += file.content.size;
      summary.largestFile = std::max(summary.largestFile, file.content.size);
      if (file.linkTo >= 0)
        ++summary.hardLinks;
      else if (file.content.size == 0)
        ++summary.emptyFiles;
    }
    return std::move(plan_);
  }

 private:
  enum class Where { Start, End, Middle };

  void addFolder(std::uint32_t parent, std::string name) {
    const std::uint32_t depth = plan_.folders[parent].depth + 1;
    const auto index = static_cast<std::uint32_t>(plan_.folders.size());
    plan_.folders.push_back(PlannedFolder{parent, depth, std::move(name)});
    byDepth_[depth].push_back(index);
  }

  std::uint32_t randomFolder() {
    if (plan_.folders.size() == 1) return 0;
    return 1 + static_cast<std::uint32_t>(random_.below(plan_.folders.size() - 1));
  }

  void addFile(std::uint32_t folder, const NameSet& names, const Content& content) {
    addFile(folder, names.stems[random_.below(names.stems.size())],
            names.extensions[random_.below(names.extensions.size())], content);
  }
  void addFile(std::uint32_t folder, const char* stem, const char* extension, const Content& content) {
    if (content.size > 0) regular_.push_back(static_cast<std::uint32_t>(plan_.files.size()));
    plan_.files.push_back(PlannedFile{folder, stem, extension, content, -1});
  }
  void addLink(std::uint32_t folder) {
    const std::uint32_t target = regular_[random_.below(regular_.size())];
    const PlannedFile& source = plan_.files[target];
    plan_.files.push_back(PlannedFile{folder, source.stem, source.extension, source.content, target});
  }

  Content mutated(const Content& base, Where where) {
    Content result = base;
    const std::uint64_t most = std::min<std::uint64_t>(16, base.size);
    result.mutationLength = static_cast<std::uint32_t>(1 + random_.below(most));
    if (where == Where::Start) {
      result.mutationOffset = 0;
    } else if (where == Where::End) {
      result.mutationOffset = base.size - result.mutationLength;
    } else {
      result.mutationLength = 1;
      result.mutationOffset = base.size / 4 + random_.below(base.size / 2 + 1);
      result.mutationOffset = std::min(result.mutationOffset, base.size - 1);
    }
    result.mutationXor = static_cast<std::uint8_t>(1 + (mutationCounter_++ % 255));
    return result;
  }

  Content sameSizeOther(const Content& base) {
    switch (random_.below(4)) {
      case 0:
        return mutated(base, Where::Start);
      case 1:
        return mutated(base, Where::End);
      case 2:
        return mutated(base, Where::Middle);
      default:
        return Content{random_.next(), base.size};
    }
  }

  static bool sameBytes(const Content& content, const std::vector<Content>& cluster, std::size_t before) {
    for (std::size_t i = 0; i < before; ++i) {
      const Content& other = cluster[i];
      if (other.seed == content.seed && other.size == content.size && other.mutationXor == content.mutationXor &&
          other.mutationOffset == content.mutationOffset && other.mutationLength == content.mutationLength)
        return true;
    }
    return false;
  }

  Random random_;
  Plan plan_;
  std::vector<std::vector<std::uint32_t>> byDepth_;
  std::vector<std::uint32_t> regular_;  // files with bytes of their own: what copies and links point at
  std::uint32_t mutationCounter_ = 0;
};

const std::vector<const char*> kUserTops{"Documents", "Pictures", "Music",   "Videos",
                                         "Downloads", "Projects", "Desktop", "Archive"};
const std::vector<const char*> kLargeTops{"Videos", "Disk images", "Backups", "Photos", "Projects", "Downloads"};

Mix userLikeMix(std::uint64_t files) {
  Mix mix;
  mix.files = files;
  mix.filesPerFolder = 25;
  mix.topFolders = kUserTops;
  mix.bands = {{0.565, 24, 4 * KiB, &kTextNames},
               {0.350, 4 * KiB, 64 * KiB, &kDocumentNames},
               {0.080, 64 * KiB, 1 * MiB, &kMediaNames},
               {0.005, 1 * MiB, 8 * MiB, &kLargeNames}};
  mix.emptyShare = 0.01;
  mix.linkShare = 0.01;
  mix.copyShare = 0.18;
  mix.otherShare = 0.06;
  return mix;
}

// Many small files, for the memory and linearity checks: the same make-up at any count.
Mix smallFilesMix(std::uint64_t files) {
  Mix mix = userLikeMix(files);
  mix.filesPerFolder = 40;
  mix.bands = {{0.8, 24, 4 * KiB, &kTextNames}, {0.2, 4 * KiB, 16 * KiB, &kDocumentNames}};
  return mix;
}

// The ordinary half of the large tree: fewer small files, more of several MB.
Mix largeTreeMix() {
  Mix mix = userLikeMix(1'000);
  mix.filesPerFolder = 10;
  mix.topFolders = kLargeTops;
  mix.bands = {{0.3, 4 * KiB, 64 * KiB, &kDocumentNames},
               {0.4, 64 * KiB, 1 * MiB, &kMediaNames},
               {0.3, 1 * MiB, 8 * MiB, &kLargeNames}};
  mix.emptyShare = 0.005;
  mix.copyShare = 0.10;
  mix.otherShare = 0.05;
  return mix;
}

Plan makePlan(const std::string& preset, std::uint64_t seed) {
  Mix mix;
  if (preset == "user-like" || preset == "small")
    mix = userLikeMix(preset == "small" ? 5'000 : 50'000);
  else if (preset == "large")
    mix = largeTreeMix();
  else if (preset == "million" || preset == "40k")
    mix = smallFilesMix(preset == "million" ? 1'000'000 : 40'000);
  else
    throw std::invalid_argument("unknown preset \"" + preset + "\"");

  Planner planner(seed);
  planner.addFolders(mix.topFolders, static_cast<std::uint64_t>(static_cast<double>(mix.files) / mix.filesPerFolder));
  planner.addMixFiles(mix, mix.files);
  if (preset == "large") planner.addClusters(1'000);
  return planner.finish(preset, seed);
}

std::string fileName(const PlannedFile& file, std::size_t index) {
  std::string name = file.stem;
  name += '_';
  name += std::to_string(index);
  name += file.extension;
  return name;
}

void writeAll(int fd, const unsigned char* data, std::size_t length, const std::string& path) {
  while (length > 0) {
    const ssize_t written = ::write(fd, data, length);
    if (written < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), "write " + path);
    }
    data += written;
    length -= static_cast<std::size_t>(written);
  }
}

constexpr std::size_t kWriteBlock = 1 * MiB;

void writeFile(const std::string& path, const Content& content, std::vector<std::uint64_t>& words) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw std::system_error(errno, std::generic_category(), "create " + path);
  ContentStream stream(content.seed);
  auto* bytes = reinterpret_cast<unsigned char*>(words.data());
  for (std::uint64_t offset = 0; offset < content.size;) {
    const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(kWriteBlock, content.size - offset));
    stream.fill(words.data(), (length + 31) / 32 * 4);
    if (content.mutationXor != 0) {
      const std::uint64_t begin = std::max(offset, content.mutationOffset);
      const std::uint64_t end = std::min(offset + length, content.mutationOffset + content.mutationLength);
      for (std::uint64_t at = begin; at < end; ++at) bytes[at - offset] ^= content.mutationXor;
    }
    writeAll(fd, bytes, length, path);
    offset += length;
  }
  if (::close(fd) != 0) throw std::system_error(errno, std::generic_category(), "close " + path);
}

std::string markerPath(const std::string& root) {
  std::string path = root;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path + ".info";
}

}  // namespace

const std::vector<PresetInfo>& presets() {
  static const std::vector<PresetInfo> list{
      {"user-like",
       "50,000 files, ~2.5 GB: mostly small files, some of several MB, folders up to 5 deep; "
       "exact copies, same-size files with other bytes, hard links, empty files"},
      {"large",
       "2,000 files, ~8.9 GB: 1,000 ordinary files and 1,000 large files in clusters of one size "
       "(copies; bytes differing only at the start, the end or the middle; other bytes)"},
      {"million", "1,000,000 small files (~2.4 GB), the make-up of 40k"},
      {"40k", "40,000 small files (~95 MB), the make-up of million"},
      {"small", "5,000 files, ~250 MB, the make-up of user-like (for quick runs and Google Benchmark)"},
      {"ten-million",
       "10,000,000 files of 1 to 8 bytes in 10,000 folders, one in twenty a copy (for an ext4 image with "
       "inline_data: bench/ten_million.sh)"},
      {"tiny-million", "1,000,000 files of 1 to 8 bytes in 1,000 folders, the make-up of ten-million"},
  };
  return list;
}

bool isPreset(const std::string& name) {
  for (const PresetInfo& preset : presets())
    if (preset.name == name) return true;
  return false;
}

std::string TreeSummary::describe() const {
  std::ostringstream out;
  out << "preset=" << preset << "\nseed=" << seed << "\nversion=" << kGeneratorVersion << "\nfiles=" << files
      << "\nfolders=" << folders << "\ndata_bytes=" << dataBytes << "\napparent_bytes=" << apparentBytes
      << "\nempty_files=" << emptyFiles << "\nhard_links=" << hardLinks << "\nexact_copies=" << exactCopies
      << "\nsame_size_others=" << sameSizeOthers << "\nlargest_file=" << largestFile << '\n';
  return out.str();
}

bool TreeSummary::parse(const std::string& text, TreeSummary& summary) {
  std::istringstream in(text);
  std::string line;
  int version = -1;
  summary = TreeSummary{};
  while (std::getline(in, line)) {
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
    try {
      if (key == "preset")
        summary.preset = value;
      else if (key == "seed")
        summary.seed = std::stoull(value);
      else if (key == "version")
        version = std::stoi(value);
      else if (key == "files")
        summary.files = std::stoull(value);
      else if (key == "folders")
        summary.folders = std::stoull(value);
      else if (key == "data_bytes")
        summary.dataBytes = std::stoull(value);
      else if (key == "apparent_bytes")
        summary.apparentBytes = std::stoull(value);
      else if (key == "empty_files")
        summary.emptyFiles = std::stoull(value);
      else if (key == "hard_links")
        summary.hardLinks = std::stoull(value);
      else if (key == "exact_copies")
        summary.exactCopies = std::stoull(value);
      else if (key == "same_size_others")
        summary.sameSizeOthers = std::stoull(value);
      else if (key == "largest_file")
        summary.largestFile = std::stoull(value);
    } catch (const std::exception&) {
      return false;
    }
  }
  return version == kGeneratorVersion && !summary.preset.empty();
}

TreeSummary planTree(const std::string& preset, std::uint64_t seed) {
  if (tinyFilesFolders(preset) != 0) return planTinyFilesTree(preset, seed);
  return makePlan(preset, seed).summary;
}

TreeSummary generateTree(const std::string& preset, std::uint64_t seed, const std::string& root, unsigned jobs,
                         const std::function<void(double)>& progress) {
  if (tinyFilesFolders(preset) != 0) return generateTinyFilesTree(preset, seed, root, jobs, progress);
  const Plan plan = makePlan(preset, seed);
  std::error_code error;
  if (std::filesystem::exists(root, error)) throw std::runtime_error(root + " exists already");
  std::filesystem::create_directories(std::filesystem::path(root).parent_path(), error);

  std::vector<std::string> folderPaths(plan.folders.size());
  folderPaths[0] = root;
  for (std::size_t i = 0; i < plan.folders.size(); ++i) {
    if (i > 0) folderPaths[i] = folderPaths[plan.folders[i].parent] + '/' + plan.folders[i].name;
    if (::mkdir(folderPaths[i].c_str(), 0755) != 0)
      throw std::system_error(errno, std::generic_category(), "mkdir " + folderPaths[i]);
  }
  const auto pathOf = [&](std::size_t index) {
    return folderPaths[plan.files[index].folder] + '/' + fileName(plan.files[index], index);
  };

  std::atomic<std::uint64_t> written{0};
  std::mutex progressMutex;
  const double total = static_cast<double>(std::max<std::uint64_t>(1, plan.summary.dataBytes));
  inParallel(plan.files.size(), jobs, [&](std::size_t i) {
    const PlannedFile& file = plan.files[i];
    if (file.linkTo >= 0) return;
    thread_local std::vector<std::uint64_t> words(kWriteBlock / 8 + 4);
    writeFile(pathOf(i), file.content, words);
    const std::uint64_t before = written.fetch_add(file.content.size + 1);
    if (progress && (before >> 28) != ((before + file.content.size + 1) >> 28)) {
      std::lock_guard lock(progressMutex);
      progress(static_cast<double>(before) / total);
    }
  });
  for (std::size_t i = 0; i < plan.files.size(); ++i) {
    if (plan.files[i].linkTo < 0) continue;
    const std::string target = pathOf(static_cast<std::size_t>(plan.files[i].linkTo)), path = pathOf(i);
    if (::link(target.c_str(), path.c_str()) != 0)
      throw std::system_error(errno, std::generic_category(), "link " + path);
  }
  if (progress) progress(1.0);
  return plan.summary;
}

bool readTreeMarker(const std::string& root, TreeSummary& summary) {
  std::ifstream in(markerPath(root));
  if (!in) return false;
  std::stringstream text;
  text << in.rdbuf();
  return TreeSummary::parse(text.str(), summary);
}

TreeSummary ensureTree(const std::string& preset, std::uint64_t seed, const std::string& root, unsigned jobs,
                       bool verbose) {
  TreeSummary existing;
  if (readTreeMarker(root, existing) && existing.preset == preset && existing.seed == seed &&
      std::filesystem::is_directory(root))
    return existing;
  std::filesystem::remove(markerPath(root));
  if (std::filesystem::exists(root)) {
    if (verbose) std::fprintf(stderr, "removing the old or unfinished tree %s\n", root.c_str());
    std::filesystem::remove_all(root);
  }
  if (verbose)
    std::fprintf(stderr, "making the %s tree in %s (seed %llu)\n", preset.c_str(), root.c_str(),
                 static_cast<unsigned long long>(seed));
  const TreeSummary summary = generateTree(preset, seed, root, jobs, [&](double done) {
    if (verbose) std::fprintf(stderr, "\r  %3.0f%%", done * 100);
  });
  if (verbose) std::fprintf(stderr, "\n");
  ::sync();
  std::ofstream out(markerPath(root));
  out << summary.describe();
  out.close();
  if (!out) throw std::runtime_error("cannot write " + markerPath(root));
  return summary;
}

WarmSummary warmTree(const std::vector<std::string>& roots, unsigned jobs) {
  WarmSummary summary;
  std::vector<std::string> files;
  std::vector<std::string> pending(roots.begin(), roots.end());
  while (!pending.empty()) {
    const std::string folder = std::move(pending.back());
    pending.pop_back();
    DIR* stream = ::opendir(folder.c_str());
    if (!stream) continue;
    ++summary.folders;
    while (const dirent* entry = ::readdir(stream)) {
      const char* name = entry->d_name;
      if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
      unsigned char type = entry->d_type;
      std::string path = folder + '/' + name;
      if (type == DT_UNKNOWN) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) continue;
        type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISREG(info.st_mode) ? DT_REG : DT_LNK;
      }
      if (type == DT_DIR)
        pending.push_back(std::move(path));
      else if (type == DT_REG)
        files.push_back(std::move(path));
    }
    ::closedir(stream);
  }
  std::atomic<std::uint64_t> bytes{0};
  inParallel(files.size(), jobs, [&](std::size_t i) {
    thread_local std::vector<unsigned char> buffer(1 * MiB);
    // A plain read, access time and all: a fresh file's first read marks its inode for writing
    // (relatime), and that should happen here rather than in the run being timed.
    const int usable = ::open(files[i].c_str(), O_RDONLY | O_CLOEXEC);
    if (usable < 0) return;
    struct stat info {};
    ::fstat(usable, &info);  // loads the inode as a search does
    std::uint64_t total = 0;
    for (ssize_t got; (got = ::read(usable, buffer.data(), buffer.size())) != 0;) {
      if (got < 0) {
        if (errno == EINTR) continue;
        break;
      }
      total += static_cast<std::uint64_t>(got);
    }
    ::close(usable);
    bytes.fetch_add(total);
  });
  summary.files = files.size();
  summary.bytes = bytes.load();
  return summary;
}

}  // namespace pelimor::bench
