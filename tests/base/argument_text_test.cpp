#include "base/argument_text.h"

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

} // namespace
} // namespace vesperon
