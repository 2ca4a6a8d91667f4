#pragma once
// Where the program keeps and looks for things on this system.
#include <string>
#include <system_error>
#include <vector>

#include "platform/error_code.h"

namespace pelimor::platform {

// The user's home folder ($HOME, else the password database, else "/").
std::string homeFolder();

// Where the folder browser starts and the source list's first row points.
std::string defaultSourceFolder();

// $XDG_CONFIG_HOME/Pelimor, else $HOME/.config/Pelimor; with a trailing '/'. Not created here.
std::string dataFolder();

// $XDG_CACHE_HOME/Pelimor, else $HOME/.cache/Pelimor; with a trailing '/'. Not created here.
std::string cacheFolder();

// Where the record of our actions on files is kept: $XDG_DATA_HOME/Pelimor, else
// $HOME/.local/share/Pelimor (Windows: %LOCALAPPDATA%\Pelimor); with a trailing '/'. Not created here.
std::string actionLogFolder();

// $HOME/Pelimor - Removed files, the target of Move. Not created here.
std::string removedFilesFolder();

// The folder of the running executable, with a trailing '/'.
std::string programFolder();

// The folder of the program's own files (the user guide, the sound), with a trailing '/': the
// installed layout's share/pelimor/ beside the executable's bin/ when it is there, else the
// executable's own folder (a build, Windows).
std::string programDataFolder();

// A folder only this user can use, for the single-instance lock and socket: $XDG_RUNTIME_DIR,
// else /tmp/pelimor-<uid> (created with mode 0700). Without a trailing '/'.
std::string runtimeFolder();

// Creates a folder and every missing level above it.
std::error_code createFolderWithParents(const std::string& folder);

// Creates a folder that only this user may enter (mode 0700), with any missing level above it;
// an existing folder of ours is made private too.
std::error_code createPrivateFolder(const std::string& folder);

// The system's own trees: a search never enters them, nor anything below them.
std::vector<std::string> systemTrees();

// The system's trees and the removed-files folder: what a search never enters.
std::vector<std::string> foldersNeverSearched();

// A folder whose path holds one of these texts anywhere is never entered.
std::vector<std::string> excludedPathFragments();

}  // namespace pelimor::platform
