#pragma once

#include "app/run_outcome.h"
#include "check/check_session.h"
#include "platform/platform.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vesperon {

enum class RunKind { Restart, Shutdown, Test };

// What one run tells a monitor. For a test, the outcome is the one a run would have had.
struct RunRecord {
    RunKind kind = RunKind::Test;
    RunOutcome outcome = RunOutcome::Failed;
    EntryCounts entries;
    std::size_t inhibitorLocks = 0; // that held it back; a login manager that did not answer counts
    std::int64_t time = 0;          // seconds since 1970, UTC
};

// The record of a run whose check reported report, ended at time.
RunRecord runRecord(RunKind kind, RunOutcome outcome, const CheckRunReport& report,
                    std::int64_t time);

// Linux: when folder ([Metrics] TextfileDirectory) is not empty, replaces <base name>.prom
// there in one step with the run's metrics in the node exporter's text format. The times that
// outlive one run (a request last started, runs withheld since, each mode's last run) are
// carried on from the file the run replaces. A folder that cannot be written is said on
// standard error; the run's outcome stays what it was.
void writeRunMetrics(platform::Platform& p, const std::string& folder, const RunRecord& run);

// The text of the metrics file; previous: the one the last run wrote, if any.
std::string runMetricsText(const RunRecord& run, const std::optional<std::string>& previous);

} // namespace vesperon
