#pragma once

#include "config/check_list_reader.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/system.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesperon {

class clsFSO;

// The comment header of a new check list; WriteTextFile's own CR LF makes its empty fourth line.
std::string checkListHeader();
// Creates the check list with its header when nothing is there; a list that merely cannot be
// seen never gets a second header.
void ensureCheckList(platform::Platform& p, clsFSO& fso);
// Writes text + CR LF, appending or replacing; false when anything failed.
bool WriteTextFile(platform::Files& files, const std::string& path, const std::string& text,
                   bool overwrite);
// The whole check list as a rewrite leaves it: a fresh header, then one line per entry.
std::string checkListWithEntries(const std::vector<std::string>& entries);
// Text (UTF-8) as a list in that encoding holds it; nullopt when the system's code page has
// no counterpart for a character.
std::optional<std::string> encodeForList(platform::System& system, ListEncoding encoding,
                                         std::string_view text);
// The byte-order mark a whole list in that encoding starts with (empty for none).
std::string_view byteOrderMark(ListEncoding encoding);

} // namespace vesperon
