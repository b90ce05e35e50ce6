#pragma once

namespace vesperon {

// The program's own name: caption title, message-box title, event source, check-list header.
inline constexpr const char* applicationTitle = "Vesperon";

inline constexpr int versionMajor = 1;
inline constexpr int versionMinor = 3;
inline constexpr int versionRevision = 0;

} // namespace vesperon
