#include "config/check_list_reader.h"

#include "base/unicode_text.h"

#include <algorithm>
#include <string_view>

namespace vesperon {

namespace {

constexpr std::size_t chunkBytes = std::size_t{64} * 1024;

// No path that a person meant holds a NUL or a control character (C0 but tab, DEL, C1;
// in UTF-8 a C1 character is 0xC2 and a byte from 0x80 to 0x9F).
bool holdsControlCharacter(std::string_view text) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto c = static_cast<unsigned char>(text[at]);
        if ((c < 0x20 && c != '\t') || c == 0x7F ||
            (c == 0xC2 && at + 1 < text.size() &&
             (static_cast<unsigned char>(text[at + 1]) & 0xE0) == 0x80)) {
            return true;
        }
    }
    return false;
}

bool isAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
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
    ensure(3);
    const std::string_view head(buffer_);
    if (head.starts_with("\xEF\xBB\xBF")) {
        mark_ = ListEncoding::Utf8WithMark;
        at_ = 3;
    } else if (head.starts_with("\xFF\xFE")) {
        mark_ = ListEncoding::Utf16Le;
        at_ = 2;
    } else if (head.starts_with("\xFE\xFF")) {
        mark_ = ListEncoding::Utf16Be;
        at_ = 2;
    }
    empty_ = !ensure(1);
}

CheckListReader::~CheckListReader() = default;

bool CheckListReader::ensure(std::size_t count) {
    if (buffer_.size() - at_ >= count) {
        return true;
    }
    if (atEnd_ || failed_) {
        return false;
    }
    buffer_.erase(0, at_);
    at_ = 0;
    const std::size_t kept = buffer_.size();
    buffer_.resize(std::max(chunkBytes, count));
    // A read may hand over less than asked for long before the end (a network file system, a
    // signal), so the buffer is topped up until it is full or a read of nothing marks the end:
    // where the pieces fall never depends on how the reads were cut. An error after some
    // bytes meets the next read.
    std::size_t used = kept;
    long n = 0;
    while (used < buffer_.size() &&
           (n = file_->read(buffer_.data() + used, buffer_.size() - used)) > 0) {
        used += static_cast<std::size_t>(n);
    }
    buffer_.resize(used);
    if (used == kept) {
        (n < 0 ? failed_ : atEnd_) = true;
    }
    return buffer_.size() >= count;
}

ListEncoding CheckListReader::encoding() const {
    if (mark_ != ListEncoding::SystemCodePage) {
        return mark_;
    }
    switch (lastForm_) {
    case Form::Utf16Le:
        return ListEncoding::Utf16Le;
    case Form::Utf16Be:
        return ListEncoding::Utf16Be;
    case Form::Bytes:
        break;
    }
    return sawUtf8_ && !sawLegacy_ ? ListEncoding::Utf8 : ListEncoding::SystemCodePage;
}

CheckListReader::Form CheckListReader::formOfNextLine() {
    if (mark_ == ListEncoding::Utf16Le) {
        return Form::Utf16Le;
    }
    if (mark_ == ListEncoding::Utf16Be) {
        return Form::Utf16Be;
    }
    // Every absolute path starts with two characters below 256 ("C:", "\\", "//"), so a
    // UTF-16 line that names one starts with two units that each hold a NUL byte.
    if (!ensure(4)) {
        return Form::Bytes;
    }
    auto nul = [&](std::size_t i) { return buffer_[at_ + i] == '\0'; };
    if (!nul(0) && nul(1) && !nul(2) && nul(3)) {
        return Form::Utf16Le;
    }
    if (nul(0) && !nul(1) && nul(2) && !nul(3)) {
        return Form::Utf16Be;
    }
    return Form::Bytes;
}

bool CheckListReader::next(ListLine& line) {
    line.text.clear();
    line.exact = true;
    if (status_ != Status::Open || failed_ || !ensure(1)) {
        return false;
    }
    const Form form = formOfNextLine();
    bool exact = true;
    std::string text;
    bool ended = false;
    if (form == Form::Bytes) {
        ended = readBytesLine(text, exact);
        if (!failed_) {
            text = decodeBytes(text, exact);
        }
    } else {
        ended = readUtf16Line(form, text, exact);
    }
    // A read error hands on no line it cut.
    if (failed_ && !ended) {
        return false;
    }
    endsWithLineEnd_ = ended;
    lastForm_ = form;
    line.exact = exact && !holdsControlCharacter(text);
    line.text = std::move(text);
    return true;
}

bool CheckListReader::readBytesLine(std::string& bytes, bool& exact) {
    bool nul = false;
    auto skip = [&](char c) {
        if (ensure(1) && buffer_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    };
    while (ensure(1)) {
        const std::size_t end = buffer_.find_first_of("\r\n", at_);
        const std::size_t stop = end == std::string::npos ? buffer_.size() : end;
        nul = nul || std::string_view(buffer_).substr(at_, stop - at_).find('\0') !=
                         std::string_view::npos;
        const std::size_t room = maxLineBytes - std::min(bytes.size(), maxLineBytes);
        if (stop - at_ > room) {
            exact = false;
        }
        bytes.append(buffer_, at_, std::min(stop - at_, room));
        if (end == std::string::npos) {
            at_ = buffer_.size();
            continue;
        }
        const char ending = buffer_[end];
        at_ = end + 1;
        // A UTF-16 line appended to one without a line end glues onto it; its own line end
        // ("\r\0\n\0") ends the glued line whole.
        if (nul) {
            skip('\0');
        }
        if (ending == '\r' && skip('\n') && nul) {
            skip('\0');
        }
        return true;
    }
    return false;
}

bool CheckListReader::readUtf16Line(Form form, std::string& text, bool& exact) {
    auto unitAt = [&](std::size_t i) -> char32_t {
        const auto first = static_cast<char32_t>(static_cast<unsigned char>(buffer_[i]));
        const auto second = static_cast<char32_t>(static_cast<unsigned char>(buffer_[i + 1]));
        return form == Form::Utf16Le ? first | (second << 8) : (first << 8) | second;
    };
    while (ensure(2)) {
        char32_t c = unitAt(at_);
        at_ += 2;
        if (c == '\r' || c == '\n') {
            if (c == '\r' && ensure(2) && unitAt(at_) == '\n') {
                at_ += 2;
            }
            return true;
        }
        if (c >= 0xD800 && c <= 0xDBFF && ensure(2) && unitAt(at_) >= 0xDC00 &&
            unitAt(at_) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unitAt(at_) - 0xDC00);
            at_ += 2;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            exact = false;
            c = 0xFFFD;
        }
        if (text.size() + 4 <= maxLineBytes) {
            unicode::appendUtf8(text, c);
        } else {
            exact = false;
        }
    }
    if (!failed_ && at_ < buffer_.size()) {
        ++at_; // half a character at the very end
        exact = false;
    }
    return false;
}

std::string CheckListReader::decodeBytes(std::string& bytes, bool& exact) {
    if (isAscii(bytes)) {
        return std::move(bytes); // the same in every encoding a list may be in
    }
    unicode::Utf8Validator utf8;
    utf8.feed(bytes);
    if (mark_ == ListEncoding::Utf8WithMark) {
        exact = exact && utf8.valid();
        return std::move(bytes);
    }
    if (utf8.valid()) {
        sawUtf8_ = sawUtf8_ || utf8.sawNonAscii();
        return std::move(bytes);
    }
    sawLegacy_ = true;
    if (auto text = system_.legacyToUtf8(bytes)) {
        return std::move(*text);
    }
    exact = false;
    return std::move(bytes);
}

} // namespace vesperon
