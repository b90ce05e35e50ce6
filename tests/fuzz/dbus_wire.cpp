// Whatever answers on the system bus: a message whose length is checked first, then parsed,
// then read as a list of inhibitor locks.
#include "platform/posix/logind/dbus_wire.h"

#include <cstdlib>

namespace dbus = vesperon::platform::posix::dbus;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto length = dbus::messageLength(bytes);
    if (!length || *length == 0 || *length > bytes.size()) {
        return 0;
    }
    dbus::Message message;
    if (!dbus::parseMessage(bytes.substr(0, *length), message)) {
        return 0;
    }
    // The body is a view into the message, never past it.
    if (message.body.data() < bytes.data() ||
        message.body.data() + message.body.size() > bytes.data() + *length) {
        std::abort();
    }
    std::vector<vesperon::platform::InhibitorLock> locks;
    dbus::parseInhibitorLocks(message, locks);
    return 0;
}
