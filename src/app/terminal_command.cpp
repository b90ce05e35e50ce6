#include "app/terminal_command.h"

#include "app/run_metrics.h"
#include "app/shutdown_request.h"
#include "base/app_identity.h"
#include "base/text.h"
#include "build_info.h"
#include "check/check_session.h"
#include "check/report_text.h"
#include "config/app_folder.h"
#include "fso/cls_fso.h"

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace vesperon {

namespace {

void print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

std::string helpText(platform::Platform& p) {
    const std::string folder = hasAppFolder(p) ? configFolder(p) : "<the program's folder>/";
    const std::string base = BaseName(p);
    return "Usage: " + base +
           " -r | -s | --test [--json] | --help | --version\n"
           "\n"
           "Restarts or shuts down the computer in one minute, unless a file on the check list\n"
           "is in use. Started without an argument it opens the configuration window.\n"
           "\n"
           "  -r              restart, when no listed file is in use\n"
           "  -s              shut down (power off), when no listed file is in use\n"
           "  --test          check now and print what a run would decide; requests nothing\n"
           "  --test --json   the same, as one JSON document\n"
           "  --help          this text\n"
           "  --version       the version and the commit it was built from\n"
           "\n"
           "Files, named after the program:\n"
           "  " +
           folder + base +
           ".cfg   the check list: one absolute path per line,\n"
           "      \";\" at the start of a line makes it a comment\n"
           "  " +
           folder + base +
           ".ini   the settings: [EventLog] WriteToNTEventLog=1 writes a\n"
           "      warning to syslog when a run is withheld; [General] ForceAppsToClose;\n"
           "      [General] HonourInhibitors=0 lets runs pass over shutdown inhibitor locks;\n"
           "      [Metrics] TextfileDirectory=<folder> writes " +
           base +
           ".prom there at every run,\n"
           "      for the node exporter's textfile collector\n"
           "\n"
           "Exit statuses:\n"
           "  0  the request was started (--test: would be)\n"
           "  1  the request could not be started, or the run could not work at all\n"
           "  2  the request was withheld: a listed file is in use or cannot be checked, or a\n"
           "     program holds a shutdown inhibitor lock (--test: would be)\n";
}

int runTest(platform::Platform& p, bool json, bool colour) {
    clsFSO fso(p);
    CheckSession session(p, [&]() -> clsFSO& { return fso; });
    // The start-up of every run: the check list and the settings file are ensured.
    if (!session.start()) {
        return 1; // no folder for the program's files: said on standard error already
    }
    report_text::TerminalReport out(json, colour);
    std::vector<std::string> warnings;
    if (session.folderWarning()) {
        warnings.push_back(*session.folderWarning());
    }
    session.onTimeUp = [&](const Finding& stuck, const CheckRunReport& report) {
        print(out.entry(stuck) + out.end(report, p.files.uninspectedProcesses(), warnings));
    };
    print(out.begin());
    const CheckOutcome outcome =
        session.check([&](const Finding& finding) { print(out.entry(finding)); }, true);
    const CheckRunReport& report = outcome.report;
    print(out.end(report, p.files.uninspectedProcesses(), warnings));
    writeRunMetrics(p, outcome.settings.textfileDirectory,
                    runRecord(RunKind::Test,
                              report.blocked ? RunOutcome::Withheld : RunOutcome::Started, report,
                              p.system.unixTimeSeconds()));
    return report.blocked ? 2 : 0;
}

} // namespace

namespace {

std::set<std::string> wordsOf(const std::string& arguments) {
    std::istringstream words(arguments);
    std::set<std::string> given;
    for (std::string word; words >> word;) {
        given.insert(word);
    }
    return given;
}

bool asksForTest(const std::set<std::string>& given) {
    return given == std::set<std::string>{"--test"} ||
           given == std::set<std::string>{"--test", "--json"};
}

} // namespace

bool isBoundedRun(const std::string& argumentText) {
    const std::string arguments = text::trimBlanksAndTabs(argumentText);
    return runModeOf(argumentText).has_value() ||
           (arguments.rfind("--", 0) == 0 && asksForTest(wordsOf(arguments)));
}

std::optional<int> runTerminalCommand(platform::Platform& p, bool colour) {
    const std::string arguments = text::trimBlanksAndTabs(p.system.argumentText());
    if (arguments.rfind("--", 0) != 0) {
        return std::nullopt;
    }
    const std::set<std::string> given = wordsOf(arguments);
    if (given == std::set<std::string>{"--help"}) {
        print(helpText(p));
        return 0;
    }
    if (given == std::set<std::string>{"--version"}) {
        print(std::string(applicationTitle) + " " + std::to_string(versionMajor) + "." +
              std::to_string(versionMinor) + " (commit " + VESPERON_COMMIT + ")\n");
        return 0;
    }
    if (asksForTest(given)) {
        return runTest(p, given.contains("--json"), colour && !given.contains("--json"));
    }
    p.system.writeStandardError(report_text::unknownArgumentsLine(arguments, BaseName(p)));
    return 1;
}

} // namespace vesperon
