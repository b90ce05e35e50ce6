#include "check/listed_file.h"

#include "app/text.h"

namespace vesperon {

namespace {

platform::Presence presenceOf(platform::Files& files, const platform::Edition& edition,
                              const std::string& path) {
    if (!isAbsolutePath(edition, path)) {
        return platform::Presence::Absent;
    }
    // No file can have a NUL in its name, yet the text was meant to name one.
    if (path.find('\0') != std::string::npos) {
        return platform::Presence::Undetermined;
    }
    return files.presenceOf(path);
}

} // namespace

bool isAbsolutePath(const platform::Edition& edition, const std::string& path) {
    if (!edition.driveLetters) {
        return !path.empty() && path.front() == '/';
    }
    const bool driveLetter =
        path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return driveLetter || (!path.empty() && (path.front() == '\\' || path.front() == '/'));
}

ListedFile locateListedFile(platform::Files& files, const platform::Edition& edition,
                            const std::string& entry) {
    ListedFile whole{entry, presenceOf(files, edition, entry)};
    if (whole.presence != platform::Presence::Absent) {
        return whole;
    }
    std::string trimmed = text::trimBlanksAndTabs(entry);
    if (trimmed.empty() || trimmed == entry) {
        return whole;
    }
    const platform::Presence presence = presenceOf(files, edition, trimmed);
    return {std::move(trimmed), presence};
}

} // namespace vesperon
