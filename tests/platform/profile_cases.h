#pragma once

#include <string>
#include <vector>

namespace vesperon::test {

// One lookup, and what GetPrivateProfileString gives for it (empty default, 255 characters).
struct ProfileCase {
    const char* name;
    std::string file;
    std::string section;
    std::string key;
    std::string expected; // "" when missing
};

inline const std::vector<ProfileCase>& profileCases() {
    using namespace std::string_literals;
    static const std::vector<ProfileCase> cases = {
        {"section name case", "[EVENTLOG]\r\nk=1\r\n", "eventlog", "k", "1"},
        {"key name case", "[s]\r\nWriteToNTEventLog=1\r\n", "s", "writetonteventlog", "1"},
        {"blanks around names and equals sign", "  [ Sec ]  \r\n \t Key \t= \t a  b \t \r\n", "sec",
         "KEY", "a  b"},
        {"double quotes", "[s]\r\nk=\" a b \"\r\n", "s", "k", " a b "},
        {"single quotes", "[s]\r\nk='x'\r\n", "s", "k", "x"},
        {"mismatched quotes", "[s]\r\nk=\"x'\r\n", "s", "k", "\"x'"},
        {"lone quote", "[s]\r\nk=\"\r\n", "s", "k", "\""},
        {"one pair of quotes removed", "[s]\r\nk=\"\"x\"\"\r\n", "s", "k", "\"x\""},
        {"inner quotes kept", "[s]\r\nk=a\"b\"\r\n", "s", "k", "a\"b\""},
        {"equals sign in value", "[s]\r\nk = a=b\r\n", "s", "k", "a=b"},
        {"first of duplicate keys", "[s]\r\nk=1\r\nK=2\r\n", "s", "k", "1"},
        {"first of duplicate sections", "[s]\r\nk=1\r\n[S]\r\nk=2\r\n", "s", "k", "1"},
        {"key only in a later duplicate section", "[s]\r\nj=1\r\n[s]\r\nk=2\r\n", "s", "k", ""},
        {"key of the next section", "[a]\r\nj=1\r\n[b]\r\nk=2\r\n", "a", "k", ""},
        {"key before any section", "k=1\r\n[s]\r\nj=2\r\n", "s", "k", ""},
        {"line without equals sign hides a later key", "[s]\r\nk\r\nk=1\r\n", "s", "k", ""},
        {"blank value", "[s]\r\nk=   \r\n", "s", "k", ""},
        {"comment line", "[s]\r\n;k=1\r\nk=2\r\n", "s", "k", "2"},
        {"mixed line ends and blank lines", "\r\n\n[a]\r\r\n\nk=1\n\r", "a", "k", "1"},
        {"last line without line end", "[s]\r\nk=last", "s", "k", "last"},
        {"bracket inside section name", "[a]b]\r\nk=1\r\n", "a]b", "k", "1"},
        {"text after closing bracket", "[a] x\r\nk=1\r\n", "a", "k", "1"},
        {"header without closing bracket is a key", "[s]\r\n[t\r\nk=1\r\n", "s", "k", "1"},
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF[s]\r\nk=1\r\n", "s", "k", "1"},
        {"DOS end-of-file mark", "[s]\r\nk=1\x1a", "s", "k", "1"},
        {"NUL ends a value", "[s]\r\nk=ab\0cd\r\n"s, "s", "k", "ab"},
    };
    return cases;
}

} // namespace vesperon::test
