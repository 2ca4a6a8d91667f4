// Options.cfg as found on disk: loadOptions on any bytes, then saveOptions and loadOptions again.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "settings/options_file.h"
#include "settings/window_placement.h"

using namespace pelimor;

namespace {

const WindowRect kDesigned{120, 80, 800, 600};
const std::vector<WindowRect> kScreens{{0, 0, 1920, 1080}, {1920, -200, 1280, 1024}};

std::string imageOf(const OptionsRecord& options) {
  return std::string(reinterpret_cast<const char*>(options.bytes().data()), OptionsRecord::kSize);
}

std::int32_t int32From(const std::uint8_t* data, std::size_t size, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i)
    if (offset + i < size) value |= static_cast<std::uint32_t>(data[offset + i]) << (8 * i);
  return static_cast<std::int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fuzzing::FuzzFolder folder;
  const std::string input(reinterpret_cast<const char*>(data), size);
  folder.write(std::string(kOptionsFileName), data, size);

  OptionsRecord options;
  loadOptions(options, folder.folder(), kDesigned);

  // What loadOptions promises: a whole record of version 300 is taken as it is and the file left
  // alone; anything else leaves its bytes in the record under the defaults, written at once.
  OptionsRecord expected;
  std::memcpy(expected.bytes().data(), data, std::min(size, OptionsRecord::kSize));
  const bool taken = size >= OptionsRecord::kSize && expected.version() == OptionsRecord::kVersion;
  if (!taken) setDefaultOptions(expected, kDesigned);
  FUZZ_CHECK(options.bytes() == expected.bytes());
  FUZZ_CHECK(folder.read(std::string(kOptionsFileName)) == (taken ? input : imageOf(options)));
  FUZZ_CHECK(folder.names() == std::vector<std::string>{std::string(kOptionsFileName)});

  // The window takes the record as it comes, whatever its numbers.
  applyOptions(options, kScreens, WindowSize{800, 600}, WindowSize{400, 300});

  // Saving keeps every byte but the placement, and the next start reads back what was saved.
  const WindowPlacement placement{static_cast<WindowState>(size > 0 ? data[size - 1] % 3 : 0),
                                  WindowRect{int32From(data, size, 1), int32From(data, size, 5),
                                             int32From(data, size, 9), int32From(data, size, 13)}};
  saveOptions(options, folder.folder(), placement);
  FUZZ_CHECK(options.left() == placement.rect.left && options.top() == placement.rect.top);
  FUZZ_CHECK(options.width() == placement.rect.width && options.height() == placement.rect.height);
  FUZZ_CHECK(options.windowState() == static_cast<std::uint8_t>(placement.state));
  OptionsRecord reloaded;
  loadOptions(reloaded, folder.folder(), kDesigned);
  FUZZ_CHECK(reloaded.bytes() == options.bytes());
  FUZZ_CHECK(folder.read(std::string(kOptionsFileName)) == imageOf(options));
  return 0;
}
