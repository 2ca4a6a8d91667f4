#include "settings/settings.h"

namespace pelimor {

void SaveSettings(std::string_view dataFolder, const std::vector<std::string>& sourceRows, OptionsRecord& options,
                  const WindowPlacement& current) {
  SaveSourceList(dataFolder, sourceRows);
  SaveOptions(options, dataFolder, current);
}

}  // namespace pelimor
