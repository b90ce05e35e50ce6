#pragma once

#include "platform/files.h"
#include "platform/platform.h"

#include <string>

namespace vesperon {

// The path a check-list entry names, and what the system says about it.
struct ListedFile {
    std::string path; // the text as tested
    platform::Presence presence = platform::Presence::Absent;
};

// Takes the entry whole first; only when that names nothing is it tried again without the
// blanks and tabs around it, which lists typed or pasted by hand often carry. A text that is
// no absolute path names nothing, as the file-system class answers for it.
ListedFile locateListedFile(platform::Files& files, const platform::Edition& edition,
                            const std::string& entry);

// Linux: starts with "/". Windows: a drive letter and a colon, or a leading "\" or "/"
// (a rooted, UNC or "\\?\" path).
bool isAbsolutePath(const platform::Edition& edition, const std::string& path);

} // namespace vesperon
