#include "app/run_metrics.h"

#include "base/app_identity.h"
#include "check/report_text.h"
#include "config/app_folder.h"

#include <array>
#include <utility>

namespace vesperon {

namespace {

constexpr std::array<std::pair<RunKind, const char*>, 3> modes{{
    {RunKind::Restart, "restart"},
    {RunKind::Shutdown, "shutdown"},
    {RunKind::Test, "test"},
}};

constexpr std::array<std::pair<RunOutcome, const char*>, 3> outcomes{{
    {RunOutcome::Started, "started"},
    {RunOutcome::Withheld, "withheld"},
    {RunOutcome::Failed, "failed"},
}};

const char* modeName(RunKind kind) {
    for (const auto& [k, name] : modes) {
        if (k == kind) {
            return name;
        }
    }
    return "test";
}

std::string lastRunSeries(const char* mode) {
    return std::string("vesperon_last_run_timestamp_seconds{mode=\"") + mode + "\"}";
}
const std::string lastRequestSeries = "vesperon_last_request_timestamp_seconds";
const std::string withheldSinceSeries = "vesperon_withheld_since_timestamp_seconds";

// No such time (yet): times are never before 1970.
constexpr std::int64_t none = -1;

// A time this program wrote into the previous file: a whole line "<series> <digits>". Anything
// else (a hand edit, a cut file) carries nothing on.
std::int64_t carried(const std::optional<std::string>& previous, const std::string& series) {
    if (!previous) {
        return none;
    }
    const std::string& text = *previous;
    const std::string head = series + " ";
    for (std::size_t at = text.find(head); at != std::string::npos; at = text.find(head, at + 1)) {
        if (at != 0 && text[at - 1] != '\n') {
            continue;
        }
        std::size_t digit = at + head.size();
        std::int64_t value = 0;
        std::size_t count = 0;
        for (; digit < text.size() && text[digit] >= '0' && text[digit] <= '9' && count < 18;
             ++digit, ++count) {
            value = value * 10 + (text[digit] - '0');
        }
        if (count > 0 && (digit == text.size() || text[digit] == '\n')) {
            return value;
        }
    }
    return none;
}

class Exposition {
public:
    void family(const char* name, const char* help) {
        text_ += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " gauge\n";
    }
    void sample(const std::string& series, std::int64_t value) {
        text_ += series + " " + std::to_string(value) + "\n";
    }
    std::string take() { return std::move(text_); }

private:
    std::string text_;
};

} // namespace

std::string runMetricsText(const RunRecord& run, const std::optional<std::string>& previous) {
    std::int64_t lastRequest = carried(previous, lastRequestSeries);
    std::int64_t withheldSince = carried(previous, withheldSinceSeries);
    // A test requests nothing: it neither starts nor continues a run of withheld nights.
    if (run.kind != RunKind::Test) {
        if (run.outcome == RunOutcome::Started) {
            lastRequest = run.time;
            withheldSince = none;
        } else if (run.outcome == RunOutcome::Withheld && withheldSince == none) {
            withheldSince = run.time;
        }
    }

    Exposition out;
    out.family("vesperon_info", "The Vesperon that wrote this file.");
    out.sample(std::string("vesperon_info{version=\"") + std::to_string(versionMajor) + "." +
                   std::to_string(versionMinor) + "." + std::to_string(versionRevision) + "\"}",
               1);
    out.family("vesperon_last_run_timestamp_seconds",
               "When the last run of each mode ended (restart, shutdown, or test).");
    for (const auto& [kind, name] : modes) {
        const std::int64_t time =
            kind == run.kind ? run.time : carried(previous, lastRunSeries(name));
        if (time != none) {
            out.sample(lastRunSeries(name), time);
        }
    }
    out.family("vesperon_last_run_outcome",
               "1 for the outcome of the last run (for a test: the one a run would have had).");
    for (const auto& [outcome, name] : outcomes) {
        out.sample(std::string("vesperon_last_run_outcome{mode=\"") + modeName(run.kind) +
                       "\",outcome=\"" + name + "\"}",
                   outcome == run.outcome ? 1 : 0);
    }
    out.family("vesperon_last_run_entries", "Check-list entries of the last run, by state.");
    const std::pair<const char*, std::size_t> entries[] = {
        {"in_use", run.entries.inUse},
        {"undetermined", run.entries.undetermined},
        {"missing", run.entries.missing},
    };
    for (const auto& [state, count] : entries) {
        out.sample(std::string("vesperon_last_run_entries{state=\"") + state + "\"}",
                   static_cast<std::int64_t>(count));
    }
    out.family("vesperon_last_run_inhibitor_locks",
               "Shutdown inhibitor locks that held the last run back.");
    out.sample("vesperon_last_run_inhibitor_locks", static_cast<std::int64_t>(run.inhibitorLocks));
    if (lastRequest != none) {
        out.family(lastRequestSeries.c_str(), "When a restart or shutdown was last requested.");
        out.sample(lastRequestSeries, lastRequest);
    }
    if (withheldSince != none) {
        out.family(withheldSinceSeries.c_str(),
                   "The first run withheld since the last request: the machine has been up since.");
        out.sample(withheldSinceSeries, withheldSince);
    }
    return out.take();
}

RunRecord runRecord(RunKind kind, RunOutcome outcome, const CheckRunReport& report,
                    std::int64_t time) {
    return {kind, outcome, report.entries, report.inhibitorRows.size(), time};
}

void writeRunMetrics(platform::Platform& p, const std::string& folder, const RunRecord& run) {
    if (!p.edition.textfileMetrics) {
        return;
    }
    if (folder.empty()) {
        return;
    }
    if (folder.front() != p.edition.separator) {
        p.system.writeStandardError(report_text::metricsFolderNotAbsoluteLine());
        return;
    }
    std::string path = folder;
    if (path.back() != p.edition.separator) {
        path += p.edition.separator;
    }
    path += BaseName(p) + ".prom";
    std::optional<std::string> previous;
    if (platform::FileRead read = p.files.readWhole(path);
        read.status == platform::FileRead::Status::Read) {
        previous = std::move(read.bytes);
    }
    if (!p.files.replaceFile(path, runMetricsText(run, previous))) {
        p.system.writeStandardError(report_text::metricsUnwritableLine(path));
    }
}

} // namespace vesperon
