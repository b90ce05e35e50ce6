#pragma once

#include <string>
#include <string_view>

namespace vesperon {

// What follows the program name on a Windows command line: a quoted name ends at its
// closing quote, any other at the first blank or tab; the blanks and tabs after it are
// skipped. A line that starts with the program's own path unquoted (modulePath, or that path
// without its extension, as a launcher may pass "C:\Program Files\Vesperon\vesperon -r"),
// blanks and all, has that whole path skipped.
std::string argumentTextOf(std::string_view commandLine, std::string_view modulePath = {});

} // namespace vesperon
