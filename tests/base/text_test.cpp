#include "base/argument_text.h"
#include "base/unicode_text.h"

#include <gtest/gtest.h>

namespace vesperon {
namespace {

TEST(ArgumentText, IsWhatFollowsTheProgramName) {
    const std::string module = "C:\\Program Files\\V\\vesperon.exe";
    const struct {
        const char* line;
        const char* arguments;
    } cases[] = {
        {"vesperon.exe -r", "-r"},
        {"\"C:\\Program Files\\V\\vesperon.exe\"  -s", "-s"},
        {"vesperon.exe", ""},
        {"vesperon.exe -r -f", "-r -f"},
        {"vesperon.exe\t-r ", "-r "},
        {"\"vesperon.exe -r", ""}, // an unclosed quote holds the whole line
        // Launchers that pass the program's own path unquoted, blanks and all.
        {"C:\\Program Files\\V\\vesperon.exe -r", "-r"},
        {"c:\\program files\\v\\VESPERON\t-s", "-s"},
        {"C:\\Program Files\\V\\vesperon.exe2 -r", "Files\\V\\vesperon.exe2 -r"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(argumentTextOf(c.line, module), c.arguments) << c.line;
    }
}

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
        // Surrogates, overlong forms and code points beyond U+10FFFF are no UTF-8 either.
        {"\xED\xA0\x80 \xE0\x80\xAF \xC0\xAF \xF4\x90\x80\x80",
         "\\xed\\xa0\\x80 \\xe0\\x80\\xaf \\xc0\\xaf \\xf4\\x90\\x80\\x80"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(unicode::visible(c.given), c.shown);
    }
}

} // namespace
} // namespace vesperon
