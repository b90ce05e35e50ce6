#include "platform/win32/win32_files.h"

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_paths.h"
#include "platform/win32/win32_system.h"

#include <windows.h>

namespace vesperon::platform::win32 {

namespace {

// Never load an absurd list into memory.
constexpr DWORD largestReadableFile = 64u << 20;

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }
    bool close() {
        if (!valid()) {
            return true;
        }
        const bool ok = ::CloseHandle(h_) != 0;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

bool writeAll(HANDLE h, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        if (!::WriteFile(h, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written,
                         nullptr) ||
            written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// Whether the path might open something other than a disk file: a reserved device name as
// its last part (before the first dot; Windows before 11 opens the device whatever folder and
// extension come with it), or a path through "\\", where pipes and devices live. Asking the
// handle costs a round trip to the system on every probe, so only these ask.
bool mayOpenDevice(const std::string& path) {
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        return true;
    }
    const auto start = path.find_last_of("\\/:");
    std::string base = path.substr(start == std::string::npos ? 0 : start + 1);
    base = base.substr(0, base.find('.'));
    while (!base.empty() && base.back() == ' ') {
        base.pop_back();
    }
    for (char& c : base) {
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" ||
        base == "CONOUT$") {
        return true;
    }
    const bool port = base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0;
    const std::string number = port ? base.substr(3) : "";
    // A digit, or a superscript one, two or three in UTF-8.
    return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
           number == "\xC2\xB2" || number == "\xC2\xB3";
}

} // namespace

Presence Win32Files::presenceOf(const std::string& path) {
    const std::wstring name = widePath(path);
    const NativeFileSystemView native;
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        // Only these say plainly that nothing is there; an unreachable share, a drive that
        // is not ready or a refused query cannot tell.
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? Presence::Absent
                   : Presence::Undetermined;
    }
    if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) {
        return Presence::Undetermined; // a device name ("nul.txt") hides any file of that name
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Presence::NotAFile : Presence::File;
}

ProbeResult Win32Files::probe(const std::string& path) {
    const std::wstring name = widePath(path);
    const NativeFileSystemView native;
    // Read access with no sharing fails while any other handle to the file is open.
    Handle h(::CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) {
        return ProbeResult::InUse;
    }
    // A reserved device name ("C:\data\com1.txt", "aux") opens the device, which any program
    // may open as often as it likes, while a real file of that name may be held.
    if (mayOpenDevice(path) && ::GetFileType(h.get()) != FILE_TYPE_DISK) {
        return ProbeResult::Undetermined;
    }
    return h.close() ? ProbeResult::Free : ProbeResult::InUse;
}

namespace {

class Win32InputFile final : public InputFile {
public:
    explicit Win32InputFile(HANDLE h) : h_(h) {}
    long read(char* buffer, std::size_t size) override {
        DWORD n = 0;
        const DWORD want = size > (1u << 20) ? (1u << 20) : static_cast<DWORD>(size);
        return ::ReadFile(h_.get(), buffer, want, &n, nullptr) ? static_cast<long>(n) : -1;
    }

private:
    Handle h_;
};

} // namespace

OpenedFile Win32Files::openForReading(const std::string& path) {
    const std::wstring name = widePath(path);
    HANDLE h = ::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        // A link whose target is gone is something, not nothing: it cannot be read.
        const bool nothingThere =
            (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) &&
            ::GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES;
        return {nothingThere ? FileRead::Status::Absent : FileRead::Status::Unreadable, nullptr};
    }
    auto file = std::make_unique<Win32InputFile>(h);
    if (::GetFileType(h) != FILE_TYPE_DISK) {
        return {FileRead::Status::Unreadable, nullptr};
    }
    return {FileRead::Status::Read, std::move(file)};
}

FileRead Win32Files::readWhole(const std::string& path) {
    Handle h(::CreateFileW(widePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) {
        const DWORD error = ::GetLastError();
        const bool absent = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return {absent ? FileRead::Status::Absent : FileRead::Status::Unreadable, {}};
    }
    DWORD high = 0;
    const DWORD size = ::GetFileSize(h.get(), &high);
    if ((size == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) || high != 0 ||
        size > largestReadableFile) {
        return {FileRead::Status::Unreadable, {}};
    }
    std::string bytes(size, '\0');
    DWORD done = 0;
    while (done < size) {
        DWORD n = 0;
        if (!::ReadFile(h.get(), bytes.data() + done, size - done, &n, nullptr)) {
            return {FileRead::Status::Unreadable, {}};
        }
        if (n == 0) {
            break;
        }
        done += n;
    }
    bytes.resize(done);
    return {FileRead::Status::Read, bytes};
}

bool Win32Files::writeFailed() {
    lastWriteFailure_ = systemErrorText(::GetLastError());
    return false;
}

bool Win32Files::writeText(const std::string& path, const std::string& bytes, bool overwrite) {
    Handle h(::CreateFileW(widePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           overwrite ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr));
    if (!h.valid()) {
        return writeFailed();
    }
    if (!overwrite && ::SetFilePointer(h.get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
        ::GetLastError() != NO_ERROR) {
        return writeFailed();
    }
    if (!writeAll(h.get(), bytes) || !h.close()) {
        return writeFailed();
    }
    return true;
}

bool Win32Files::absent(const std::string& path) {
    if (::GetFileAttributesW(widePath(path).c_str()) != INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool Win32Files::normalFilePresent(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(widePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes &
            (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

bool Win32Files::replaceFile(const std::string& path, const std::string& bytes) {
    // A fresh name in the target's own folder: the move stays on one volume, and no file
    // that happens to be there already is ever overwritten.
    const auto separator = path.find_last_of("\\/:");
    const std::string folder = separator == std::string::npos ? "." : path.substr(0, separator + 1);
    wchar_t temp[MAX_PATH] = {};
    if (::GetTempFileNameW(widen(folder).c_str(), L"vsp", 0, temp) == 0) {
        return writeFailed();
    }
    if (!writeText(narrow(temp), bytes, true) ||
        (!::MoveFileExW(temp, widePath(path).c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) &&
         !writeFailed())) {
        ::DeleteFileW(temp);
        return false;
    }
    return true;
}

bool Win32Files::deleteFile(const std::string& path) {
    return ::DeleteFileW(widePath(path).c_str()) != 0;
}

} // namespace vesperon::platform::win32
