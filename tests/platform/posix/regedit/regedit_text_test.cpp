#include "platform/posix/regedit/regedit_text.h"
#include "support/regedit_values.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <numeric>
#include <string>
#include <vector>

namespace vesperon::platform::regedit_text {
namespace {

using test::storedLine;
using Bytes = std::vector<std::uint8_t>;

Bytes sz(const std::string& text) {
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

constexpr const char* key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Vesperon";

// Each value as the registry editor writes its line, and read back as it was.
TEST(RegeditText, ValueLinesAndReadingThemBack) {
    struct Case {
        std::string name;
        std::uint32_t type;
        Bytes data;
        std::string line;
    };
    const Case cases[] = {
        {"TypesSupported", 4, {7, 0, 0, 0}, "\"TypesSupported\"=dword:00000007"},
        {"n", 4, {0xff, 0xff, 0xff, 0xff}, "\"n\"=dword:ffffffff"},
        {"n", 4, {0x0a, 0x01, 0, 0}, "\"n\"=dword:0000010a"},
        {"n", 4, {1, 2}, "\"n\"=hex(4):01,02"},
        {"b", 3, {0, 0x80, 0xff}, "\"b\"=hex:00,80,ff"},
        {"b", 3, {}, "\"b\"=hex:"},
        {"p", 1, sz("C:\\v \"x\""), "\"p\"=\"C:\\\\v \\\"x\\\"\""},
        {"", 1, {0}, "@=\"\""},
        {"a\"b\\", 1, sz("x"), "\"a\\\"b\\\\\"=\"x\""},
        {"s", 1, {'a'}, "\"s\"=hex(1):61"},             // no terminator
        {"s", 1, {'a', 0, 0}, "\"s\"=hex(1):61,00,00"}, // two terminators
        {"s", 1, sz("a\r\nb"), "\"s\"=hex(1):61,0d,0a,62,00"},
        {"s", 1, sz("a\nb"), "\"s\"=hex(1):61,0a,62,00"},
        {"q", 0xb, {1, 0, 0, 0, 0, 0, 0, 0}, "\"q\"=hex(b):01,00,00,00,00,00,00,00"},
        {"t", 0x12345678, {1}, "\"t\"=hex(12345678):01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(storedLine(setValue("", key, c.name, c.type, c.data), key, c.name),
                  c.line + "\r\n");
    }
}

TEST(RegeditText, LongHexIsContinuedAndReadBack) {
    Bytes data(300);
    std::iota(data.begin(), data.end(), std::uint8_t{0});
    const std::string text = formatValueLine("Blob", 3, data);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        EXPECT_LE(end - start, 80u) << "at " << start;
        EXPECT_EQ(text.compare(end - 2, 2, ",\\") == 0, end + 2 < text.size()) << "at " << start;
    }
    EXPECT_EQ(start, text.size()) << "ends with its line end";
    EXPECT_EQ(storedLine(setValue("", key, "Blob", 3, data), key, "Blob"), text);
}

TEST(RegeditText, EnsureKey) {
    EXPECT_EQ(ensureKey("", key), std::string("REGEDIT4\r\n\r\n[") + key + "]\r\n\r\n");
    const std::string existing = "REGEDIT4\r\n\r\n[hkey_local_machine\\software\\VESPERON]\r\n";
    EXPECT_EQ(ensureKey(existing, key), existing);
    EXPECT_EQ(ensureKey("REGEDIT4\r\n\r\n[X]", key),
              std::string("REGEDIT4\r\n\r\n[X]\r\n[") + key + "]\r\n\r\n");
    EXPECT_EQ(ensureKey("[X]\n", key), std::string("[X]\n[") + key + "]\r\n\r\n");
}

TEST(RegeditText, SetValueKeepsEverythingElse) {
    const std::string before = "REGEDIT4\r\n"
                               "; kept by hand\r\n"
                               "\r\n"
                               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n"
                               "\"Count\"=dword:00000001\r\n"
                               "\r\n"
                               "[hkey_local_machine\\software\\vesperon]\n"
                               "\"Blob\"=hex:01,02,\\\n"
                               "  03,04\n"
                               "odd line the editor would not write\r\n"
                               "\"Last\"=\"x\"\r\n"
                               "; trailing note\r\n"
                               "\r\n"
                               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\After]\r\n"
                               "\"BLOB\"=hex:09\r\n";
    std::string replaced = setValue(before, key, "BLOB", 4, {2, 0, 0, 0});
    std::string expected = before;
    expected.replace(expected.find("\"Blob\""),
                     std::string("\"Blob\"=hex:01,02,\\\n  03,04").size(),
                     "\"BLOB\"=dword:00000002");
    EXPECT_EQ(replaced, expected);

