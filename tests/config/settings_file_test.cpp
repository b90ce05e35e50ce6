#include "config/settings_file.h"
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>

namespace vesperon {
namespace {

const std::string settingsPath = "C:\\Tools\\Vesperon.ini";

TEST(SettingsFile, ValuesAreReadThroughABufferOf255) {
    fake::FakePlatform f;
    f.disk.addFile(settingsPath, "[s]\r\nk=" + std::string(300, 'x') + "\r\n");
    EXPECT_EQ(ReadIniValue(f.profile, settingsPath, "s", "k"), std::string(254, 'x'));
}

} // namespace
} // namespace vesperon
