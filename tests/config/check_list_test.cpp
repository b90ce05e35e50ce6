#include "base/unicode_text.h"
#include "config/check_list_editor.h"
#include "config/check_list_file.h"
#include "config/check_list_reader.h"
#include "fso/cls_fso.h"
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>
#include <optional>
#include <tuple>

namespace vesperon {
namespace {

const std::string listPath = "C:\\Tools\\Vesperon.cfg";
using Lines = std::vector<std::string>;

struct Editor : ::testing::Test {
    fake::FakePlatform f;
    Forms forms{f.windowing};
    clsFSO fso{f.platform};
    form4 editor{forms, f.platform, [this]() -> clsFSO& { return fso; }};
    void SetUp() override {
        f.disk.addFile("C:\\Data\\a.txt");
        f.disk.addFile("C:\\Data\\b.txt");
        f.disk.addFile("C:\\Data\\c.txt");
        f.disk.addFile(listPath, checkListHeader() + "\r\n; my note\r\nC:\\Data\\a.txt\r\n\r\n"
                                                     "C:\\Data\\b.txt\r\nC:\\Data\\c.txt\r\n");
        forms.enableWindows();
        editor.Show();
    }
    const Lines& items() { return editor.List("List1").items; }
    void choose(std::optional<std::string> path) { f.windowing.dialogResults.push_back(path); }
    std::vector<std::string> prompts() {
        std::vector<std::string> out;
        for (const auto& m : f.windowing.messages) {
            out.push_back(m.prompt);
        }
        return out;
    }
};

// A list keeps its encoding; a UTF-16 list takes a name the code page cannot hold.
TEST_F(Editor, AddAndRemoveKeepTheListsEncoding) {
    const std::string cyrillic = "C:\\Данные\\д.txt";
    f.disk.addFile(cyrillic);
    const std::string le = "\xFF\xFE" + std::string("C\0:\0\\\0a\0", 8); // "C:\a", no line end
    f.disk.addFile(listPath, le);
    choose(cyrillic);
    editor.userClicks("AddBrowse");
    std::string expected = le;
    unicode::appendUtf16(expected, "\r\n" + cyrillic + "\r\n", false);
    EXPECT_EQ(f.disk.bytesOf(listPath), expected);
    editor.ListIndex("List1", 0);
    editor.userClicks("RemoveFile");
    expected = "\xFF\xFE";
    unicode::appendUtf16(expected, checkListWithEntries({cyrillic}), false);
    EXPECT_EQ(f.disk.bytesOf(listPath), expected);
    // A code-page list takes it as a UTF-8 line, as the reader decides line by line.
    f.disk.addFile(listPath, "C:\\caf\xE9\r\n");
    editor.LoadCheckList();
    choose(cyrillic);
    editor.userClicks("AddBrowse");
    EXPECT_EQ(f.disk.bytesOf(listPath), "C:\\caf\xE9\r\n" + cyrillic + "\r\n");
}

// A chosen file goes last; names refused or cancelled leave the list as it was.
TEST_F(Editor, AddsAChosenFileAsTheLastAndNoOther) {
    EXPECT_EQ(items(), (Lines{"C:\\Data\\a.txt", "C:\\Data\\b.txt", "C:\\Data\\c.txt"}));
    f.disk.addFile("C:\\Data\\new.txt");
    choose("C:\\Data\\new.txt");
    editor.userClicks("AddBrowse");
    EXPECT_EQ(f.windowing.dialogs.at(0).title, "Select a File:");
    EXPECT_EQ(items().back(), "C:\\Data\\new.txt");
    EXPECT_TRUE(f.disk.bytesOf(listPath).ends_with("C:\\Data\\c.txt\r\nC:\\Data\\new.txt\r\n"));
    const std::string before = f.disk.bytesOf(listPath);
    choose("C:\\Data\\gone.txt");
    editor.userClicks("AddBrowse");
    EXPECT_EQ(editor.AddDLG.FileName, "") << "cleared after a name that does not exist";
    choose("C:\\Data\\b.txt");
    editor.userClicks("AddBrowse");
    choose(std::nullopt); // cancelled: the dialog gives back the kept duplicate
    editor.userClicks("AddBrowse");
    const std::string duplicate = "The selected file already exists in the Config File.";
    EXPECT_EQ(prompts(),
              (std::vector<std::string>{"Your chosen file does not exist!", duplicate, duplicate}));
    EXPECT_EQ(f.disk.bytesOf(listPath), before);
    EXPECT_EQ(items().size(), 4u);
}

TEST_F(Editor, RemoveRewritesTheListUnderAFreshHeader) {
    f.windowing.events["form4"]->selectionChanged("List1", 1);
    editor.userClicks("RemoveFile");
    EXPECT_EQ(items(), (Lines{"C:\\Data\\a.txt", "C:\\Data\\c.txt"}));
    EXPECT_EQ(f.disk.bytesOf(listPath),
              checkListHeader() + "\r\nC:\\Data\\a.txt\r\nC:\\Data\\c.txt\r\n");
    // Closed, it forgets the list; reopened, it loads it afresh.
    editor.userClicks("Close");
    EXPECT_FALSE(editor.Loaded());
    const std::string list = "C:\\Data\\c.txt\r\nC:\\Data\\b.txt\r\n";
    f.disk.addFile(listPath, list);
    editor.Show();
    EXPECT_EQ(items(), (Lines{"C:\\Data\\c.txt", "C:\\Data\\b.txt"}));
    // Read only in part: neither Remove nor Add may write it back from the part.
    f.disk.readFailsAt[fake::FakeDisk::key(listPath)] = list.size() - 8;
    editor.LoadCheckList();
    editor.ListIndex("List1", 0);
    editor.userClicks("RemoveFile");
    choose("C:\\Data\\b.txt");
    editor.userClicks("AddBrowse");
    EXPECT_EQ(f.disk.bytesOf(listPath), list);
}

// A list changed behind the editor, or unwritable, is shown as it is and never replaced.
TEST_F(Editor, StaleOrUnwritableListsAreShownAsTheyAreAndNothingIsLost) {
    std::string appended = f.disk.bytesOf(listPath);
    appended.replace(appended.find("c.txt"), 5, "held.txt"); // by Notepad, while it is open
    f.disk.addFile(listPath, appended);
    editor.ListIndex("List1", 0);
    editor.userClicks("RemoveFile");
    EXPECT_EQ(f.disk.bytesOf(listPath), appended);
    EXPECT_EQ(items(), (Lines{"C:\\Data\\a.txt", "C:\\Data\\b.txt", "C:\\Data\\held.txt"}));
    EXPECT_EQ(prompts(), std::vector<std::string>{
                             "The check list " + listPath +
                             " was changed by another program while it was shown here. It now "
                             "shows the list as it is; nothing was removed."});
    f.disk.replaceFails = true;
    f.disk.readOnly.insert(fake::FakeDisk::key(listPath));
    editor.ListIndex("List1", 0);
    editor.userClicks("RemoveFile");
    f.disk.addFile("C:\\Data\\new.txt");
    choose("C:\\Data\\new.txt");
    editor.userClicks("AddBrowse");
    EXPECT_EQ(f.disk.bytesOf(listPath), appended);
    EXPECT_EQ(items().size(), 3u) << "the file's entries, none gone, none added";
    const std::string unsaved = "Could not save the check list " + listPath + ": Access is denied.";
    EXPECT_EQ(prompts(), (std::vector<std::string>{prompts().front(), unsaved, unsaved}));
}

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
    f.disk.addFile("C:\\x.cfg", bytes);
    if (failAt) {
        f.disk.readFailsAt[fake::FakeDisk::key("C:\\x.cfg")] = *failAt;
    }
    CheckListReader reader(f.files, f.system, "C:\\x.cfg");
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

TEST(CheckListReader, LinesAsWrittenAndMarkedWhereTheyNameNoFileForSure) {
    EXPECT_EQ(readList(";a\r\n ;b\r\n\r\n   \r\nc \r\n\"d\"\r\n").lines,
              (Lines{";a", " ;b", "", "   ", "c ", "\"d\""}));
    const Read ends = readList("a\r\r\nb\n\nc");
    EXPECT_EQ(ends.lines, (Lines{"a", "", "b", "", "c"}));
    EXPECT_FALSE(ends.endsWithLineEnd);
    const Read cut = readList("C:\\a\r\nC:\\b\r\n", 8);
    EXPECT_TRUE(cut.failed);
    EXPECT_EQ(cut.lines, Lines{"C:\\a"}) << "a read error hands on no line it cut";
    // Lines that name no file for sure are marked.
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
    // Control characters and NULs, also in UTF-16 lines glued onto a line without a line end.
    const Read controls =
        readList(std::string("C:\\a\0b\r\nC:\\\x1b[2J\r\nC:\\\x7f\r\n", 23) +
                 utf16(std::string("C:\\\0x\r\n", 7), false).substr(2) + "C:\\c\tTab\r\nC:\\d" +
                 utf16("C:\\held.txt\r\n", false).substr(2) + "C:\\e");
    EXPECT_EQ(controls.exact, (std::vector<bool>{false, false, false, false, true, false, true}));
    EXPECT_EQ(controls.lines.back(), "C:\\e");
}

// Lists as editors save them and as Windows tools append to them.
TEST(CheckListReader, DecodesWhatEditorsAndToolsWrite) {
    const std::string name = "C:\\Данные\\jöb\U00010000\U0010FFFF.mdb"; // UTF-8 in this source
    auto unmarked = [](const std::string& utf8, bool bigEndian) {
        return utf16(utf8, bigEndian).substr(2);
    };
    using Page = ListEncoding;
    const std::tuple<const char*, std::string, ListEncoding, Lines> cases[] = {
        {"UTF-8 with mark",
         "\xEF\xBB\xBF" + name + "\r\nC:\\b",
         Page::Utf8WithMark,
         {name, "C:\\b"}},
        {"UTF-8 without mark", "C:\\a\n" + name, Page::Utf8, {"C:\\a", name}},
        {"UTF-16 LE", utf16(name + "\r\nC:\\b\r\n", false), Page::Utf16Le, {name, "C:\\b"}},
        {"UTF-16 LE without mark (cmd /u)",
         unmarked(name + "\r\nC:\\b\r\n", false),
         Page::Utf16Le,
         {name, "C:\\b"}},
        {"UTF-16 BE without mark",
         unmarked(name + "\nC:\\b", true),
         Page::Utf16Be,
         {name, "C:\\b"}},
        {"code page", "C:\\caf\xE9\r\nC:\\b", Page::SystemCodePage, {"C:\\café", "C:\\b"}},
        {"a code-page line (Add-Content) in a UTF-8 list",
         name + "\r\nC:\\caf\xE9\r\n" + name + "\r\n",
         Page::SystemCodePage,
         {name, "C:\\café", name}},
        {"UTF-16 lines (cmd /u /c echo >>) appended at an odd offset, then a plain one",
         name + "X\r\n" + unmarked("C:\\held.txt\r\n" + name + "\r\n", false) + "C:\\b\r\n",
         Page::Utf8,
         {name + "X", "C:\\held.txt", name, "C:\\b"}},
    };
    for (const auto& [what, bytes, encoding, lines] : cases) {
        SCOPED_TRACE(what);
        const Read r = readList(bytes);
        EXPECT_EQ(r.encoding, encoding);
        EXPECT_EQ(r.lines, lines);
        EXPECT_EQ(r.exact, std::vector<bool>(lines.size(), true));
    }
}

} // namespace
} // namespace vesperon
