#include "settings/settings.h"

namespace pelimor {

void saveSettingsFiles(std::string_view dataFolder, const std::vector<std::string>& sourceRows, OptionsRecord& options,
                       const WindowPlacement& current) {
  saveSourceList(dataFolder, sourceRows);
  saveOptions(options, dataFolder, current);
}

}  // namespace pelimor
