#pragma once

#include <cstdint>
#include <string>

namespace vesperon {

namespace in_use {
inline constexpr std::int16_t free = 0;
inline constexpr std::int16_t inUse = -1;
inline constexpr std::int16_t undetermined = -2;
} // namespace in_use

// "File in use", "Unable to determine if file is in use" or "Unknown Error".
std::string inUseMessage(std::int16_t code);

// Removes every occurrence of remove from s (exact comparison); s holds the result too.
std::string& StripChars(std::string& s, const std::string& remove);

// The event-log entry of an aborted run: its header line, CR LF, then the abort report.
std::string abortedRunEntry(const std::string& abortReport);
// One block of the abort report: CR LF, message, ":  ", path, CR LF.
std::string abortReportBlock(const std::string& message, const std::string& path);

} // namespace vesperon
