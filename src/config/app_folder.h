#pragma once

#include "platform/platform.h"

#include <string>

namespace vesperon {

// The executable's folder, ending in exactly one separator; empty when the executable's
// path is unknown or names no folder.
std::string AppFolder(platform::Platform& p);
// Whether AppFolder is an absolute folder ("/..."; "X:\..." or "\\..." on Windows). Without
// one the program has nowhere to find or keep its files.
bool hasAppFolder(platform::Platform& p);
// The executable's file name without folder and extension.
std::string BaseName(platform::Platform& p);
// The folder of the settings file and the check list: AppFolder, unless the build named one
// of its own (a package's /etc/vesperon). Ends in exactly one separator.
std::string configFolder(platform::Platform& p);
std::string settingsFilePath(platform::Platform& p);
std::string checkListPath(platform::Platform& p);
// The file that check runs of one folder take turns on: beside the executable, or in the state
// folder where the build named a configuration folder.
std::string checkRunLockPath(platform::Platform& p);

} // namespace vesperon
