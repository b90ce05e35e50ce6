#include "platform/fake/fake_system.h"

#include "base/unicode_text.h"

#include <new>

namespace vesperon::fake {

std::optional<std::string> FakeSystem::legacyToUtf8(std::string_view bytes) {
    std::string text;
    for (const char c : bytes) {
        unicode::appendUtf8(text, static_cast<unsigned char>(c));
    }
    return text;
}

std::optional<std::string> FakeSystem::utf8ToLegacy(std::string_view text) {
    std::string bytes;
    for (std::size_t at = 0; at < text.size();) {
        const char32_t c = unicode::decodeUtf8(text, at);
        if (c > 0xFF) {
            return std::nullopt;
        }
        bytes += static_cast<char>(c);
    }
    return bytes;
}

} // namespace vesperon::fake
