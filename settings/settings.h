#pragma once
// The settings files, as the main window uses them.
//
// At start, once the data folder exists (platform::createFolderWithParents(platform::dataFolder())):
//   1. loadSourceList(folder, rows): put the rows in the source list; select the first row if any.
//   2. loadOptions(options, folder, designedRect): designedRect is the window's placement now.
//   3. applyOptions(options, screens, designedSize, minimumSize): take the returned state, and the
//      returned rectangle if there is one.
//   4. Apply options.typeIndex() and options.sizeIndex() to the filter lists.
// A SettingsError ends the sequence at that step; errorBoxText(error) is the error box's text.
//
// At close: saveSettingsFiles (Source.cfg, then Options.cfg). A SettingsError keeps the window open.
#include <string>
#include <string_view>
#include <vector>

#include "settings/options_file.h"
#include "settings/options_record.h"
#include "settings/settings_error.h"
#include "settings/source_list_file.h"
#include "settings/window_placement.h"

namespace pelimor {

// saveSourceList, then saveOptions; when Source.cfg fails, Options.cfg is not written.
void saveSettingsFiles(std::string_view dataFolder, const std::vector<std::string>& sourceRows, OptionsRecord& options,
                       const WindowPlacement& current);

}  // namespace pelimor