    std::string added = setValue(before, key, "New", 3, {0xab});
    expected = before;
    expected.insert(expected.find("; trailing"), "\"New\"=hex:ab\r\n");
    EXPECT_EQ(added, expected);
}

TEST(RegeditText, LastOccurrenceCounts) {
    const std::string file = std::string("[") + key + "]\r\n\"V\"=dword:00000001\r\n\r\n[" + key +
                             "]\r\n\"V\"=dword:00000002\r\n";
    std::string changed = setValue(file, key, "V", 4, {3, 0, 0, 0});
    EXPECT_EQ(changed, std::string("[") + key + "]\r\n\"V\"=dword:00000001\r\n\r\n[" + key +
                           "]\r\n\"V\"=dword:00000003\r\n");
}

TEST(RegeditText, MalformedFilesSurvive) {
    const std::string nul("\"n\0ul\"=dword:00000001\r\n", 23);
    const std::string junk[] = {
        "\"unterminated=dword:00000001\r\n",
        "\"V\"=hex:zz,1\r\n",
        "\"V\"=hex:123\r\n",
        "\"V\"=hex(:01\r\n",
        "\"V\"=dword:123456789\r\n",
        "\"V\"=\"open\r\n",
        "\"V\"=hex:01,\\\r\n",
        "\"V\"=hex:01,\\\r\n[HKEY_LOCAL_MACHINE\\After]\r\n",
        "@\r\n[\r\n[]\r\n[" + std::string(key) + "\r\n",
        nul,
        "\xEF\xBB\xBFREGEDIT4\r",
        "\r\r\n\n\\",
    };
    for (const std::string& tail : junk) {
        for (const std::string& before : {tail, std::string("[") + key + "]\r\n" + tail}) {
            std::string after = setValue(before, key, "V", 4, {5, 0, 0, 0});
            EXPECT_EQ(storedLine(after, key, "V"), "\"V\"=dword:00000005\r\n") << after;
            // Only the broken value line itself may go.
            std::size_t start = 0;
            while (start < before.size()) {
                std::size_t end = std::min(before.find('\n', start), before.size());
                std::string line = before.substr(start, end - start);
                if (!line.starts_with("\"V\"=")) {
                    EXPECT_NE(after.find(line), std::string::npos) << line;
                }
                start = end + 1;
            }
            if (before == tail) {
                EXPECT_TRUE(after.starts_with(before));
            }
        }
    }
    // An editor that doubled the CR: the value is still replaced where it stands.
    const std::string doubled = std::string("[") + key + "]\r\r\n\"V\"=dword:00000002\r\r\n";
    EXPECT_EQ(setValue(doubled, key, "V", 4, {3, 0, 0, 0}).find("00000002"), std::string::npos);
    // Names and paths that a line cannot hold leave the file alone.
    EXPECT_EQ(setValue("x", key, "a\nb", 4, {1, 0, 0, 0}), "x");
    EXPECT_EQ(setValue("x", "HKEY_USERS\r\nbad", "a", 4, {1, 0, 0, 0}), "x");
    EXPECT_EQ(setValue("x", "-HKEY_USERS\\k", "a", 4, {1, 0, 0, 0}), "x") << "a deletion";
}

} // namespace
} // namespace vesperon::platform::regedit_text
