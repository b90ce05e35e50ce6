#pragma once

#include <string>

namespace vesperon::platform::posix {

// A Windows file-type filter ("*.*", "*.txt;*.log", "Text (*.txt)|*.txt|All|*.*") as the
// filter string of FLTK's file chooser. "*.*" means every file, with or without a dot.
std::string fltkFileFilter(const std::string& windowsFilter);

} // namespace vesperon::platform::posix
