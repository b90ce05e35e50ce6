#pragma once

#include <string>

namespace vesperon::platform::posix {

// Replaces the file at path with bytes in one step: a temporary file in the same
// folder, flushed, then renamed over the target, so that a reader sees either the
// old content or the new one. Keeps the old file's permission bits. On failure the
// old file is untouched, errno holds the cause and false is returned.
bool replaceFileAtomically(const std::string& path, const std::string& bytes);

} // namespace vesperon::platform::posix
