#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vesperon {

// A report as one or more log entries of at most maxLength characters each: every entry
// starts with headerLine and holds as many whole blocks as fit, in order. A block that
// does not fit even alone is cut over entries of its own, so that nothing is lost.
std::vector<std::string> splitIntoEntries(const std::string& headerLine,
                                          const std::vector<std::string>& blocks,
                                          std::size_t maxLength);

} // namespace vesperon
