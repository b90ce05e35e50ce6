#pragma once

#include "platform/platform.h"

#include <string>

namespace vesperon {

// The executable's folder, ending in exactly one separator.
std::string AppFolder(platform::Platform& p);
// The executable's file name without folder and extension.
std::string BaseName(platform::Platform& p);
std::string settingsFilePath(platform::Platform& p);
std::string checkListPath(platform::Platform& p);

} // namespace vesperon
