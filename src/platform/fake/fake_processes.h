#pragma once

#include "platform/processes.h"

#include <string>
#include <vector>

namespace vesperon::fake {

class FakeProcesses final : public platform::Processes {
public:
    platform::StartOutcome start(const platform::StartRequest& request) override {
        started.push_back(request);
        if (failure.empty()) {
            return {true, request.commandLine, ""};
        }
        return {false, request.commandLine, failure};
    }
    std::vector<platform::StartRequest> started;
    std::string failure; // the reason every start fails with; empty: starts succeed
};

} // namespace vesperon::fake
