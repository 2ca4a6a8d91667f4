// Source.cfg as found on disk: loadSourceList on any bytes, then saveSourceList and loadSourceList again.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "settings/source_list_file.h"

using namespace pelimor;

namespace {

std::int32_t int32At(const std::string& bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i)
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
  return static_cast<std::int32_t>(value);
}

// The file's own reading of the bytes, written out here independently: the rows, and whether
// every promised entry was there whole.
bool parse(const std::string& bytes, std::vector<std::string>& rows) {
  if (bytes.size() < 4) return false;
  const std::int32_t count = int32At(bytes, 0);
  std::size_t at = 4;
  for (std::int32_t i = 0; i < count; ++i) {
    if (bytes.size() - at < 4) return false;
    const std::int32_t length = int32At(bytes, at);
    at += 4;
    if (length < 0 || static_cast<std::size_t>(length) > bytes.size() - at) return false;
    rows.push_back(bytes.substr(at, static_cast<std::size_t>(length)));
    at += static_cast<std::size_t>(length);
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fuzzing::FuzzFolder folder;
  const std::string name(kSourceFileName);
  const std::string input(reinterpret_cast<const char*>(data), size);
  folder.write(name, data, size);

  std::vector<std::string> expected;
  const bool whole = parse(input, expected);
  std::vector<std::string> rows;
  try {
    loadSourceList(folder.folder(), rows);
    FUZZ_CHECK(whole);
  } catch (const SettingsError& error) {
    FUZZ_CHECK(!whole);
    FUZZ_CHECK(std::string(error.what()) == "Stream read error");
  }
  // On failure too: the entries read whole before it.
  FUZZ_CHECK(rows == expected);
  FUZZ_CHECK(folder.read(name) == input);
  if (!whole) return 0;

  // Written back, the list is the front of the file up to its last entry (a count of zero or below
  // becomes zero), and reads back the same.
  saveSourceList(folder.folder(), rows);
  const std::string saved = folder.read(name);
  if (rows.empty())
    FUZZ_CHECK(saved == std::string(4, '\0'));
  else
    FUZZ_CHECK(saved == input.substr(0, saved.size()));
  FUZZ_CHECK(folder.names() == std::vector<std::string>{name});
  std::vector<std::string> reloaded;
  loadSourceList(folder.folder(), reloaded);
  FUZZ_CHECK(reloaded == rows);
  return 0;
}
