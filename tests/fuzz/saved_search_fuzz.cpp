// A saved search read back from any bytes: either a clear JsonError or rows, never a crash; rows
// read are written again and read back the same, identities, checksums and odd path bytes included.
#include <cstdint>
#include <string_view>

#include "cli/saved_search.h"
#include "fuzz_support.h"

using namespace pelimor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<ResultRow> rows;
  try {
    rows = rowsOfSavedSearch(text);
  } catch (const JsonError&) {
    return 0;
  }
  const std::vector<ResultRow> again = rowsOfSavedSearch(savedSearchText(rows, {}));
  FUZZ_CHECK(again.size() == rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    FUZZ_CHECK(again[i].path == rows[i].path);
    FUZZ_CHECK(again[i].identity == rows[i].identity);
    FUZZ_CHECK(again[i].digest() == rows[i].digest() && again[i].size == rows[i].size);
  }
  return 0;
}
