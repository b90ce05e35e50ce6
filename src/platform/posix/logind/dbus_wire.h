#pragma once

#include "platform/shutdown_inhibitors.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The few pieces of the D-Bus wire format that asking the login manager for its inhibitor
// locks needs: one method call without arguments out, its answer in.
namespace vesperon::platform::posix::dbus {

inline constexpr std::uint8_t methodReturn = 2;
inline constexpr std::uint8_t error = 3;
// The longest message D-Bus itself lets through (128 MiB). logind holds up to 8,192 locks and
// limits the length of no reason, so its answer is bounded only here.
inline constexpr std::size_t maxMessage = std::size_t{1} << 27;

// A method call without arguments, little-endian, serial given.
std::string methodCall(std::uint32_t serial, std::string_view destination, std::string_view path,
                       std::string_view interface, std::string_view member);

// The length of the whole message at the front of bytes, once its fixed header is there:
// nullopt while fewer than 16 bytes are, 0 for a header no message can have. A length above
// maxMessage is that of a message too long to be read.
std::optional<std::size_t> messageLength(std::string_view bytes);

struct Message {
    std::uint8_t type = 0;
    bool bigEndian = false;
    std::uint32_t replySerial = 0; // 0 when the message answers nothing
    std::string errorName;
    std::string signature;
    std::string_view body; // into the bytes given to parseMessage
};

// Reads one whole message (exactly messageLength() bytes); false when it is malformed.
bool parseMessage(std::string_view bytes, Message& message);

// The locks in the body of ListInhibitors' answer, a(ssssuu): what, who, why, mode, uid, pid.
// The user names are left empty. False when the body is not that.
bool parseInhibitorLocks(const Message& message, std::vector<InhibitorLock>& locks);

} // namespace vesperon::platform::posix::dbus
