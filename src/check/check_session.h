#pragma once

#include "check/finding.h"
#include "config/settings_file.h"
#include "platform/platform.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vesperon {

class clsFSO;

// How many entries of a check run were in each state that a monitor watches.
struct EntryCounts {
    std::size_t inUse = 0;
    std::size_t undetermined = 0;
    std::size_t missing = 0;
};

// What a whole check run found beyond its entries.
struct CheckRunReport {
    bool blocked = false; // an entry in use or undetermined, or a lock that inhibits shutdown
    EntryCounts entries;
    bool logging = false; // [EventLog] WriteToNTEventLog was "1" for this run
    // The blocks of the warning entry, when logging: the entries, then the inhibitor locks.
    std::vector<std::string> abortBlocks;
    bool inhibitorsAsked = false; // false: turned off with [General] HonourInhibitors=0
    platform::InhibitorList inhibitors;
    // The rows a results window lists for the inhibitors that block.
    std::vector<std::string> inhibitorRows;
};

// What a check run has got to, kept where the run's bound can read it (under its guard) when
// the run is stuck and must be ended: what it was looking at, and the report so far.
struct RunProgress {
    std::string subject; // the entry being tested, or the check list
    CheckRunReport report;
};

// The finding of a path that could not be told.
Finding undeterminedFinding(const std::string& path);

// A lock keeps the machine up when it is a blocking one and covers shutdown.
bool inhibitsShutdown(const platform::InhibitorLock& lock);

// What one check decided, and what it found.
struct CheckOutcome {
    CheckRunReport report; // report.blocked is the decision
    Settings settings;     // as the check read them
};

// One check of the machine, as a run mode, "Test Now" and `vesperon --test` make it. begin()
// and the two ensures are the start-up of every run; check() is one check run. Callers keep
// one session for the life of the program.
class CheckSession {
public:
    // fso hands over the file-system object whose existence checks the ensures ask, made on
    // first use.
    CheckSession(platform::Platform& p, std::function<clsFSO&()> fso);
    ~CheckSession();
    CheckSession(const CheckSession&) = delete;
    CheckSession& operator=(const CheckSession&) = delete;

    // The start of a run, before anything else: where the platform bounds the run, one stuck
    // past the bound (on a file system that stopped answering) is ended as one that could not
    // tell. False when the program has no absolute folder for its files, said on standard
    // error: then nothing may be checked, written or requested. A folder that other users may
    // change is said on standard error and kept in folderWarning().
    bool begin();
    // Both files, created when nothing is there; what merely cannot be seen is left alone.
    void ensureCheckList();
    void ensureSettingsFile();
    // begin(), both files ensured and the settings read, as `vesperon --test` starts.
    bool start();
    // The settings as the file holds them now; the first read that finds the file unreadable
    // says so on standard error.
    Settings readSettings();

    // One check run: takes the turn, ensures both files, reads the settings once, tests every
    // entry of the check list in order (handing each finding to onEntry as soon as it is
    // known; with describeHolders a file in use names its holders), asks for the inhibitor
    // locks, and writes the warning when the run is withheld and logging is on.
    CheckOutcome check(const std::function<void(const Finding&)>& onEntry = nullptr,
                       bool describeHolders = false);
    // Writes entry as a warning when the settings file asks for logging.
    void warn(const std::string& entry);

    const std::optional<std::string>& folderWarning() const { return folderWarning_; }
    // Called, from the run bound's thread, when the run was stuck past its bound: with the
    // entry it was stuck on, found undetermined, and the report so far (which it blocks).
    std::function<void(const Finding&, const CheckRunReport&)> onTimeUp;

private:
    // The run is stuck past its bound: says so and writes its warning; the exit status.
    int timeUp();
    void writeWarning(const CheckRunReport& report);

    platform::Platform& p_;
    std::function<clsFSO&()> fso_;
    RunProgress progress_;
    std::optional<std::string> folderWarning_;
    bool saidUnreadable_ = false;
};

} // namespace vesperon
