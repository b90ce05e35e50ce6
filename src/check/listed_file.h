#pragma once

#include "check/finding.h"
#include "platform/files.h"
#include "platform/platform.h"

#include <cstdint>
#include <string>

namespace vesperon {

// The codes of the single-file test.
namespace in_use {
inline constexpr std::int16_t free = 0;
inline constexpr std::int16_t inUse = -1;
inline constexpr std::int16_t undetermined = -2;
} // namespace in_use

// Removes every occurrence of remove from s (exact comparison); s holds the result too.
std::string& StripChars(std::string& s, const std::string& remove);

// The path a check-list entry names, and what the system says about it.
struct ListedFile {
    std::string path; // the text as tested
    platform::Presence presence = platform::Presence::Absent;
};

// Takes the entry whole first; only when that names nothing is it tried again without the
// blanks and tabs around it, which lists typed or pasted by hand often carry. A text that is
// no absolute path either way is undetermined: it means a file, but not which.
ListedFile locateListedFile(platform::Files& files, const platform::Edition& edition,
                            const std::string& entry);

// One entry of the check list, tested: double quotes removed, located, and probed when it is a
// file. With describeHolders, a file in use names the processes that hold it.
Finding testListedEntry(platform::Platform& p, std::string entry, bool describeHolders = false);

// The momentary exclusive open of an existing file, as a code of in_use.
std::int16_t probeCode(platform::Files& files, const std::string& path);

// Linux: starts with "/". Windows: a drive letter, a colon and a separator, or two separators
// (a UNC or "\\?\" path); "\" or "/" stand for the separator.
bool isAbsolutePath(const platform::Edition& edition, const std::string& path);

} // namespace vesperon
