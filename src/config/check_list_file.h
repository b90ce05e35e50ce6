#pragma once

#include "platform/files.h"

#include <string>
#include <string_view>
#include <vector>

namespace vesperon {

// The comment header of a new check list; WriteTextFile's own CR LF makes its empty fourth line.
std::string checkListHeader();
// Writes text + CR LF, appending or replacing; false when anything failed.
bool WriteTextFile(platform::Files& files, const std::string& path, const std::string& text,
                   bool overwrite);
// Every line of a text, empty and comment lines included. Lines end in CR LF, LF or a
// lone CR; a last line without line end counts too.
std::vector<std::string> textLines(std::string_view bytes);
// The whole check list as a rewrite leaves it: a fresh header, then one line per entry.
std::string checkListWithEntries(const std::vector<std::string>& entries);
// The entries of a check list: every line except those that are empty or start with ";".
// Lines end in CR LF, LF or a lone CR; a last line without line end counts too.
std::vector<std::string> checkListEntries(std::string_view bytes);

} // namespace vesperon
