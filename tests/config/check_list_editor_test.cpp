#include "base/unicode_text.h"
#include "config/check_list_editor.h"
#include "config/check_list_file.h"
#include "fso/cls_fso.h"
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>

namespace vesperon {
namespace {

const std::string listPath = "C:\\Tools\\Vesperon.cfg";
using Items = std::vector<std::string>;

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
    const Items& items() { return editor.List("List1").items; }
    void choose(std::optional<std::string> path) { f.windowing.dialogResults.push_back(path); }
    std::vector<std::string> prompts() {
        std::vector<std::string> out;
        for (const auto& m : f.windowing.messages) {
            out.push_back(m.prompt);
        }
        return out;
    }
};

TEST_F(Editor, ShowsTheEntriesOnlyAndAddsAChosenFileAsTheLast) {
    EXPECT_EQ(items(), (Items{"C:\\Data\\a.txt", "C:\\Data\\b.txt", "C:\\Data\\c.txt"}));
    f.disk.addFile("C:\\Data\\new.txt");
    choose("C:\\Data\\new.txt");
    editor.userClicks("AddBrowse");
    ASSERT_EQ(f.windowing.dialogs.size(), 1u);
    EXPECT_EQ(f.windowing.dialogs[0].title, "Select a File:");
    EXPECT_EQ(f.windowing.dialogs[0].filter, "*.*");
    EXPECT_EQ(items().back(), "C:\\Data\\new.txt");
    EXPECT_TRUE(f.disk.bytesOf(listPath).ends_with("C:\\Data\\c.txt\r\nC:\\Data\\new.txt\r\n"));
    EXPECT_EQ(editor.AddDLG.FileName, "");
}

// A list keeps the encoding it was saved in; one the code page cannot hold a name in moves
// to UTF-8 whole.
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
    EXPECT_EQ(items(), (Items{"C:\\a", cyrillic}));
    editor.ListIndex("List1", 0);
    editor.userClicks("RemoveFile");
    expected = "\xFF\xFE";
    unicode::appendUtf16(expected, checkListWithEntries({cyrillic}), false);
    EXPECT_EQ(f.disk.bytesOf(listPath), expected);

    // A code-page list that cannot hold the name takes that line in UTF-8, as the reader
    // decides line by line.
    f.disk.addFile(listPath, "C:\\caf\xE9\r\n");
    editor.LoadCheckList();
    choose(cyrillic);
    editor.userClicks("AddBrowse");
    EXPECT_EQ(f.disk.bytesOf(listPath), "C:\\caf\xE9\r\n" + cyrillic + "\r\n");
    EXPECT_EQ(items(), (Items{"C:\\café", cyrillic}));
}

TEST_F(Editor, RefusedOrCancelledNamesLeaveTheListAsItWas) {
    const std::string before = f.disk.bytesOf(listPath);
    choose("C:\\Data\\gone.txt");
    editor.userClicks("AddBrowse");
    EXPECT_EQ(editor.AddDLG.FileName, "") << "cleared after a name that does not exist";
    choose("C:\\Data\\b.txt");
    editor.userClicks("AddBrowse");
    choose(std::nullopt); // cancelled: the dialog gives back the kept duplicate
    editor.userClicks("AddBrowse");
    EXPECT_EQ(f.windowing.dialogs[2].initialName, "C:\\Data\\b.txt");
    const std::string duplicate = "The selected file already exists in the Config File.";
    EXPECT_EQ(prompts(),
              (std::vector<std::string>{"Your chosen file does not exist!", duplicate, duplicate}));
    EXPECT_EQ(f.windowing.messages[1].title, "Vesperon");
    EXPECT_EQ(f.disk.bytesOf(listPath), before);
    EXPECT_EQ(items().size(), 3u);

    choose("C:\\DATA\\B.TXT"); // differs only in case: a name of its own
    editor.userClicks("AddBrowse");
    EXPECT_EQ(items().size(), 4u);
    f.disk.addFile(listPath, checkListHeader() + "\r\nC:\\Data\\c.txt\r\n");
    choose(std::nullopt);
    editor.userClicks("AddBrowse");
    EXPECT_EQ(items(), (Items{"C:\\Data\\c.txt"})) << "a cancel writes nothing and reloads";
    EXPECT_EQ(prompts().size(), 3u);
}

