#include "app/version_caption.h"

#include "base/app_identity.h"

namespace vesperon {

std::string versionCaptionFor(int major, int minor, int revision, const std::string& stage,
                              const std::string& suffix) {
    std::string caption = applicationTitle;
    caption.append("   v").append(std::to_string(major)).append(".").append(std::to_string(minor));
    if (revision > 0) {
        caption.append(".").append(std::to_string(revision));
    }
    if (stage == "A") {
        caption += " ALPHA";
    } else if (stage == "B") {
        caption += " BETA";
    }
    if (!suffix.empty()) {
        caption.append("  - ").append(suffix);
    }
    return caption;
}

std::string VersionCaption(const std::string& stage, const std::string& suffix) {
    return versionCaptionFor(versionMajor, versionMinor, versionRevision, stage, suffix);
}

} // namespace vesperon
