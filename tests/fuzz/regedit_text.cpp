// The REGEDIT4 reader and writer: key path, value name, then a type byte and the data, then
// the file's bytes ("key\x01name\x01<type>data\x01file").
#include "platform/posix/regedit/regedit_text.h"

#include "fields.h"
#include "support/regedit_values.h"

#include <algorithm>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vesperon::platform::regedit_text;
    using vesperon::test::storedLine;
    const auto fields = vesperon::fuzz::fieldsOf(data, size, 4);
    const std::string_view key = fields[0], name = fields[1], typed = fields[2];
    const std::string_view file = fields[3];
    // The types the program writes (1, 3, 4) and others that a hand edit may hold.
    const std::uint32_t type = typed.empty() ? 1 : static_cast<unsigned char>(typed[0]) % 12;
    const std::vector<std::uint8_t> bytes(typed.empty() ? typed.end() : typed.begin() + 1,
                                          typed.end());

    storedLine(file, key, name);
    const std::string withKey = ensureKey(file, key);
    if (ensureKey(withKey, key) != withKey) {
        std::abort(); // a key is added once
    }
    const std::string written = setValue(file, key, name, type, bytes);
    if (setValue(written, key, name, type, bytes) != written) {
        std::abort(); // writing the same value again changes nothing
    }
    const bool writable = key.find_first_of("\r\n") == std::string_view::npos &&
                          (key.empty() || key.front() != '-') &&
                          name.find_first_of("\r\n") == std::string_view::npos;
    // The writer ends its lines as the file already does, and a last line without an end
    // stays so: only the line ends may differ.
    auto lineEndsAsLf = [](std::string text) {
        for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) {
            text.erase(at, 1);
        }
        std::replace(text.begin(), text.end(), '\r', '\n');
        if (!text.empty() && text.back() == '\n') {
            text.pop_back();
        }
        return text;
    };
    const auto stored = storedLine(written, key, name);
    if (writable &&
        (!stored || lineEndsAsLf(*stored) != lineEndsAsLf(formatValueLine(name, type, bytes)))) {
        std::abort(); // the value's last line, the one an import takes, is the one written
    }
    if (!writable && written != file) {
        std::abort(); // what cannot be written leaves the file as it was
    }
    return 0;
}
