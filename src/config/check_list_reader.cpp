#include "config/check_list_reader.h"

#include "base/unicode_text.h"

#include <algorithm>

namespace vesperon {

namespace {

constexpr std::size_t chunkBytes = std::size_t{64} * 1024;
constexpr int noUnit = -1;

bool startsWith(const std::string& bytes, std::string_view mark) {
    return bytes.compare(0, mark.size(), mark) == 0;
}

} // namespace

bool isCheckListEntry(const std::string& line) {
    return !line.empty() && line.front() != ';';
}

CheckListReader::CheckListReader(platform::Files& files, platform::System& system,
                                 const std::string& path)
    : system_(system) {
    platform::OpenedFile opened = files.openForReading(path);
    switch (opened.status) {
    case platform::FileRead::Status::Absent:
        status_ = Status::Absent;
        return;
    case platform::FileRead::Status::Unreadable:
        status_ = Status::Unreadable;
        return;
    case platform::FileRead::Status::Read:
        break;
    }
    file_ = std::move(opened.file);
    status_ = Status::Open;
    buffer_.reserve(chunkBytes);
    if (!learnEncoding()) {
        failed_ = true;
    }
}

CheckListReader::~CheckListReader() = default;

bool CheckListReader::fill() {
    if (atEnd_ || failed_) {
        return false;
    }
    buffer_.resize(chunkBytes);
    // A read may hand over less than asked for long before the end (a network file system, a
    // signal), so a piece is topped up until a read of nothing marks the end: a short piece
    // then means the whole rest of the file. An error after some bytes meets the next read.
    std::size_t used = 0;
    long n = 0;
    while (used < buffer_.size() &&
           (n = file_->read(buffer_.data() + used, buffer_.size() - used)) > 0) {
        used += static_cast<std::size_t>(n);
    }
    if (used == 0 && n < 0) {
        failed_ = true;
        buffer_.clear();
        return false;
    }
    buffer_.resize(used);
    at_ = 0;
    atEnd_ = used == 0;
    return !atEnd_;
}

bool CheckListReader::learnEncoding() {
    if (!fill()) {
        return !failed_;
    }
    if (startsWith(buffer_, "\xEF\xBB\xBF")) {
        encoding_ = ListEncoding::Utf8WithMark;
        at_ = 3;
        return true;
    }
    if (startsWith(buffer_, "\xFF\xFE")) {
        encoding_ = ListEncoding::Utf16Le;
        at_ = 2;
        return true;
    }
    if (startsWith(buffer_, "\xFE\xFF")) {
        encoding_ = ListEncoding::Utf16Be;
        at_ = 2;
        return true;
    }
    unicode::Utf8Validator utf8;
    utf8.feed(buffer_);
    const bool wholeFileInBuffer = buffer_.size() < chunkBytes;
    while (!wholeFileInBuffer && utf8.valid() && fill()) {
        utf8.feed(buffer_);
    }
    if (failed_) {
        return false;
    }
    asciiOnly_ = !utf8.sawNonAscii();
    encoding_ =
        utf8.valid() && utf8.sawNonAscii() ? ListEncoding::Utf8 : ListEncoding::SystemCodePage;
    if (wholeFileInBuffer) {
        at_ = 0;
        return true;
    }
    // Second pass: the lines themselves.
    if (!file_->rewind()) {
        return false;
    }
    atEnd_ = false;
    buffer_.clear();
    at_ = 0;
    return true;
}

bool CheckListReader::nextByte(unsigned char& byte) {
    if (at_ >= buffer_.size() && !fill()) {
        return false;
    }
    byte = static_cast<unsigned char>(buffer_[at_++]);
    return true;
}

bool CheckListReader::nextUtf16Character(std::string& out, bool& exact) {
    out.clear();
    auto nextUnit = [&]() -> int {
        unsigned char first = 0;
        unsigned char second = 0;
        if (!nextByte(first)) {
            return noUnit;
        }
        if (!nextByte(second)) {
            exact = false; // half a character at the very end
            return noUnit;
        }
        return encoding_ == ListEncoding::Utf16Le ? first | (second << 8) : (first << 8) | second;
    };
    const int unit = nextUnit();
    if (unit == noUnit) {
        return false;
    }
    char32_t c = static_cast<char32_t>(unit);
    if (c >= 0xD800 && c <= 0xDBFF) {
        const std::size_t mark = at_;
        const int low = nextUnit();
        if (low >= 0xDC00 && low <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(low) - 0xDC00);
        } else {
            exact = false;
            c = 0xFFFD;
            if (low != noUnit && mark + 2 <= buffer_.size() && at_ == mark + 2) {
                at_ = mark; // not a low surrogate: it starts the next character
            }
        }
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
        exact = false;
        c = 0xFFFD;
    }
    unicode::appendUtf8(out, c);
    return true;
}

