#include "auxiliary/module2.h"

namespace vesperon {

std::int32_t GetPlatformId(platform::ProcessListing& listing) {
    return listing.platformId();
}

std::string StripLastChar(const std::string& text) {
    return text.empty() ? text : text.substr(0, text.size() - 1);
}

} // namespace vesperon
