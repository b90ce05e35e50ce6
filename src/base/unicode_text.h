#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vesperon::unicode {

// Appends the UTF-8 form of one code point (U+FFFD for one that cannot be encoded).
void appendUtf8(std::string& out, char32_t codePoint);

// Appends text as UTF-16 code units, little- or big-endian.
void appendUtf16(std::string& out, std::string_view utf8, bool bigEndian);

// Checks UTF-8 handed over in pieces: a sequence may be cut between two pieces.
class Utf8Validator {
public:
    void feed(std::string_view bytes);
    // Valid so far and not stopped inside a sequence.
    bool valid() const { return valid_ && pending_ == 0; }
    bool sawNonAscii() const { return nonAscii_; }

private:
    bool valid_ = true;
    bool nonAscii_ = false;
    int pending_ = 0;         // continuation bytes still expected
    std::uint8_t low_ = 0x80; // allowed range of the next continuation byte
    std::uint8_t high_ = 0xBF;
};

// Decodes one code point of valid-or-not UTF-8 at text[at...]; advances at. Invalid bytes
// decode to U+FFFD one at a time.
char32_t decodeUtf8(std::string_view text, std::size_t& at);

// Text that another user may have chosen, made safe for a log or a terminal: every control
// character (C0, DEL, C1) and every byte that is not part of valid UTF-8 becomes one visible
// escape ("\r", "\n", "\t", "\x1b"); everything else, backslashes included, is kept.
std::string visible(std::string_view text);

} // namespace vesperon::unicode
