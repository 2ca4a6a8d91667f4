#include "cli/catalog.h"

#include <algorithm>
#include <cctype>
#include <tuple>

#include "cli/plain_text.h"
#include "platform/io_error_text.h"
#include "results/json_reader.h"
#include "results/json_text.h"
#include "search/crc32.h"

namespace pelimor {

namespace {

constexpr std::uint64_t kLargestCatalog = std::uint64_t{4} << 30;
constexpr std::size_t kLongestLine = std::size_t{1} << 20;
constexpr std::size_t kReadPiece = std::size_t{1} << 20;

// One line of a catalog: the header when `header` is still to come, else a file.
void readLine(std::string_view line, bool& headerRead, Catalog& catalog) {
  JsonReader reader(line);
  reader.beginObject();
  if (!headerRead) {
    bool isCatalog = false;
    for (std::string name; reader.nextMember(name);) {
      if (name == "pelimor-catalog") {
        const std::uint64_t version = reader.unsignedNumber();
        if (version > static_cast<std::uint64_t>(kCatalogVersion))
          throw JsonError("a catalog of version " + std::to_string(version) + ", newer than this pelimor-find reads");
        isCatalog = true;
      } else if (name == "machine") {
        catalog.header.machine = reader.string();
      } else if (name == "created") {
        catalog.header.created = reader.string();
      } else if (name == "masks") {
        catalog.header.masks = reader.string();
      } else if (name == "min_bytes") {
        catalog.header.minimumSize = reader.unsignedNumber();
      } else if (name == "roots") {
        reader.beginArray();
        while (reader.nextItem()) catalog.header.roots.push_back(reader.string());
      } else {
        reader.skipValue();
      }
    }
    reader.finish();
    if (!isCatalog) throw JsonError("no \"pelimor-catalog\" header");
    if (catalog.header.machine.empty()) throw JsonError("the header names no machine");
    headerRead = true;
    return;
  }
  CatalogFile file;
  unsigned found = 0;
  std::string crc, strong;
  bool hasPath = false;
  for (std::string name; reader.nextMember(name);) {
    if (readFileIdentityMember(reader, name, file.identity, found)) continue;
    if (name == "path") {
      file.path = reader.string();
      hasPath = true;
    } else if (name == "crc32") {
      crc = reader.string();
    } else if (name == "strong") {
      strong = reader.string();
    } else {
      reader.skipValue();
    }
  }
  reader.finish();
  if (!hasPath || found != kAllIdentityMembers)
    throw JsonError("a file without path, device, inode, size, modified_ns or changed_ns");
  if (!crc.empty() || !strong.empty()) {
    if (!readCrc32Text(crc, file.content.crc32) ||
        !readStrongHashText(strong, file.content.strongHigh, file.content.strongLow))
      throw JsonError("a file whose \"crc32\" or \"strong\" is no digest");
    file.contentKnown = true;
  }
  catalog.files.push_back(std::move(file));
}

}  // namespace

std::string catalogHeaderLine(const CatalogHeader& header) {
  std::string line = "{\"pelimor-catalog\": " + std::to_string(kCatalogVersion) +
                     ", \"machine\": " + jsonString(header.machine) + ", \"created\": " + jsonString(header.created) +
                     ", \"roots\": [";
  for (std::size_t i = 0; i < header.roots.size(); ++i) line += (i ? ", " : "") + jsonString(header.roots[i]);
  return line + "], \"masks\": " + jsonString(header.masks) + ", \"min_bytes\": " + std::to_string(header.minimumSize) +
         "}\n";
}

std::string catalogFileLine(const CatalogFile& file) {
  std::string line = "{\"path\": " + jsonString(file.path) + ", " + fileIdentityMembers(file.identity);
  if (file.contentKnown)
    line += ", \"crc32\": \"" + crc32Text(file.content.crc32) + "\", \"strong\": \"" +
            strongHashText(file.content.strongHigh, file.content.strongLow) + "\"";
  return line + "}\n";
}

std::optional<std::string> loadCatalog(const std::string& path, Catalog& catalog) {
  const std::string named = "cannot read " + plainText(path) + ": ";
  platform::InputFile in;
  if (const std::error_code error = in.open(path, platform::InputFile::Access::Read)) {
    const std::string why = error == std::errc::invalid_argument ? "it is not a regular file"
                            : error == std::errc::is_a_directory ? "it is a folder"
                                                                 : platform::systemErrorText(error);
    return named + why;
  }
  if (in.remaining() > kLargestCatalog) return named + "it is larger than 4 GiB, more than a catalog can be";
  // Read a piece at a time: a catalog of a million files is a few hundred megabytes of text.
  std::string text;
  std::size_t lineNumber = 0;
  bool headerRead = false;
  try {
    while (true) {
      const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(kReadPiece, in.remaining()));
      const std::size_t had = text.size();
      text.resize(had + piece);
      if (!in.readExact(text.data() + had, piece)) return named + "it could not be read whole";
      const bool atEnd = in.remaining() == 0;
      std::size_t begin = 0;
      for (std::size_t end; (end = text.find('\n', begin)) != std::string::npos || (atEnd && begin < text.size());
           begin = end + 1) {
        if (end == std::string::npos) end = text.size();
        ++lineNumber;
        if (end - begin > kLongestLine) throw JsonError("a line longer than 1 MiB");
        readLine(std::string_view(text).substr(begin, end - begin), headerRead, catalog);
      }
      text.erase(0, std::min(begin, text.size()));
      if (text.size() > kLongestLine) throw JsonError("a line longer than 1 MiB");
      if (atEnd) break;
    }
  } catch (const JsonError& error) {
    return plainText(path) + " line " + std::to_string(lineNumber + (lineNumber == 0)) +
           " is no catalog line: " + error.what();
  }
  if (!headerRead) return plainText(path) + " is no catalog: it is empty";
  return std::nullopt;
}

