#pragma once
// Catalogs: what `pelimor-find --catalog` learned of every file a search walked on one machine,
// one JSON object a line (a header, then one line per file), so that the searches of several
// machines can be joined by size and digest, by `--merge` or by any engine that reads JSON lines.
// The layout is told in README.md; new members may be added, so readers pass over those they
// don't know.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/whole_file.h"
#include "search/file_catalog.h"

namespace pelimor {

inline constexpr int kCatalogVersion = 1;

struct CatalogHeader {
  std::string machine;
  std::string created;             // local time, "2026-12-08T13:01:02"
  std::vector<std::string> roots;  // the folders searched
  std::string masks;
  std::uint64_t minimumSize = 0;  // bytes; only larger files are listed
};

std::string catalogHeaderLine(const CatalogHeader& header);
std::string catalogFileLine(const CatalogFile& file);

struct Catalog {
  CatalogHeader header;
  std::vector<CatalogFile> files;
};

// Reads the catalog `path` (a regular file of at most 4 GiB, lines of at most 1 MiB). Why not,
// naming the line, when it can't be read or is no catalog.
std::optional<std::string> loadCatalog(const std::string& path, Catalog& catalog);

// Writes a catalog, header first, a piece at a time; the file is put in place only when close()
// finds every piece written.
class CatalogWriter {
 public:
  CatalogWriter(const std::string& path, const CatalogHeader& header);
  void add(const CatalogFile& file);
  // The file could not even be made; close() tells why.
  bool failed() const { return static_cast<bool>(error_); }
  // Why not, when the file could not be written.
  std::optional<std::string> close();

 private:
  void flush();

  std::string path_;
  platform::ReplacingFile out_;
  std::error_code error_;
  std::string text_;
};

// Catalogs of several machines (or one) joined: the groups of identical files, one row per file,
// and per machine the files whose whole digest must still be read before the groups are complete.
struct MergedFile {
  std::uint32_t group = 0;
  std::uint64_t size = 0;
  std::uint32_t crc32 = 0;
  std::string machine;
  std::string path;
};
struct CatalogMerge {
  // Groups by ascending CRC-32, numbered 1, 2, 3 ..., files by machine and path.
  std::vector<MergedFile> rows;
  std::map<std::string, std::vector<CatalogFile>> needed;  // by machine
};

// Files are one file when machine, device and inode agree (hard links count once, by their
// smallest path); a file's digest counts only while its identity is the one it was read with.
CatalogMerge mergeCatalogs(std::vector<Catalog> catalogs);

// A name for a list of `machine`'s files: the machine's name with every byte that is no letter,
// digit, '-', '_' or '.' as '_'.
std::string machineFileName(const std::string& machine);

}  // namespace pelimor
