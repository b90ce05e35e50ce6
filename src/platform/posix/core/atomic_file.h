#pragma once

#include <string>
#include <vector>

// Writes into folders that other users may be able to change: every call works relative to a
// descriptor of the file's folder, taken once, and never through a symbolic link, so that a
// link planted under the file's name (or a folder swapped in its path) between two steps
// cannot send the bytes elsewhere.
namespace vesperon::platform::posix {

// Replaces the file at path with bytes in one step: a temporary file beside it ("<name>."
// and six letters or digits), locked while written, flushed, then renamed over the target,
// so that a reader sees either the old content or the new one. Keeps the old file's
// permission bits. A link at path is refused (ELOOP), as is anything but a regular file. On
// failure the old file is untouched, errno holds the cause and false is returned.
bool replaceFileAtomically(const std::string& path, const std::string& bytes);

// Creates the file at path holding bytes, only when nothing at all is there; false, with
// errno set (EEXIST when something is), otherwise.
bool createFileExclusively(const std::string& path, const std::string& bytes);

// Appends bytes to the regular file at path (or replaces its content, with overwrite),
// creating it when nothing is there; false, with errno set, on failure.
bool writeFileContent(const std::string& path, const std::string& bytes, bool overwrite);

// Removes from folder the temporary files that replaceFileAtomically() of one of the names
// there left behind when its process was killed: those untouched for a while that no writer
// holds locked. Whatever cannot be removed stays.
void removeStaleTemporaries(const std::string& folder, const std::vector<std::string>& names);

} // namespace vesperon::platform::posix
