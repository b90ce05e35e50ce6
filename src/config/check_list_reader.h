#pragma once

#include "platform/files.h"
#include "platform/system.h"

#include <memory>
#include <string>

namespace vesperon {

// How a check list's bytes stand for text. A byte-order mark decides for the whole list;
// without one every line decides for itself, as tools that append to a list (cmd /u, echo,
// PowerShell's Add-Content) each write their own: UTF-16 by its NUL bytes, valid UTF-8 as
// UTF-8, anything else in the system's own code page.
enum class ListEncoding { SystemCodePage, Utf8, Utf8WithMark, Utf16Le, Utf16Be };

// One line of a check list as the program's own text (UTF-8; on Linux the raw bytes of a line
// that is not UTF-8).
struct ListLine {
    std::string text;
    // False when the line was cut at the length limit, held bytes that could not be decoded,
    // or holds a NUL or another control character (a tab aside): then it names no file for
    // sure.
    bool exact = true;
};

// Reads a check list line by line in one pass, in bounded memory whatever its size.
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
    // Known once next() has returned false: the encoding of the mark, or without one the
    // encoding a line added at the end takes to match the list (UTF-16 after a UTF-16 line,
    // UTF-8 when every line beyond ASCII was UTF-8).
    ListEncoding encoding() const;
    bool endsWithLineEnd() const { return endsWithLineEnd_; }
    // Nothing after the byte-order mark, if any.
    bool empty() const { return empty_; }

private:
    enum class Form { Bytes, Utf16Le, Utf16Be };

    // At least count unread bytes in the buffer; false when the file has fewer left.
    bool ensure(std::size_t count);
    Form formOfNextLine();
    // Each reads one line up to its line end; true when that line end was there.
    bool readBytesLine(std::string& bytes, bool& exact);
    bool readUtf16Line(Form form, std::string& text, bool& exact);
    std::string decodeBytes(std::string& bytes, bool& exact);

    platform::System& system_;
    std::unique_ptr<platform::InputFile> file_;
    Status status_ = Status::Absent;
    ListEncoding mark_ = ListEncoding::SystemCodePage;
    std::string buffer_;
    std::size_t at_ = 0;
    bool atEnd_ = false;
    bool failed_ = false;
    bool endsWithLineEnd_ = false;
    bool empty_ = true;
    Form lastForm_ = Form::Bytes;
    bool sawUtf8_ = false;   // a line of valid UTF-8 beyond ASCII
    bool sawLegacy_ = false; // a line in the system's code page
};

// A line that the reading rule takes as an entry: not empty, not starting with ";".
bool isCheckListEntry(const std::string& line);

} // namespace vesperon
