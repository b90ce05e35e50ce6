#include "app/app_folder.h"
#include "app/app_identity.h"
#include "app/form1.h"
#include "app/resume_next.h"
#include "check/in_use.h"
#include "check/listed_file.h"
#include "config/check_list_reader.h"
#include "config/settings_file.h"
#include "eventlog/event_writer.h"

namespace vesperon {

namespace {

// Ends the probe run however the check run ends, so that nothing stays open after it.
class ProbeRun {
public:
    explicit ProbeRun(platform::Files& files) : files_(files) { files_.beginProbeRun(); }
    ~ProbeRun() {
        resumeNext([&] { files_.endProbeRun(); });
    }
    ProbeRun(const ProbeRun&) = delete;
    ProbeRun& operator=(const ProbeRun&) = delete;

private:
    platform::Files& files_;
};

} // namespace

void Form1::CheckAllFiles(const bool& bShowList) {
    // Runs of one folder take turns: one run's probe would look like a holder to another.
    using Turn = platform::LockAttempt::Status;
    const std::string lockPath = checkRunLockPath(p_);
    platform::LockAttempt turn{Turn::TimedOut, nullptr};
    resumeNext([&] { turn = p_.files.lockFile(lockPath); });
    resumeNext([&] { EnsureConfig(); });
    resumeNext([&] { EnsureSettings(); });
    // One reading serves the whole run: the switch decides what this run reports.
    bool logging = false;
    resumeNext([&] {
        logging = settingIsOn(p_.profile, settingsFilePath(p_), settings::eventLogSection,
                              settings::writeToNTEventLog);
    });

    std::vector<std::string> abortReport;
    auto report = [&](const std::string& path) {
        bFileInUse = true;
        if (logging) {
            abortReport.push_back(abortReportBlock(sCheckMsg, path));
        }
        if (bShowList) {
            resumeNext([&] {
                form2_.Show();
                form2_.ListAddItem("List1", path);
            });
        }
    };
    // Whatever keeps the run from telling must not let the machine go down.
    auto undetermined = [&](const std::string& path) {
        sCheckMsg = inUseMessage(in_use::undetermined);
        report(path);
    };

    const std::string listPath = checkListPath(p_);
    try {
        CheckListReader list(p_.files, p_.system, listPath);
        if (turn.status == Turn::TimedOut) {
            undetermined(lockPath);
        } else if (list.status() == CheckListReader::Status::Unreadable) {
            undetermined(listPath);
        } else if (list.status() == CheckListReader::Status::Open) {
            ProbeRun probes(p_.files);
            ListLine line;
            while (list.next(line)) {
                if (!isCheckListEntry(line.text)) {
                    continue;
                }
                bool inUse = true;
                try {
                    inUse = !line.exact || CheckFile(line.text);
                    if (!line.exact) {
                        sCheckMsg = inUseMessage(in_use::undetermined);
                    }
                } catch (...) {
                    sCheckMsg = inUseMessage(in_use::undetermined);
                }
                if (inUse) {
                    report(line.text);
                }
            }
            if (list.failed()) {
                undetermined(listPath);
            }
        }
    } catch (...) {
        undetermined(listPath);
    }

    if (bFileInUse && logging) {
        for (const std::string& entry : abortedRunEntries(abortReport, p_.edition.maxEventText)) {
            resumeNext([&] {
                std::int32_t type = event_type::warning;
                std::int32_t id = 0;
                bool dll = false;
                WriteEvent(p_, entry, type, id, dll);
            });
        }
    }
}

void Form1::ConfigTest_Click() {
    bFileInUse = false;
    sCheckMsg.clear();
    resumeNext([&] { form2_.ListClear("List1"); });
    const bool showList = true;
    resumeNext([&] { CheckAllFiles(showList); });
    if (!bFileInUse) {
        p_.windowing.messageBox("Found no in-use files, this system would shutdown.",
                                platform::msgbox::okOnly, applicationTitle);
    }
}

bool Form1::CheckFile(std::string& sFile) {
    StripChars(sFile, "\"");
    ListedFile listed = locateListedFile(p_.files, p_.edition, sFile);
    sFile = std::move(listed.path);
    switch (listed.presence) {
    case platform::Presence::Absent:
    case platform::Presence::NotAFile:
        return false;
    case platform::Presence::Undetermined:
        sCheckMsg = inUseMessage(in_use::undetermined);
        return true;
    case platform::Presence::File:
        break;
    }
    const std::int16_t code = isFileInUse(sFile);
    if (code == in_use::free) {
        return false;
    }
    sCheckMsg = inUseMessage(code);
    return true;
}

std::int16_t Form1::isFileInUse(std::string path) {
    if (!p_.files.fileNumberAvailable()) {
        return in_use::undetermined;
    }
    switch (p_.files.probe(path)) {
    case platform::ProbeResult::Free:
        return in_use::free;
    case platform::ProbeResult::InUse:
        return in_use::inUse;
    case platform::ProbeResult::Undetermined:
        break;
    }
    return in_use::undetermined;
}

} // namespace vesperon
