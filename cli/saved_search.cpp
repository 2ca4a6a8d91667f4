#include "cli/saved_search.h"

#include <charconv>
#include <cstdint>
#include <unordered_set>

#include "cli/json_reader.h"
#include "cli/json_text.h"
#include "search/crc32.h"

namespace pelimor {

namespace {
std::string identityText(const ResultRow& row) {
  const FileIdentity& seen = row.identity;
  return "{\"device\": " + std::to_string(seen.device) + ", \"inode\": " + std::to_string(seen.inode) +
         ", \"size\": " + std::to_string(row.size) + ", \"modified_ns\": " + std::to_string(seen.modifiedNanoseconds) +
         ", \"changed_ns\": " + std::to_string(seen.changedNanoseconds) +
         ", \"folder_device\": " + std::to_string(seen.folder.device) +
         ", \"folder_inode\": " + std::to_string(seen.folder.inode) + "}";
}

std::uint32_t crc32OfText(const std::string& text) {
  std::uint32_t crc = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), crc, 16);
  if (text.size() != 8 || error != std::errc() || end != text.data() + text.size())
    throw JsonError("\"" + text + "\" is no CRC-32");
  return crc;
}
}  // namespace

std::string savedSearchText(const std::vector<ResultRow>& rows, const std::vector<SkippedFile>& skipped) {
  std::string out = "{\"groups\": [";
  for (std::size_t i = 0; i < rows.size();) {
    const ResultRow& first = rows[i];
    if (i) out += ", ";
    out += "{\"group\": " + std::to_string(first.group) + ", \"size\": " + std::to_string(first.size) +
           ", \"crc32\": \"" + crc32Text(first.crc32) + "\", \"files\": [";
    std::string identities;
    for (std::size_t k = i; i < rows.size() && rows[i].group == first.group; ++i) {
      if (i != k) {
        out += ", ";
        identities += ", ";
      }
      out += jsonString(rows[i].path);
      identities += identityText(rows[i]);
    }
    out += "], \"identities\": [" + identities + "]}";
  }
  out += "], \"skipped\": [";
  for (std::size_t i = 0; i < skipped.size(); ++i) {
    if (i) out += ", ";
    out += "{\"path\": " + jsonString(skipped[i].path) + ", \"reason\": " + jsonString(skipped[i].reason) + "}";
  }
  out += "]}\n";
  return out;
}

std::vector<ResultRow> rowsOfSavedSearch(std::string_view text) {
  using Kind = JsonValue::Kind;
  const JsonValue document = parseJson(text);
  std::vector<ResultRow> rows;
  std::unordered_set<std::uint32_t> numbers;
  for (const JsonValue& group : document.at("groups", Kind::Array).items) {
    const std::uint64_t number = group.at("group", Kind::Number).unsignedNumber();
    if (number == 0 || number > UINT32_MAX || !numbers.insert(static_cast<std::uint32_t>(number)).second)
      throw JsonError("group " + std::to_string(number) + " is no new group number");
    const std::uint64_t size = group.at("size", Kind::Number).unsignedNumber();
    const std::uint32_t crc = crc32OfText(group.at("crc32", Kind::String).text);
    const std::vector<JsonValue>& files = group.at("files", Kind::Array).items;
    const std::vector<JsonValue>& identities = group.at("identities", Kind::Array).items;
    if (files.size() != identities.size()) throw JsonError("a group's files and identities differ in number");
    for (std::size_t i = 0; i < files.size(); ++i) {
      if (files[i].kind != Kind::String) throw JsonError("a file that is not a path");
      const JsonValue& seen = identities[i];
      ResultRow row;
      row.group = static_cast<std::uint32_t>(number);
      row.path = files[i].text;
      row.crc32 = crc;
      row.size = seen.at("size", Kind::Number).unsignedNumber();
      if (row.size != size) throw JsonError("a file of another size than its group's");
      row.identity = FileIdentity{
          seen.at("device", Kind::Number).unsignedNumber(), seen.at("inode", Kind::Number).unsignedNumber(),
          seen.at("modified_ns", Kind::Number).signedNumber(), seen.at("changed_ns", Kind::Number).signedNumber(),
          platform::FolderId{seen.at("folder_device", Kind::Number).unsignedNumber(),
                             seen.at("folder_inode", Kind::Number).unsignedNumber()}};
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

}  // namespace pelimor
