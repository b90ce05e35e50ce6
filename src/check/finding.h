#pragma once

#include "platform/files.h"

#include <string>
#include <vector>

namespace vesperon {

// What one check-list entry turned out to be.
enum class EntryState { InUse, Free, Missing, Undetermined, NotAFile };

struct Finding {
    std::string path; // the entry as tested: quotes removed, blanks trimmed when that named it
    EntryState state = EntryState::Free;
    std::string message; // "File in use" or "Unable to determine if file is in use" when blocking
    std::vector<platform::FileHolder> holders; // for a file in use, when asked for
    // For an undetermined file: where programs see it instead (an overlay's merged view).
    std::vector<std::string> seenAs;
    // In use or undetermined: either keeps the machine up.
    bool blocks() const { return state == EntryState::InUse || state == EntryState::Undetermined; }
};

} // namespace vesperon
