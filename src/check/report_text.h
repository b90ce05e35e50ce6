#pragma once

#include "check/check_session.h"
#include "check/finding.h"
#include "platform/processes.h"
#include "platform/shutdown_inhibitors.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Every text the program writes about a run, and nothing else: the warning that a withheld or
// failed run leaves in the log, the rows of the results window, the lines for standard error
// and what `vesperon --test` prints. A change of wording is made here. Whatever other users
// choose (file names, a lock's who and why, an argument text) is made visible before it goes
// into any of them.
namespace vesperon::report_text {

// --- The warning: a header line, then one block per reason

// The outcome message of a listed file that blocks: "File in use", "Unable to determine if
// file is in use", and "Unknown Error" for any other code of the single-file test.
std::string inUseMessage(std::int16_t code);
// One block of a withheld run's warning: CR LF, message, ":  ", path, CR LF.
std::string abortBlock(const std::string& message, const std::string& path);
// The block of an inhibitor lock (its row of the results window).
std::string inhibitorBlock(const std::string& row);
// A withheld run's warning as log entries of at most maxLength characters: each its header
// line, CR LF, then as many whole blocks as fit.
std::vector<std::string> abortedRunEntries(const std::vector<std::string>& blocks,
                                           std::size_t maxLength);
// The warning of a request that could not be started or that its command refused.
std::string failedRequestEntry(const platform::StartOutcome& outcome);
// The warning of an argument text that selects no run mode, started where the configuration
// window cannot be shown (reason says why).
std::string notStartedEntry(const std::string& argumentText, const std::string& reason);

// --- The results window's rows

// An entry that blocks the run: its path, with what a terminal would act on escaped.
std::string entryRow(const Finding& finding);
// "Shutdown inhibited by backup.sh (pid 4711, user root): nightly backup"
std::string inhibitorRow(const platform::InhibitorLock& lock);
// A login manager that could not say which locks it holds.
std::string inhibitorsUndeterminedRow(const std::string& problem);

// --- The configuration window

// "Test Now" found nothing in use.
inline constexpr const char* nothingInUse = "Found no in-use files, this system would shutdown.";

// --- Lines for standard error, each a whole line without its line end

std::string noAppFolderLine();
// The program's folder, or one it lies in, may be changed by other users (also said by
// --test).
std::string othersMayChange(const std::string& folder);
std::string settingsUnreadableLine(const std::string& path, const std::string& why);
// How many processes could not be looked into (also said by --test, without "vesperon: ").
std::string uninspected(std::size_t count);
std::string uninspectedLine(std::size_t count);
std::string failedRequestLine(const platform::StartOutcome& outcome);
std::string notStartedLine(const std::string& argumentText, const std::string& reason);
// Interactive mode without a display, the argument text empty.
std::string noWindowLine(const std::string& reason);
// Why no window can be shown, when the windowing has nothing better to say.
std::string noDisplay();
// The run was stuck past its bound of seconds at path.
std::string timeUpLine(long long seconds, const std::string& path);
std::string unknownArgumentsLine(const std::string& arguments, const std::string& baseName);
std::string metricsFolderNotAbsoluteLine();
std::string metricsUnwritableLine(const std::string& path);

// --- `vesperon --test`

// "in use", "free", "missing", "undetermined", "not a file".
const char* stateName(EntryState state);
// A JSON string, quotes included; bytes that are no UTF-8 become U+FFFD.
std::string jsonString(const std::string& text);

// What `vesperon --test` prints, piece by piece as the check run goes: as aligned text for a
// terminal, or as one JSON document.
class TerminalReport {
public:
    TerminalReport(bool json, bool colour) : json_(json), colour_(colour) {}
    // The opening of the document (nothing for text).
    std::string begin() const;
    std::string entry(const Finding& finding);
    // The inhibitors, the warnings, the decision and what could not be inspected; the
    // document's end.
    std::string end(const CheckRunReport& report, std::size_t uninspectedProcesses,
                    const std::vector<std::string>& warnings = {});

private:
    std::string paint(const std::string& text, const char* colour) const;

    bool json_;
    bool colour_;
    bool firstEntry_ = true;
    std::size_t entries_ = 0;
};

} // namespace vesperon::report_text
