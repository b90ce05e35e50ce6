#pragma once

#include "platform/files.h"
#include "platform/system.h"

#include <memory>
#include <string>

namespace vesperon {

// How a check list's bytes stand for text: a byte-order mark decides; without one, valid
// UTF-8 holding non-ASCII bytes is UTF-8, anything else the system's own code page.
enum class ListEncoding { SystemCodePage, Utf8, Utf8WithMark, Utf16Le, Utf16Be };

// One line of a check list as the program's own text (UTF-8; on Linux the raw bytes when the
// list is in the system's code page).
struct ListLine {
    std::string text;
    // False when the line was cut at the length limit or held bytes that could not be
    // decoded: then it names no file for sure.
    bool exact = true;
};

// Reads a check list line by line in bounded memory, whatever its size: two passes, the
// first only to learn the encoding when no byte-order mark names it.
class CheckListReader {
public:
    enum class Status { Absent, Unreadable, Open };
    // Longer lines are cut to this and marked inexact; no path is that long.
    static constexpr std::size_t maxLineBytes = std::size_t{32} * 1024;

    CheckListReader(platform::Files& files, platform::System& system, const std::string& path);
    ~CheckListReader();
    CheckListReader(const CheckListReader&) = delete;
    CheckListReader& operator=(const CheckListReader&) = delete;

    Status status() const { return status_; }
    // The next line, comments and empty lines included; false at the end or on a read error.
    bool next(ListLine& line);
    // True once a read error has ended the list early.
    bool failed() const { return failed_; }
    ListEncoding encoding() const { return encoding_; }
    // Known once next() has returned false.
    bool endsWithLineEnd() const { return endsWithLineEnd_; }
    bool empty() const { return empty_; }
    // Every byte below 0x80: any encoding without a mark can be added to it.
    bool asciiOnly() const { return asciiOnly_; }

private:
    bool fill();
    bool learnEncoding();
    // The next UTF-16 character as UTF-8 text into out; false at the end.
    bool nextUtf16Character(std::string& out, bool& exact);
    bool nextByte(unsigned char& byte);
    bool nextByteLine(ListLine& line, std::string& bytes, bool& exact);
    void finishLine(ListLine& line, std::string& bytes, bool& exact);

    platform::System& system_;
    std::unique_ptr<platform::InputFile> file_;
    Status status_ = Status::Absent;
    ListEncoding encoding_ = ListEncoding::SystemCodePage;
    std::string buffer_;
    std::size_t at_ = 0;
    bool atEnd_ = false;
    bool failed_ = false;
    bool endsWithLineEnd_ = false;
    bool empty_ = true;
    bool asciiOnly_ = true;
    bool pendingCr_ = false;
};

// A line that the reading rule takes as an entry: not empty, not starting with ";".
bool isCheckListEntry(const std::string& line);

} // namespace vesperon
