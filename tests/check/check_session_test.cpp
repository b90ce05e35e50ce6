#include "check/check_session.h"
#include "check/listed_file.h"
#include "check/report_text.h"
#include "config/check_list_file.h"
#include "config/check_list_reader.h"
#include "fso/cls_fso.h"
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>

namespace vesperon {
namespace {

const std::string listPath = "C:\\Tools\\Vesperon.cfg";
const std::string settingsPath = "C:\\Tools\\Vesperon.ini";
const std::string aborted = " *** A Planned Shutdown was Aborted! *** \r\n";

struct Check : ::testing::Test {
    fake::FakePlatform f;
    clsFSO fso{f.platform};
    CheckSession session{f.platform, [this]() -> clsFSO& { return fso; }};
    CheckOutcome outcome;
    std::vector<Finding> blocking;
    // One check run; what blocks it is kept in check order.
    void check() {
        blocking.clear();
        outcome = session.check([&](const Finding& finding) {
            if (finding.blocks()) {
                blocking.push_back(finding);
            }
        });
    }
    // What blocked the run, as a results window lists it.
    std::vector<std::string> rows() const {
        std::vector<std::string> out;
        for (const Finding& finding : blocking) {
            out.push_back(report_text::entryRow(finding));
        }
        out.insert(out.end(), outcome.report.inhibitorRows.begin(),
                   outcome.report.inhibitorRows.end());
        return out;
    }
    void SetUp() override { f.disk.addFile(settingsPath, "[EventLog]\r\nWriteToNTEventLog=1\r\n"); }
    void list(const std::string& body) {
        f.disk.addFile(listPath, checkListHeader() + "\r\n" + body);
    }
    void held(const std::string& path) {
        f.disk.addFile(path);
        f.disk.inUse.insert(fake::FakeDisk::key(path));
    }
    std::string entry() const {
        return f.eventLog.events.empty() ? "<none>" : f.eventLog.events[0].strings.at(0);
    }
};

TEST_F(Check, EveryLineIsTestedInOrderAndEveryFileInUseReported) {
    held("C:\\Data\\a.mdb");
    held("C:\\Data\\b.mdb");
    f.disk.addFile("C:\\Data\\free.txt");
    list("C:\\Data\\a.mdb\r\n"
         "; C:\\Data\\b.mdb\r\n"
         "\r\n"
         " ;C:\\Data\\b.mdb\r\n"
         "C:\\Data\\missing.txt\r\n"
         "C:\\Data\\free.txt\r\n"
         "\"C:\\Data\\b.mdb\"\r\n");
    check();
    EXPECT_TRUE(outcome.report.blocked);
    EXPECT_EQ(entry(), aborted + "\r\nFile in use:  C:\\Data\\a.mdb\r\n"
                                 "\r\nFile in use:  C:\\Data\\b.mdb\r\n");
    EXPECT_EQ(f.eventLog.events[0].type, 2);
    EXPECT_EQ(f.disk.probed.size(), 3u) << "absent and commented files are never probed";
    EXPECT_EQ(f.disk.probeRuns, 1) << "one view of the held files serves the whole run";
}

TEST_F(Check, RunsOfOneFolderTakeTurns) {
    const std::string lockPath = "C:\\Tools\\Vesperon.lock";
    f.disk.addFile("C:\\Data\\free.txt");
    list("C:\\Data\\free.txt\r\n");
    check();
    EXPECT_FALSE(outcome.report.blocked);
    EXPECT_TRUE(f.disk.hasFile(lockPath));
    EXPECT_TRUE(f.disk.locked.empty()) << "let go at the end of the run";
    // Another run kept it for the whole wait: this one cannot tell, and says why.
    f.disk.lockedElsewhere.insert(fake::FakeDisk::key(lockPath));
    check();
    EXPECT_EQ(entry(),
              aborted + "\r\nUnable to determine if file is in use:  " + lockPath + "\r\n");
}

// No list made, settings read once a run, no event when nothing is in use or logging is off.
TEST_F(Check, QuietRunsWriteNothing) {
    f.disk.readOnly.insert("c:\\tools"); // nor can a lock file: the run goes on without one
    check();
    EXPECT_FALSE(f.disk.hasFile(listPath));
    EXPECT_FALSE(outcome.report.blocked);
    f.disk.readOnly.clear();
    f.disk.addFile("C:\\Data\\free.txt");
    list("C:\\Data\\free.txt\r\n");
    f.profile.reads = 0;
    check();
    const int readsForOne = f.profile.reads;
    list("C:\\Data\\free.txt\r\nC:\\Data\\a.mdb\r\nC:\\Data\\b.mdb\r\n");
    f.profile.reads = 0;
    check();
    EXPECT_EQ(f.profile.reads, readsForOne) << "the settings are read once a run, not once a line";
    EXPECT_FALSE(outcome.report.blocked);
    f.disk.addFile(settingsPath, "[EventLog]\r\nWriteToNTEventLog=true\r\n");
    held("C:\\Data\\free.txt");
    check();
    EXPECT_TRUE(outcome.report.blocked);
    EXPECT_TRUE(f.eventLog.events.empty());
    EXPECT_TRUE(f.registry.calls.empty());
}

// Whatever cannot be told blocks the run, which says why.
TEST_F(Check, CannotTellBlocks) {
    // Tried as written first: trimmed, it would name a file that is not there.
    f.disk.cannotTell.insert(fake::FakeDisk::key("\\\\server\\share\\job.lock "));
    f.disk.addDrive('E', fake::Drive{false, 1});
    f.disk.addFile("C:\\Data\\free.txt");
    f.disk.throwsOn.insert(fake::FakeDisk::key("C:\\Data\\odd.txt"));
    // A line cut at the length limit, and one with a NUL, name no file for sure.
    const std::string cut = "C:\\" + std::string(CheckListReader::maxLineBytes, 'x');
    const std::string withNul("C:\\Data\\free.txt\0x", 19);
    // Nor does a path that depends on a current folder or drive; a line of blanks means none.
    const std::vector<std::string> relative = {"relative\\name.txt", "C:held.txt",
                                               "\\data\\held.txt", "%SystemDrive%\\held.txt"};
    list("\\\\server\\share\\job.lock \r\nE:\\x.mdb\r\nC:\\Data\\odd.txt\r\n" + relative[0] +
         "\r\n" + relative[1] + "\r\n" + relative[2] + "\r\n" + relative[3] +
         "\r\n \t \r\nC:\\Data\\gone.txt\r\n" + cut + "\r\n" + withNul + "\r\n");
    check();
    EXPECT_EQ(rows(),
              (std::vector<std::string>{"\\\\server\\share\\job.lock ", "E:\\x.mdb",
                                        "C:\\Data\\odd.txt", relative[0], relative[1], relative[2],
                                        relative[3], cut.substr(0, CheckListReader::maxLineBytes),
                                        "C:\\Data\\free.txt\\x00x\\x00"}));
    EXPECT_NE(f.eventLog.events.back().strings.at(0).find("free.txt\\x00x\\x00\r\n"),
              std::string::npos);
    // Nothing can be seen of other processes, or no file number is left to probe with.
    list("C:\\Data\\free.txt\r\n");
    for (const bool seeNothing : {true, false}) { // then no file number left
        f.disk.holdersUnknown = seeNothing;
        f.disk.fileNumbersLeft = seeNothing;
        f.eventLog.events.clear();
        check();
        EXPECT_EQ(entry(),
                  aborted + "\r\nUnable to determine if file is in use:  C:\\Data\\free.txt\r\n");
    }
}

TEST_F(Check, ListThatFailsHalfWayBlocksAfterCheckingWhatWasRead) {
    held("C:\\Data\\a.mdb");
    list("C:\\Data\\a.mdb\r\nC:\\Data\\b.mdb\r\n");
    f.disk.readFailsAt[fake::FakeDisk::key(listPath)] = f.disk.bytesOf(listPath).size() - 5;
    check();
    EXPECT_EQ(rows(), (std::vector<std::string>{"C:\\Data\\a.mdb", listPath}));
    EXPECT_EQ(f.disk.endedProbeRuns, 1) << "what the probes kept is let go";
}

// Shutdown locks keep the machine up as a file in use does; so does a bus that cannot say.
TEST_F(Check, BlockingShutdownLocksAndUnanswerableBusesWithhold) {
    using Status = platform::InhibitorList::Status;
    // Who, why and the user are anyone's to choose: none may forge, cut or colour the entry.
    f.inhibitors.answer = {
        Status::Answered,
        {{"sleep:shutdown", "backup.sh\r\n\r\nFile in use:  /etc/passwd",
          std::string("nightly\0 \x1b[2Jbackup", 19), "block", 0, 4711, "bad\nuser"}},
        ""};
    check();
    const std::string lock = "Shutdown inhibited by backup.sh\\r\\n\\r\\nFile in use:  /etc/passwd "
                             "(pid 4711, user bad\\nuser): nightly\\x00 \\x1b[2Jbackup";
    EXPECT_EQ(entry(), aborted + "\r\n" + lock + "\r\n");
    EXPECT_EQ(rows(), std::vector<std::string>{lock});
    f.eventLog.events.clear();
    f.inhibitors.answer = {Status::Undetermined, {}, "no answer within 2 s"};
    check();
    EXPECT_EQ(entry(),
              aborted +
                  "\r\nUnable to determine if shutdown is inhibited:  no answer within 2 s\r\n");
    f.disk.addFile(settingsPath, "[General]\r\nHonourInhibitors=0\r\n");
    check();
    EXPECT_FALSE(outcome.report.blocked);
}

} // namespace
} // namespace vesperon
