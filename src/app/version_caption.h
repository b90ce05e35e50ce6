#pragma once

#include <string>

namespace vesperon {

// "Vesperon   v1.3", with " ALPHA"/" BETA" for stage "A"/"B" and "  - suffix" when given.
std::string VersionCaption(const std::string& stage, const std::string& suffix);
// The same for any version numbers; VersionCaption uses the program's own.
std::string versionCaptionFor(int major, int minor, int revision, const std::string& stage,
                              const std::string& suffix);

} // namespace vesperon
