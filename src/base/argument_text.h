#pragma once

#include <string>
#include <string_view>

namespace vesperon {

// What follows the program name on a Windows command line: a quoted name ends at its
// closing quote, any other at the first blank or tab; the blanks and tabs after it are
// skipped.
std::string argumentTextOf(std::string_view commandLine);

} // namespace vesperon