CatalogWriter::CatalogWriter(const std::string& path, const CatalogHeader& header)
    : path_(path), out_(path), error_(out_.create()), text_(catalogHeaderLine(header)) {}

void CatalogWriter::add(const CatalogFile& file) {
  text_ += catalogFileLine(file);
  if (text_.size() >= kReadPiece) flush();
}

void CatalogWriter::flush() {
  if (!error_) error_ = out_.write(text_.data(), text_.size());
  text_.clear();
}

std::optional<std::string> CatalogWriter::close() {
  flush();
  if (!error_) error_ = out_.finish();
  if (!error_) error_ = out_.replace();
  if (error_) return "cannot write " + plainText(path_) + ": " + platform::systemErrorText(error_);
  return std::nullopt;
}

CatalogMerge mergeCatalogs(std::vector<Catalog> catalogs) {
  struct Entry {
    std::uint64_t size;
    std::size_t machine;  // index into `machines`
    std::uint64_t device, inode;
    CatalogFile* file;
  };
  std::vector<std::string> machines;
  for (const Catalog& catalog : catalogs) machines.push_back(catalog.header.machine);
  std::sort(machines.begin(), machines.end());
  machines.erase(std::unique(machines.begin(), machines.end()), machines.end());
  std::vector<Entry> entries;
  for (Catalog& catalog : catalogs) {
    const auto machine = static_cast<std::size_t>(
        std::lower_bound(machines.begin(), machines.end(), catalog.header.machine) - machines.begin());
    for (CatalogFile& file : catalog.files)
      entries.push_back(Entry{file.identity.size, machine, file.identity.device, file.identity.inode, &file});
  }
  const auto sameFile = [](const Entry& a, const Entry& b) {
    return std::tie(a.size, a.machine, a.device, a.inode) == std::tie(b.size, b.machine, b.device, b.inode);
  };
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return std::tie(a.size, a.machine, a.device, a.inode, a.file->path) <
           std::tie(b.size, b.machine, b.device, b.inode, b.file->path);
  });
  // One entry per file, by its smallest path; a digest read of the same file, unchanged, in any
  // catalog holds for it.
  std::vector<Entry> distinct;
  for (std::size_t i = 0; i < entries.size();) {
    Entry keep = entries[i];
    std::size_t j = i;
    for (; j < entries.size() && sameFile(entries[i], entries[j]); ++j)
      if (!keep.file->contentKnown && entries[j].file->contentKnown &&
          entries[j].file->identity == keep.file->identity) {
        keep.file->contentKnown = true;
        keep.file->content = entries[j].file->content;
      }
    distinct.push_back(keep);
    i = j;
  }
  std::vector<Entry>().swap(entries);

  CatalogMerge merge;
  struct Group {
    std::size_t begin, end;
  };
  std::vector<Entry> known;  // files of shared sizes with their digests, by size and digest
  for (std::size_t i = 0; i < distinct.size();) {
    std::size_t j = i + 1;
    while (j < distinct.size() && distinct[j].size == distinct[i].size) ++j;
    if (j - i >= 2)
      for (std::size_t k = i; k < j; ++k) {
        if (distinct[k].file->contentKnown)
          known.push_back(distinct[k]);
        else
          merge.needed[machines[distinct[k].machine]].push_back(*distinct[k].file);
      }
    i = j;
  }
  const auto digestKey = [](const Entry& e) { return std::tie(e.size, e.file->content); };
  std::sort(known.begin(), known.end(), [&](const Entry& a, const Entry& b) { return digestKey(a) < digestKey(b); });
  std::vector<Group> groups;
  for (std::size_t i = 0; i < known.size();) {
    std::size_t j = i + 1;
    while (j < known.size() && digestKey(known[j]) == digestKey(known[i])) ++j;
    if (j - i >= 2) groups.push_back(Group{i, j});
    i = j;
  }
  const auto groupOrder = [&](const Group& group) {
    const Entry& first = known[group.begin];
    return std::tie(first.file->content.crc32, first.size, first.file->content);
  };
  std::sort(groups.begin(), groups.end(),
            [&](const Group& a, const Group& b) { return groupOrder(a) < groupOrder(b); });
  for (std::size_t g = 0; g < groups.size(); ++g) {
    const std::size_t first = merge.rows.size();
    for (std::size_t i = groups[g].begin; i < groups[g].end; ++i)
      merge.rows.push_back(MergedFile{static_cast<std::uint32_t>(g + 1), known[i].size, known[i].file->content.crc32,
                                      machines[known[i].machine], known[i].file->path});
    std::sort(merge.rows.begin() + static_cast<std::ptrdiff_t>(first), merge.rows.end(),
              [](const MergedFile& a, const MergedFile& b) {
                return std::tie(a.machine, a.path) < std::tie(b.machine, b.path);
              });
  }
  return merge;
}

std::string machineFileName(const std::string& machine) {
  std::string name = machine;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.') c = '_';
  if (name.empty() || name[0] == '.') name.insert(name.begin(), '_');
  return name;
}

}  // namespace pelimor
