#pragma once

#include "check/finding.h"
#include "config/settings_file.h"
#include "platform/platform.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace vesperon {

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

// One check over the check list: every entry in list order, then the system's shutdown
// inhibitor locks. Runs of one application folder take turns; the turn is taken when the run
// is made, so that the files it ensures are ensured by one run at a time. Its progress is
// kept in progress, under the guard of the platform's run bound.
class CheckRun {
public:
    CheckRun(platform::Platform& p, RunProgress& progress);
    ~CheckRun();
    CheckRun(const CheckRun&) = delete;
    CheckRun& operator=(const CheckRun&) = delete;

    // Hands every entry's finding to onEntry, if any, as soon as it is known; with
    // describeHolders a file in use names the processes that hold it.
    CheckRunReport run(const Settings& settings, const std::function<void(const Finding&)>& onEntry,
                       bool describeHolders = false);

private:
    void askInhibitors(bool asked, CheckRunReport& report);

    platform::Platform& p_;
    RunProgress& progress_;
    platform::LockAttempt turn_;
    std::string lockPath_;
};

// A lock keeps the machine up when it is a blocking one and covers shutdown.
bool inhibitsShutdown(const platform::InhibitorLock& lock);

} // namespace vesperon
