#pragma once

#include "platform/process_listing.h"

#include <cstdint>
#include <string>

namespace vesperon {

// 1 for the Windows 95 family, 2 for the NT family (the Linux edition answers 2).
std::int32_t GetPlatformId(platform::ProcessListing& listing);
// The text without its last character.
std::string StripLastChar(const std::string& text);

} // namespace vesperon
