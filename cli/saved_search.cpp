#include "cli/saved_search.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <unordered_set>

#include "results/json_text.h"
#include "search/crc32.h"
#include "search/picture_grouper.h"

namespace pelimor {

namespace {
std::string identityText(const ResultRow& row) {
  const RowIdentity& seen = row.identity;
  return "{" + fileIdentityMembers(seen) + ", \"folder_device\": " + std::to_string(seen.folder.device) +
         ", \"folder_inode\": " + std::to_string(seen.folder.inode) + "}";
}

std::uint32_t crc32Of(const std::string& text) {
  std::uint32_t crc = 0;
  if (!readCrc32Text(text, crc)) throw JsonError("\"" + text + "\" is no CRC-32");
  return crc;
}

void readStrongHash(const std::string& text, ResultRow& row) {
  if (!readStrongHashText(text, row.strongHigh, row.strongLow)) throw JsonError("\"" + text + "\" is no strong hash");
}

// The members read, named in the order of their enumerations.
enum IdentityField : std::size_t { Device, Inode, FileSize, Modified, Changed, FolderDevice, FolderInode };
constexpr std::string_view kIdentityFields[] = {"device",     "inode",         "size",        "modified_ns",
                                                "changed_ns", "folder_device", "folder_inode"};
enum GroupField : std::size_t { GroupNumber, GroupSize, Crc32, Strong, Files, Identities };
constexpr std::string_view kGroupFields[] = {"group", "size", "crc32", "strong", "files", "identities"};

// The position of `name` in `fields`, or the count of fields when it is none of them.
template <std::size_t Count>
std::size_t fieldIndex(const std::string_view (&fields)[Count], std::string_view name) {
  return static_cast<std::size_t>(std::find(std::begin(fields), std::end(fields), name) - std::begin(fields));
}

// Every field was there: `found` has one bit per field.
template <std::size_t Count>
void requireAll(const std::string_view (&fields)[Count], unsigned found) {
  for (std::size_t i = 0; i < Count; ++i)
    if (!(found & (1u << i))) throw JsonError("no \"" + std::string(fields[i]) + "\"");
}

// One entry of a group's "identities": the file's identity (its bits are the first five fields),
// then its folder's.
RowIdentity identityFrom(JsonReader& reader) {
  RowIdentity identity;
  unsigned found = 0;
  reader.beginObject();
  for (std::string name; reader.nextMember(name);) {
    if (readFileIdentityMember(reader, name, identity, found)) continue;
    const std::size_t field = fieldIndex(kIdentityFields, name);
    if (field == FolderDevice) {
      identity.folder.device = reader.unsignedNumber();
    } else if (field == FolderInode) {
      identity.folder.inode = reader.unsignedNumber();
    } else {
      reader.skipValue();
      continue;
    }
    found |= 1u << field;
  }
  requireAll(kIdentityFields, found);
  return identity;
}

struct SavedGroup {
  std::uint64_t number = 0;
  std::uint64_t size = 0;
  ResultRow model;  // the group's checksums
  std::vector<std::string> paths;
  std::vector<RowIdentity> seen;
  std::vector<std::uint64_t> reference;  // positions of the files in reference folders
};

std::vector<std::string> pathsFrom(JsonReader& reader) {
  std::vector<std::string> paths;
  reader.beginArray();
  while (reader.nextItem()) {
    if (reader.next() != JsonReader::Kind::String) reader.fail("a file that is not a path");
    paths.push_back(reader.string());
  }
  return paths;
}

SavedGroup groupFrom(JsonReader& reader) {
  SavedGroup group;
  unsigned found = 0;
  reader.beginObject();
  for (std::string name; reader.nextMember(name);) {
    if (name == "reference") {  // only where there are any
      reader.beginArray();
      while (reader.nextItem()) group.reference.push_back(reader.unsignedNumber());
      continue;
    }
    const std::size_t field = fieldIndex(kGroupFields, name);
    switch (field) {
      case GroupNumber:
        group.number = reader.unsignedNumber();
        break;
      case GroupSize:
        group.size = reader.unsignedNumber();
        break;
      case Crc32:
        group.model.crc32 = crc32Of(reader.string());
        break;
      case Strong:
        readStrongHash(reader.string(), group.model);
        break;
      case Files:
        group.paths = pathsFrom(reader);
        break;
      case Identities:
        reader.beginArray();
        while (reader.nextItem()) group.seen.push_back(identityFrom(reader));
        break;
      default:
        reader.skipValue();
        continue;
    }
    found |= 1u << field;
  }
  if (!(found & (1u << Strong))) throw SavedSearchWithoutStrongHash("its groups carry no strong hash");
  requireAll(kGroupFields, found);
  return group;
}

void appendRows(SavedGroup& group, std::unordered_set<std::uint32_t>& numbers, std::vector<ResultRow>& rows) {
  const std::uint64_t number = group.number;
  if (number == 0 || number > UINT32_MAX || !numbers.insert(static_cast<std::uint32_t>(number)).second)
    throw JsonError("group " + std::to_string(number) + " is no new group number");
  if (group.paths.size() != group.seen.size()) throw JsonError("a group's files and identities differ in number");
  for (std::size_t i = 0; i < group.paths.size(); ++i) {
    if (group.seen[i].size != group.size) throw JsonError("a file of another size than its group's");
    ResultRow& row = rows.emplace_back(group.model);
    row.group = static_cast<std::uint32_t>(number);
    row.path = std::move(group.paths[i]);
    row.size = group.size;
    row.identity = group.seen[i];
  }
  for (const std::uint64_t position : group.reference) {
    if (position >= group.paths.size()) throw JsonError("a reference file the group does not have");
    rows[rows.size() - group.paths.size() + position].reference = true;
  }
}
}  // namespace

std::string savedSearchText(const std::vector<ResultRow>& rows, const std::vector<SkippedFile>& skipped) {
  std::string out = "{\"groups\": [";
  for (std::size_t i = 0; i < rows.size();) {
    const ResultRow& first = rows[i];
    if (i) out += ", ";
    out += "{\"group\": " + std::to_string(first.group) + ", \"size\": " + std::to_string(first.size) +
           ", \"crc32\": \"" + crc32Text(first.crc32) + "\", \"strong\": \"" +
           strongHashText(first.strongHigh, first.strongLow) + "\", \"files\": [";
    std::string identities, reference;
    for (std::size_t k = i; i < rows.size() && rows[i].group == first.group; ++i) {
      if (i != k) {
        out += ", ";
        identities += ", ";
      }
      out += jsonString(rows[i].path);
      identities += identityText(rows[i]);
      if (rows[i].reference) reference += (reference.empty() ? "" : ", ") + std::to_string(i - k);
    }
    out += "], \"identities\": [" + identities + "]";
    if (!reference.empty()) out += ", \"reference\": [" + reference + "]";
    out += "}";
  }
  out += "], \"skipped\": [";
  for (std::size_t i = 0; i < skipped.size(); ++i) {
    if (i) out += ", ";
    out += "{\"path\": " + jsonString(skipped[i].path) + ", \"reason\": " + jsonString(skipped[i].reason) + "}";
  }
  out += "]}\n";
  return out;
}

std::string similarPicturesText(const std::vector<ResultRow>& rows, const std::vector<SkippedFile>& skipped) {
  std::string out = "{\"similar_pictures\": [";
  const std::vector<bool> identical = byteIdenticalRows(rows);
  for (std::size_t i = 0; i < rows.size();) {
    const std::uint32_t group = rows[i].group;
    out += std::string(i ? ",\n  " : "\n  ") + "{\"group\": " + std::to_string(group) + ", \"files\": [";
    const std::size_t first = i;
    std::size_t end = i;
    while (end < rows.size() && rows[end].group == group) ++end;
    for (; i < end; ++i) {
      const ResultRow& row = rows[i];
      out += std::string(i != first ? ", " : "") + "{\"path\": " + jsonString(row.path) +
             ", \"size\": " + std::to_string(row.size) + ", \"width\": " + std::to_string(row.width) +
             ", \"height\": " + std::to_string(row.height) + ", \"distance\": " + std::to_string(row.distance) +
             ", \"crc32\": \"" + crc32Text(row.crc32) + "\", \"strong\": \"" +
             strongHashText(row.strongHigh, row.strongLow) + "\", \"identical\": " + (identical[i] ? "true" : "false") +
             (row.reference ? ", \"reference\": true" : "") + ", \"identity\": " + identityText(row) + "}";
    }
    out += "]}";
  }
  out += rows.empty() ? "], \"skipped\": [" : "\n], \"skipped\": [";
  for (std::size_t i = 0; i < skipped.size(); ++i) {
    if (i) out += ", ";
    out += "{\"path\": " + jsonString(skipped[i].path) + ", \"reason\": " + jsonString(skipped[i].reason) + "}";
  }
  out += "]}\n";
  return out;
}

std::vector<ResultRow> rowsOfSavedSearch(std::string_view text) {
  JsonReader reader(text);
  std::vector<ResultRow> rows;
  std::unordered_set<std::uint32_t> numbers;
  bool hasGroups = false;
  reader.beginObject();
  for (std::string name; reader.nextMember(name);) {
    if (name != "groups") {
      reader.skipValue();
      continue;
    }
    hasGroups = true;
    reader.beginArray();
    while (reader.nextItem()) {
      SavedGroup group = groupFrom(reader);
      appendRows(group, numbers, rows);
    }
  }
  reader.finish();
  if (!hasGroups) throw JsonError("no \"groups\"");
  return rows;
}

}  // namespace pelimor
