#include "platform/posix/logind/dbus_wire.h"

namespace vesperon::platform::posix::dbus {

namespace {

constexpr std::size_t fixedHeader = 16;

std::size_t aligned(std::size_t at, std::size_t boundary) {
    return (at + boundary - 1) / boundary * boundary;
}

// Reads values of a message whose alignment counts from its first byte.
class Reader {
public:
    Reader(std::string_view bytes, bool bigEndian) : bytes_(bytes), bigEndian_(bigEndian) {}
    std::size_t at() const { return at_; }
    void seek(std::size_t at) { at_ = at; }
    bool align(std::size_t boundary) {
        at_ = aligned(at_, boundary);
        return at_ <= bytes_.size();
    }
    bool byte(std::uint8_t& value) {
        if (at_ + 1 > bytes_.size()) {
            return false;
        }
        value = static_cast<std::uint8_t>(bytes_[at_++]);
        return true;
    }
    bool uint32(std::uint32_t& value) {
        if (!align(4) || at_ + 4 > bytes_.size()) {
            return false;
        }
        value = 0;
        for (int i = 0; i < 4; ++i) {
            const auto b = static_cast<std::uint8_t>(bytes_[at_ + static_cast<std::size_t>(i)]);
            value |= static_cast<std::uint32_t>(b) << (8 * (bigEndian_ ? 3 - i : i));
        }
        at_ += 4;
        return true;
    }
    // A string or object path: length, bytes, NUL.
    bool string(std::string& value) {
        std::uint32_t length = 0;
        if (!uint32(length) || length >= bytes_.size() - at_ || bytes_[at_ + length] != '\0') {
            return false;
        }
        value.assign(bytes_.substr(at_, length));
        at_ += length + 1;
        return true;
    }
    // A signature: one byte of length, bytes, NUL.
    bool signature(std::string& value) {
        std::uint8_t length = 0;
        if (!byte(length) || length >= bytes_.size() - at_ || bytes_[at_ + length] != '\0') {
            return false;
        }
        value.assign(bytes_.substr(at_, length));
        at_ += length + 1U;
        return true;
    }

private:
    std::string_view bytes_;
    bool bigEndian_;
    std::size_t at_ = 0;
};

void putUint32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

void pad(std::string& out, std::size_t boundary) {
    out.resize(aligned(out.size(), boundary), '\0');
}

void stringField(std::string& out, std::uint8_t code, char type, std::string_view value) {
    pad(out, 8);
    out += static_cast<char>(code);
    out += '\1';
    out += type;
    out += '\0';
    pad(out, 4);
    putUint32(out, static_cast<std::uint32_t>(value.size()));
    out += value;
    out += '\0';
}

} // namespace

std::string methodCall(std::uint32_t serial, std::string_view destination, std::string_view path,
                       std::string_view interface, std::string_view member) {
    std::string fields;
    fields.resize(fixedHeader); // alignment counts from the message's first byte
    stringField(fields, 1, 'o', path);
    stringField(fields, 2, 's', interface);
    stringField(fields, 3, 's', member);
    stringField(fields, 6, 's', destination);
    std::string out("l\1\0\1", 4); // little-endian, method call, no flags, version 1
    putUint32(out, 0);             // no body
    putUint32(out, serial);
    putUint32(out, static_cast<std::uint32_t>(fields.size() - fixedHeader));
    out += fields.substr(fixedHeader);
    pad(out, 8);
    return out;
}

std::optional<std::size_t> messageLength(std::string_view bytes) {
    if (bytes.size() < fixedHeader) {
        return std::nullopt;
    }
    if ((bytes[0] != 'l' && bytes[0] != 'B') || bytes[3] != 1) {
        return 0;
    }
    Reader reader(bytes.substr(0, fixedHeader), bytes[0] == 'B');
    std::uint32_t body = 0;
    std::uint32_t serial = 0;
    std::uint32_t fields = 0;
    reader.seek(4); // past endianness, type, flags and version
    if (!reader.uint32(body) || !reader.uint32(serial) || !reader.uint32(fields)) {
        return 0;
    }
    return aligned(fixedHeader + std::size_t{fields}, 8) + std::size_t{body};
}

bool parseMessage(std::string_view bytes, Message& message) {
    const auto length = messageLength(bytes);
    if (!length || *length == 0 || *length > maxMessage || *length != bytes.size()) {
        return false;
    }
    message = Message{};
    message.bigEndian = bytes[0] == 'B';
    message.type = static_cast<std::uint8_t>(bytes[1]);
    Reader reader(bytes, message.bigEndian);
    std::uint32_t fieldsLength = 0;
    reader.seek(12);
    if (!reader.uint32(fieldsLength)) {
        return false;
    }
    const std::size_t fieldsEnd = fixedHeader + fieldsLength;
    while (reader.align(8) && reader.at() < fieldsEnd) {
        std::uint8_t code = 0;
        std::string type;
        if (!reader.byte(code) || !reader.signature(type) || type.size() != 1) {
            return false;
        }
        std::string text;
        std::uint32_t number = 0;
        bool ok = false;
        switch (type[0]) {
        case 's':
        case 'o':
            ok = reader.string(text);
            break;
        case 'g':
            ok = reader.signature(text);
            break;
        case 'u':
        case 'h':
            ok = reader.uint32(number);
            break;
        default:
            return false; // no header field has another type
        }
        if (!ok || reader.at() > fieldsEnd) {
            return false;
        }
        if (code == 4 && type[0] == 's') {
            message.errorName = text;
        } else if (code == 5 && type[0] == 'u') {
            message.replySerial = number;
        } else if (code == 8 && type[0] == 'g') {
            message.signature = text;
        }
    }
    const std::size_t bodyStart = aligned(fieldsEnd, 8);
    if (bodyStart > bytes.size()) {
        return false;
    }
    message.body = bytes.substr(bodyStart);
    return true;
}

bool parseInhibitorLocks(const Message& message, std::vector<InhibitorLock>& locks) {
    locks.clear();
    if (message.signature != "a(ssssuu)") {
        return false;
    }
    // The body starts on an 8-byte boundary of the message, so its own offsets align alike.
    Reader reader(message.body, message.bigEndian);
    std::uint32_t length = 0;
    if (!reader.uint32(length) || !reader.align(8) || length > message.body.size() - reader.at()) {
        return false;
    }
    const std::size_t end = reader.at() + length;
    while (reader.at() < end) {
        InhibitorLock lock;
        if (!reader.align(8) || !reader.string(lock.what) || !reader.string(lock.who) ||
            !reader.string(lock.why) || !reader.string(lock.mode) || !reader.uint32(lock.uid) ||
            !reader.uint32(lock.pid) || reader.at() > end) {
            return false;
        }
        locks.push_back(std::move(lock));
    }
    return true;
}

} // namespace vesperon::platform::posix::dbus
