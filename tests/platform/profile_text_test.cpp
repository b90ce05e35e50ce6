#include "platform/profile_text.h"

#include <gtest/gtest.h>
#include <string>

namespace vesperon::platform::profile_text {
namespace {

// A blank section name reaches the keys before the first header.
TEST(ProfileText, MissingIsDistinctFromEmptyAndBuffersCut) {
    EXPECT_EQ(findValue("[s]\r\nk=\r\n", "s", "k"), "");
    EXPECT_EQ(findValue("[s]\r\nk\r\n", "s", "k"), std::nullopt);
    EXPECT_EQ(findRawValue("[s]\r\nk='x'\r\n", "s", "k"), "'x'");
    EXPECT_EQ(findValue("k=1\r\n[s]\r\nk=2\r\n", " ", "k"), "1");
    EXPECT_EQ(findValue("[s]\r\nk=2\r\n", "", "k"), std::nullopt);
    // Quotes go only when the whole value fits the buffer.
    const std::string x300(300, 'x');
    EXPECT_EQ(copyToBuffer("\"abc\"", 5), "abc");
    EXPECT_EQ(copyToBuffer("\"abc\"", 4), "ab"); // Wine cuts the closing quote, then one more
    EXPECT_EQ(copyToBuffer("\"abc", 255), "\"abc");
    EXPECT_EQ(copyToBuffer("\"" + x300 + "\"", 255), x300.substr(0, 254));
}

TEST(ProfileText, SetValueChangesOnlyWhatItMust) {
    struct Case {
        const char* name;
        std::string before;
        std::string section;
        std::string key;
        std::string value;
        std::string after;
    };
    const Case cases[] = {
        {"replaces only the value's line", "; c\n[a]\nx=1\n  k = old  \n[b]\nk=2\n", "A", "K",
         "new", "; c\n[a]\nx=1\nk=new\n[b]\nk=2\n"},
        {"keeps the stored spelling of the key", "[A]\r\nKEY=1\r\n", "a", "key", "2",
         "[A]\r\nKEY=2\r\n"},
        {"same value leaves the file alone", "[a]\r\n k = 1 \r\n", "a", "k", "1",
         "[a]\r\n k = 1 \r\n"},
        {"gives a line without equals sign its value", "[a]\rk\rj=1\r", "a", "k", "v",
         "[a]\rk=v\rj=1\r"},
        {"adds a key before the blank line separating sections", "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n",
         "a", "k", "v", "[a]\r\nx=1\r\nk=v\r\n\r\n[b]\r\ny=2\r\n"},
        {"adds a key after an unterminated last line", "[a]\r\nx=1", "a", "k", "v",
         "[a]\r\nx=1\r\nk=v\r\n"},
        {"adds a key to the first of duplicate sections", "[a]\r\n[a]\r\n", "a", "k", "v",
         "[a]\r\nk=v\r\n[a]\r\n"},
        {"ends the last line before a new section", "[a]\nx=1", "b", "k", "v",
         "[a]\nx=1\r\n[b]\r\nk=v\r\n"},
        {"adds to keys before the first header", "\r\n[a]\r\n", "", "k", "v", "k=v\r\n\r\n[a]\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(setValue(c.before, c.section, c.key, c.value), c.after) << c.name;
    }
}

} // namespace
} // namespace vesperon::platform::profile_text
