#include "base/unicode_text.h"

namespace vesperon::unicode {

namespace {

constexpr char32_t replacement = 0xFFFD;

bool isSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

} // namespace

void appendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || isSurrogate(c)) {
        c = replacement;
    }
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void appendUtf16(std::string& out, std::string_view utf8, bool bigEndian) {
    auto unit = [&](char32_t u) {
        const char high = static_cast<char>((u >> 8) & 0xFF);
        const char low = static_cast<char>(u & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    };
    for (std::size_t at = 0; at < utf8.size();) {
        const char32_t c = decodeUtf8(utf8, at);
        if (c >= 0x10000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
    }
}

void Utf8Validator::feed(std::string_view bytes) {
    for (const char ch : bytes) {
        if (!valid_) {
            return;
        }
        const auto b = static_cast<std::uint8_t>(ch);
        if (pending_ > 0) {
            if (b < low_ || b > high_) {
                valid_ = false;
                return;
            }
            --pending_;
            low_ = 0x80;
            high_ = 0xBF;
            continue;
        }
        if (b < 0x80) {
            continue;
        }
        nonAscii_ = true;
        // The first continuation byte's range rules out overlong forms, surrogates and
        // code points above U+10FFFF.
        if (b >= 0xC2 && b <= 0xDF) {
            pending_ = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            pending_ = 2;
            low_ = b == 0xE0 ? 0xA0 : 0x80;
            high_ = b == 0xED ? 0x9F : 0xBF;
        } else if (b >= 0xF0 && b <= 0xF4) {
            pending_ = 3;
            low_ = b == 0xF0 ? 0x90 : 0x80;
            high_ = b == 0xF4 ? 0x8F : 0xBF;
        } else {
            valid_ = false;
        }
    }
}

char32_t decodeUtf8(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<std::uint8_t>(text[at]);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    Utf8Validator check;
    int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (at + static_cast<std::size_t>(length) > text.size()) {
        ++at;
        return replacement;
    }
    check.feed(text.substr(at, static_cast<std::size_t>(length)));
    if (!check.valid()) {
        ++at;
        return replacement;
    }
    char32_t c = lead & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
    for (int i = 1; i < length; ++i) {
        c = (c << 6) | (static_cast<std::uint8_t>(text[at + static_cast<std::size_t>(i)]) & 0x3F);
    }
    at += static_cast<std::size_t>(length);
    return c;
}

std::string visible(std::string_view text) {
    static const char hex[] = "0123456789abcdef";
    auto escape = [](std::string& out, unsigned value) {
        out += "\\x";
        out += hex[(value >> 4) & 0xF];
        out += hex[value & 0xF];
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = at;
        const char32_t c = decodeUtf8(text, at);
        const std::string_view bytes = text.substr(start, at - start);
        if (c == replacement && bytes != "\xEF\xBF\xBD") {
            escape(out, static_cast<std::uint8_t>(text[start]));
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            escape(out, static_cast<unsigned>(c));
        } else {
            out += bytes;
        }
    }
    return out;
}

} // namespace vesperon::unicode
