#include "check/listed_file.h"

#include "base/text.h"
#include "check/report_text.h"

#include <stdexcept>

namespace vesperon {

namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

platform::Presence presenceOf(platform::Files& files, const std::string& path) {
    // No file can have a NUL in its name, yet the text was meant to name one.
    if (path.find('\0') != std::string::npos) {
        return platform::Presence::Undetermined;
    }
    return files.presenceOf(path);
}

} // namespace

std::string& StripChars(std::string& s, const std::string& remove) {
    if (remove.empty()) {
        throw std::invalid_argument("StripChars: nothing to remove");
    }
    for (auto at = s.find(remove); at != std::string::npos; at = s.find(remove)) {
        s.erase(at, remove.size());
    }
    return s;
}

bool isAbsolutePath(const platform::Edition& edition, const std::string& path) {
    if (!edition.driveLetters) {
        return !path.empty() && path.front() == '/';
    }
    const bool drive = path.size() >= 3 && path[1] == ':' && isSeparator(path[2]) &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return drive || (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]));
}

ListedFile locateListedFile(platform::Files& files, const platform::Edition& edition,
                            const std::string& entry) {
    const bool absolute = isAbsolutePath(edition, entry);
    ListedFile whole{entry, absolute ? presenceOf(files, entry) : platform::Presence::Absent};
    if (whole.presence != platform::Presence::Absent) {
        return whole;
    }
    std::string trimmed = text::trimBlanksAndTabs(entry);
    if (trimmed.empty() || trimmed.front() == ';') {
        return whole; // blanks only, or a comment typed after a blank: no file was meant
    }
    if (trimmed != entry && isAbsolutePath(edition, trimmed)) {
        const platform::Presence presence = presenceOf(files, trimmed);
        return {std::move(trimmed), presence};
    }
    // A file was meant, but where it is depends on a current folder or drive that a scheduled
    // run does not share with whoever wrote the line.
    if (!absolute) {
        whole.presence = platform::Presence::Undetermined;
    }
    return whole;
}

std::int16_t probeCode(platform::Files& files, const std::string& path) {
    if (!files.fileNumberAvailable()) {
        return in_use::undetermined;
    }
    switch (files.probe(path)) {
    case platform::ProbeResult::Free:
        return in_use::free;
    case platform::ProbeResult::InUse:
        return in_use::inUse;
    case platform::ProbeResult::Undetermined:
        break;
    }
    return in_use::undetermined;
}

Finding testListedEntry(platform::Platform& p, std::string entry, bool describeHolders) {
    StripChars(entry, "\"");
    ListedFile listed = locateListedFile(p.files, p.edition, entry);
    Finding finding{std::move(listed.path), EntryState::Free, {}, {}, {}};
    switch (listed.presence) {
    case platform::Presence::Absent:
        finding.state = EntryState::Missing;
        return finding;
    case platform::Presence::NotAFile:
        finding.state = EntryState::NotAFile;
        return finding;
    case platform::Presence::Undetermined:
        finding.state = EntryState::Undetermined;
        finding.message = report_text::inUseMessage(in_use::undetermined);
        finding.seenAs = p.files.seenAs(finding.path);
        return finding;
    case platform::Presence::File:
        break;
    }
    const std::int16_t code = probeCode(p.files, finding.path);
    if (code == in_use::free) {
        return finding;
    }
    finding.state = code == in_use::inUse ? EntryState::InUse : EntryState::Undetermined;
    finding.message = report_text::inUseMessage(code);
    if (describeHolders && finding.state == EntryState::InUse) {
        finding.holders = p.files.holdersOf(finding.path);
    }
    return finding;
}

} // namespace vesperon