TEST_F(Editor, RemoveRewritesTheListUnderAFreshHeader) {
    f.windowing.events["form4"]->selectionChanged("List1", 1);
    editor.userClicks("RemoveFile");
    EXPECT_EQ(items(), (Items{"C:\\Data\\a.txt", "C:\\Data\\c.txt"}));
    EXPECT_EQ(f.disk.bytesOf(listPath),
              checkListHeader() + "\r\nC:\\Data\\a.txt\r\nC:\\Data\\c.txt\r\n");

    editor.userClicks("RemoveFile"); // nothing selected: the same entries are written again
    EXPECT_EQ(items().size(), 2u);
    EXPECT_EQ(f.disk.bytesOf(listPath),
              checkListHeader() + "\r\nC:\\Data\\a.txt\r\nC:\\Data\\c.txt\r\n");

    for (int i = 0; i < 2; ++i) {
        editor.ListIndex("List1", 0);
        editor.userClicks("RemoveFile");
    }
    EXPECT_EQ(f.disk.bytesOf(listPath), checkListHeader() + "\r\n") << "the header stays";
}

// A list changed behind the editor, or one that cannot be written, is never replaced by the
// editor's copy: the editor shows the file as it is and says why nothing changed.
TEST_F(Editor, StaleOrUnwritableListsAreShownAsTheyAreAndNothingIsLost) {
    std::string appended = f.disk.bytesOf(listPath);
    appended.replace(appended.find("c.txt"), 5, "held.txt"); // by Notepad, while it is open
    f.disk.addFile(listPath, appended);
    editor.ListIndex("List1", 0);
    editor.userClicks("RemoveFile");
    EXPECT_EQ(f.disk.bytesOf(listPath), appended);
    EXPECT_EQ(items(), (Items{"C:\\Data\\a.txt", "C:\\Data\\b.txt", "C:\\Data\\held.txt"}));
    EXPECT_EQ(prompts(), std::vector<std::string>{
                             "The check list " + listPath +
                             " was changed by another program while it was shown here. It now "
                             "shows the list as it is; nothing was removed."});
    editor.ListIndex("List1", 0); // shown as it is, it can be removed from
    editor.userClicks("RemoveFile");
    EXPECT_EQ(f.disk.bytesOf(listPath),
              checkListWithEntries({"C:\\Data\\b.txt", "C:\\Data\\held.txt"}));

    const std::string before = f.disk.bytesOf(listPath);
    f.disk.replaceFails = true;
    f.disk.readOnly.insert(fake::FakeDisk::key(listPath));
    editor.ListIndex("List1", 0);
    editor.userClicks("RemoveFile");
    f.disk.addFile("C:\\Data\\new.txt");
    choose("C:\\Data\\new.txt");
    editor.userClicks("AddBrowse");
    EXPECT_EQ(f.disk.bytesOf(listPath), before);
    EXPECT_EQ(items().size(), 2u) << "the file's entries, none gone, none added";
    const std::string unsaved = "Could not save the check list " + listPath + ": Access is denied.";
    EXPECT_EQ(prompts(), (std::vector<std::string>{prompts().front(), unsaved, unsaved}));
}

// A list read only in part: neither Remove nor Add may write it back from the part.
TEST_F(Editor, AListReadOnlyInPartIsNeverWritten) {
    const std::string before = f.disk.bytesOf(listPath);
    f.disk.readFailsAt[fake::FakeDisk::key(listPath)] = before.size() - 8;
    editor.LoadCheckList();
    editor.ListIndex("List1", 0);
    editor.userClicks("RemoveFile");
    choose("C:\\Data\\c.txt");
    editor.userClicks("AddBrowse");
    EXPECT_EQ(f.disk.bytesOf(listPath), before);
}

TEST_F(Editor, CloseDiscardsTheListAndAReopenLoadsItAfresh) {
    editor.userClicks("Close");
    EXPECT_FALSE(editor.Loaded());
    f.disk.addFile(listPath, "C:\\Data\\c.txt\r\n");
    editor.Show();
    EXPECT_EQ(items(), (Items{"C:\\Data\\c.txt"}));
}

} // namespace
} // namespace vesperon
