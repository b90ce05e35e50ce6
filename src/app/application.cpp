#include "app/application.h"

#include "check/report_text.h"

#include <string>

namespace vesperon {

namespace {

int exitStatus(RunOutcome outcome) {
    switch (outcome) {
    case RunOutcome::Started:
        return 0;
    case RunOutcome::Withheld:
        return 2;
    case RunOutcome::Failed:
        break;
    }
    return 1;
}

} // namespace

int runApplication(platform::Platform& platform) {
    Forms forms(platform.windowing);
    Form1 form1(platform, forms);
    form1.Load();
    if (form1.runOutcome) {
        return exitStatus(*form1.runOutcome);
    }
    if (!form1.Loaded()) {
        return 0;
    }
    if (!platform.windowing.available()) {
        std::string reason = platform.windowing.unavailableReason();
        if (reason.empty()) {
            reason = report_text::noDisplay();
        }
        form1.reportNoWindow(reason);
        return 1;
    }
    forms.enableWindows();
    form1.Show();
    platform.windowing.runUntil([&] { return forms.empty(); });
    return 0;
}

} // namespace vesperon
