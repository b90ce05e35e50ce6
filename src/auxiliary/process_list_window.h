#pragma once

#include "forms/form.h"
#include "platform/process_listing.h"

#include <string>
#include <vector>

namespace vesperon {

// The running processes as the platform lists them: by snapshot (platform id 1) or by
// process id (platform id 2); any other id lists nothing.
std::vector<std::string> listProcesses(platform::ProcessListing& listing);

// The process list window: one line per process, rebuilt on each click of its button.
class Form5 final : public Form {
public:
    Form5(Forms& forms, platform::ProcessListing& listing);
    static platform::FormLayout layout();
    void Command1_Click();

protected:
    void Click(const std::string& control) override;

private:
    platform::ProcessListing& listing_;
};

} // namespace vesperon
