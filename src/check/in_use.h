#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// The event-log entries of an aborted run: each its header line, CR LF, then as many
// blocks of the abort report as fit in maxLength characters.
std::vector<std::string> abortedRunEntries(const std::vector<std::string>& abortBlocks,
                                           std::size_t maxLength);
// One block of the abort report: CR LF, message, ":  ", path, CR LF.
std::string abortReportBlock(const std::string& message, const std::string& path);

} // namespace vesperon
