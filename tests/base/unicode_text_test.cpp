#include "base/unicode_text.h"

#include <gtest/gtest.h>

namespace vesperon {
namespace {

TEST(VisibleText, ControlCharactersAndStrayBytesBecomeEscapesAndTheRestStays) {
    using namespace std::string_literals;
    const struct {
        std::string given;
        std::string shown;
    } cases[] = {
        {"C:\\data\\caf\xC3\xA9 \xF0\x9F\x93\x81.txt",
         "C:\\data\\caf\xC3\xA9 \xF0\x9F\x93\x81.txt"},
        {"a\r\nFile in use:  /etc/shadow", "a\\r\\nFile in use:  /etc/shadow"},
        {"\x1b[32mwould restart\x1b[0m\t", "\\x1b[32mwould restart\\x1b[0m\\t"},
        {"cut\0here"s, "cut\\x00here"},
        {"del\x7f c1\xC2\x9B", "del\\x7f c1\\x9b"},
        // Bytes that are not UTF-8, among them a lone 8-bit CSI and a cut sequence.
        {"latin\xE9 csi\x9B end\xE2\x82", "latin\\xe9 csi\\x9b end\\xe2\\x82"},
        {"\xEF\xBF\xBD", "\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(unicode::visible(c.given), c.shown);
    }
}

} // namespace
} // namespace vesperon