bool CheckListReader::next(ListLine& line) {
    line.text.clear();
    line.exact = true;
    if (status_ != Status::Open || failed_) {
        return false;
    }
    std::string bytes;
    bool exact = true;
    const bool utf16 = encoding_ == ListEncoding::Utf16Le || encoding_ == ListEncoding::Utf16Be;
    if (!utf16) {
        return nextByteLine(line, bytes, exact);
    }
    std::string character;
    bool any = false;
    while (nextUtf16Character(character, exact)) {
        empty_ = false;
        const bool lineEnd = character == "\r" || character == "\n";
        if (pendingCr_) {
            pendingCr_ = false;
            if (character == "\n") {
                continue; // the LF of a CR LF pair
            }
        }
        endsWithLineEnd_ = lineEnd;
        if (lineEnd) {
            pendingCr_ = character == "\r";
            finishLine(line, bytes, exact);
            return true;
        }
        any = true;
        if (bytes.size() + character.size() <= maxLineBytes) {
            bytes += character;
        } else {
            exact = false;
        }
    }
    if (failed_ || !any) {
        return false;
    }
    finishLine(line, bytes, exact);
    return true;
}

bool CheckListReader::nextByteLine(ListLine& line, std::string& bytes, bool& exact) {
    bool any = false;
    for (;;) {
        if (at_ >= buffer_.size() && !fill()) {
            break;
        }
        if (pendingCr_) {
            pendingCr_ = false;
            if (buffer_[at_] == '\n') {
                ++at_; // the LF of a CR LF pair
                continue;
            }
        }
        empty_ = false;
        const std::size_t end = buffer_.find_first_of("\r\n", at_);
        const std::size_t stop = end == std::string::npos ? buffer_.size() : end;
        const std::size_t room = maxLineBytes - std::min(bytes.size(), maxLineBytes);
        if (stop - at_ > room) {
            exact = false;
        }
        bytes.append(buffer_, at_, std::min(stop - at_, room));
        any = any || stop > at_;
        endsWithLineEnd_ = end != std::string::npos;
        if (end == std::string::npos) {
            at_ = buffer_.size();
            continue;
        }
        pendingCr_ = buffer_[end] == '\r';
        at_ = end + 1;
        finishLine(line, bytes, exact);
        return true;
    }
    if (failed_ || !any) {
        return false;
    }
    finishLine(line, bytes, exact);
    return true;
}

void CheckListReader::finishLine(ListLine& line, std::string& bytes, bool& exact) {
    line.exact = exact;
    exact = true;
    if (encoding_ == ListEncoding::SystemCodePage) {
        if (auto text = system_.legacyToUtf8(bytes)) {
            line.text = std::move(*text);
        } else {
            line.text = std::move(bytes);
            line.exact = false;
        }
    } else {
        if (encoding_ == ListEncoding::Utf8WithMark) {
            unicode::Utf8Validator check;
            check.feed(bytes);
            line.exact = line.exact && check.valid();
        }
        line.text = std::move(bytes);
    }
    bytes.clear();
}

} // namespace vesperon
