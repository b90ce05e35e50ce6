#pragma once

#include "platform/shutdown_inhibitors.h"

namespace vesperon::fake {

// Inhibitor locks as a test sets them.
class FakeInhibitors final : public platform::ShutdownInhibitors {
public:
    platform::InhibitorList list() override {
        ++asked;
        return answer;
    }
    platform::InhibitorList answer{platform::InhibitorList::Status::NoService, {}, "no bus"};
    int asked = 0;
};

} // namespace vesperon::fake
