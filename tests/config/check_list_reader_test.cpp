#include "base/unicode_text.h"
#include "config/check_list_reader.h"
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>
#include <optional>

namespace vesperon {
namespace {

const std::string listPath = "C:\\Tools\\x.cfg";

std::string utf16(const std::string& utf8, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    unicode::appendUtf16(bytes, utf8, bigEndian);
    return bytes;
}

struct Read {
    std::vector<std::string> lines;
    std::vector<bool> exact;
    ListEncoding encoding = ListEncoding::SystemCodePage;
    bool endsWithLineEnd = false;
    bool failed = false;
};

// failAt: where reading the list fails, if anywhere.
Read readList(const std::string& bytes, std::optional<std::size_t> failAt = std::nullopt) {
    fake::FakePlatform f;
    f.disk.addFile(listPath, bytes);
    if (failAt) {
        f.disk.readFailsAt[fake::FakeDisk::key(listPath)] = *failAt;
    }
    CheckListReader reader(f.files, f.system, listPath);
    Read r;
    ListLine line;
    while (reader.next(line)) {
        r.lines.push_back(line.text);
        r.exact.push_back(line.exact);
    }
    r.encoding = reader.encoding();
    r.endsWithLineEnd = reader.endsWithLineEnd();
    r.failed = reader.failed();
    return r;
}

using Lines = std::vector<std::string>;

TEST(CheckListReader, LinesAsWritten) {
    EXPECT_EQ(readList(";a\r\n ;b\r\n\r\n   \r\nc \r\n\"d\"\r\n").lines,
              (Lines{";a", " ;b", "", "   ", "c ", "\"d\""}));
    const Read ends = readList("a\r\r\nb\n\nc");
    EXPECT_EQ(ends.lines, (Lines{"a", "", "b", "", "c"}));
    EXPECT_FALSE(ends.endsWithLineEnd);
    EXPECT_TRUE(readList("a\r\n").endsWithLineEnd);
    EXPECT_EQ(readList(std::string("a\0b\r\n", 5)).lines, (Lines{std::string("a\0b", 3)}));
    EXPECT_TRUE(readList("").lines.empty());
    // Whether an unreadable or missing list blocks a run is tested with the run.
    const Read cut = readList("C:\\a\r\nC:\\b\r\n", 8);
    EXPECT_TRUE(cut.failed);
    EXPECT_EQ(cut.lines, Lines{"C:\\a"}) << "a read error hands on no line it cut";
}

// Lists as editors save them and as Windows tools append to them: the mark never glues onto
// the first path, and without one every line is read in the form it was written in.
TEST(CheckListReader, DecodesWhatEditorsAndToolsWrite) {
    const std::string name = "C:\\Данные\\jöb\U00010000\U0010FFFF.mdb"; // UTF-8 in this source
    auto unmarked = [](const std::string& utf8, bool bigEndian) {
        return utf16(utf8, bigEndian).substr(2);
    };
    const struct {
        const char* what;
        std::string bytes;
        ListEncoding encoding;
        Lines lines;
    } cases[] = {
        {"UTF-8 with mark",
         "\xEF\xBB\xBF" + name + "\r\nC:\\b",
         ListEncoding::Utf8WithMark,
         {name, "C:\\b"}},
        {"UTF-8 without mark", "C:\\a\n" + name, ListEncoding::Utf8, {"C:\\a", name}},
        {"UTF-16 LE", utf16(name + "\r\nC:\\b\r\n", false), ListEncoding::Utf16Le, {name, "C:\\b"}},
        {"UTF-16 BE", utf16(name + "\rC:\\b", true), ListEncoding::Utf16Be, {name, "C:\\b"}},
        {"UTF-16 LE without mark (cmd /u)",
         unmarked(name + "\r\nC:\\b\r\n", false),
         ListEncoding::Utf16Le,
         {name, "C:\\b"}},
        {"UTF-16 BE without mark",
         unmarked(name + "\nC:\\b", true),
         ListEncoding::Utf16Be,
         {name, "C:\\b"}},
        {"code page", "C:\\caf\xE9\r\nC:\\b", ListEncoding::SystemCodePage, {"C:\\café", "C:\\b"}},
        {"plain ASCII", "C:\\a\r\n", ListEncoding::SystemCodePage, {"C:\\a"}},
        {"a code-page line (Add-Content) in a UTF-8 list",
         name + "\r\nC:\\caf\xE9\r\n" + name + "\r\n",
         ListEncoding::SystemCodePage,
         {name, "C:\\café", name}},
        {"UTF-16 lines (cmd /u /c echo >>) appended at an odd offset, then a plain one",
         name + "X\r\n" + unmarked("C:\\held.txt\r\n" + name + "\r\n", false) + "C:\\b\r\n",
         ListEncoding::Utf8,
         {name + "X", "C:\\held.txt", name, "C:\\b"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Read r = readList(c.bytes);
        EXPECT_EQ(r.encoding, c.encoding);
        EXPECT_EQ(r.lines, c.lines);
        EXPECT_EQ(r.exact, std::vector<bool>(c.lines.size(), true));
    }
}

TEST(CheckListReader, LinesThatNameNoFileForSureAreMarked) {
    const std::string lone = "\xFF\xFE" + std::string("C\0\0\xD8:\0\r\0b\0", 10); // lone surrogate
    EXPECT_EQ(readList(lone).exact, (std::vector<bool>{false, true}));
    const Read odd = readList(utf16("C:\\a", false) + "\x41");
    EXPECT_EQ(odd.exact, std::vector<bool>{false}) << "half a character at the end";
    const Read huge = readList(std::string(CheckListReader::maxLineBytes + 1, 'x') + "\r\nC:\\b");
    EXPECT_EQ(huge.lines.at(0).size(), CheckListReader::maxLineBytes);
    EXPECT_EQ(huge.exact, (std::vector<bool>{false, true}));
    EXPECT_EQ(readList("\xEF\xBB\xBF"
                       "C:\\\xE9\r\nC:\\\xC2\x9B\r\n")
                  .exact,
              (std::vector<bool>{false, false}));
    // Control characters and NULs, also in UTF-16 and in a UTF-16 line glued onto a line
    // without a line end, which its own line end ends whole.
    const Read controls =
        readList(std::string("C:\\a\0b\r\nC:\\\x1b[2J\r\nC:\\\x7f\r\n", 23) +
                 utf16(std::string("C:\\\0x\r\n", 7), false).substr(2) + "C:\\c\tTab\r\nC:\\d" +
                 utf16("C:\\held.txt\r\n", false).substr(2) + "C:\\e");
    EXPECT_EQ(controls.exact, (std::vector<bool>{false, false, false, false, true, false, true}));
    EXPECT_EQ(controls.lines.back(), "C:\\e");
}

} // namespace
} // namespace vesperon
