#include "platform/win32/win32_windowing.h"

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_native_window.h"

#include <algorithm>
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>
#include <vector>
#include <windows.h>

namespace vesperon::platform::win32 {

namespace {

// Enough for any path the dialog shows, and then some.
constexpr std::size_t fileNameBufferSize = 4096;
// How long runUntil sleeps at most before it asks done() again without any message.
constexpr DWORD idleCheckMilliseconds = 100;

// Tab, Enter and the arrow keys move between controls as in a dialog box.
void dispatch(MSG& msg) {
    HWND root = msg.hwnd != nullptr ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (isFormWindow(root) && ::IsDialogMessageW(root, &msg)) {
        return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

// Handles what is waiting; false when the thread was told to quit (the request is kept).
bool drain(const std::function<bool()>& done) {
    MSG msg;
    while (!(done && done()) && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        dispatch(msg);
    }
    return true;
}

} // namespace

Win32Windowing::Win32Windowing() = default;
Win32Windowing::~Win32Windowing() = default;

namespace {

// A task that runs whether or not a user is logged on gets a window station that no one
// sees: a window there would wait for ever for a click.
bool stationVisible() {
    USEROBJECTFLAGS flags{};
    HWINSTA station = ::GetProcessWindowStation();
    if (station == nullptr ||
        !::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr)) {
        return true; // cannot tell: as before, try
    }
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

} // namespace

bool Win32Windowing::available() {
    if (!available_ && !stationVisible()) {
        available_ = false;
        unavailableReason_ = "no one can see the configuration window in this session (a task "
                             "that runs whether or not a user is logged on), so it does not open";
    }
    if (!available_) {
        // Windows always has a desktop; Wine without a display refuses any window.
        HWND probe = ::CreateWindowExW(0, formWindowClass(), L"", WS_OVERLAPPED, 0, 0, 1, 1,
                                       nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        available_ = probe != nullptr;
        if (probe != nullptr) {
            ::DestroyWindow(probe);
        }
    }
    return *available_;
}

std::unique_ptr<NativeWindow> Win32Windowing::createWindow(const FormLayout& design,
                                                           WindowEvents& events) {
    return std::make_unique<Win32NativeWindow>(design, events);
}

int Win32Windowing::messageBox(const std::string& prompt, int buttons, const std::string& title) {
    return ::MessageBoxW(::GetActiveWindow(), widen(prompt).c_str(), widen(title).c_str(),
                         static_cast<UINT>(buttons));
}

std::optional<std::string> Win32Windowing::openFileDialog(const std::string& title,
                                                          const std::string& filter,
                                                          const std::string& initialName) {
    // Description and pattern alike, then the list's end.
    std::wstring filterPairs = widen(filter);
    filterPairs += L'\0';
    filterPairs += widen(filter);
    filterPairs += L'\0';
    const std::wstring initial = widen(initialName);
    std::vector<wchar_t> file(fileNameBufferSize, L'\0');
    std::copy_n(initial.begin(), std::min(initial.size(), file.size() - 1), file.begin());
    const std::wstring caption = widen(title);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = ::GetActiveWindow();
    ofn.lpstrFilter = filterPairs.c_str(); // c_str() adds the second terminating null
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = caption.c_str();
    ofn.Flags = OFN_HIDEREADONLY | OFN_EXPLORER;
    if (::GetOpenFileNameW(&ofn)) {
        return narrow(file.data());
    }
    if (::CommDlgExtendedError() == FNERR_INVALIDFILENAME && file[0] != L'\0') {
        // The dialog refuses to open on a name it cannot show: offer it without one.
        std::fill(file.begin(), file.end(), L'\0');
        if (::GetOpenFileNameW(&ofn)) {
            return narrow(file.data());
        }
    }
    return std::nullopt;
}

std::optional<std::string> Win32Windowing::browseForFolder(NativeWindow* owner,
                                                           const std::string& prompt) {
    // The folder picker is a shell object: it needs COM on this thread.
    static const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    (void)com;
    auto* window = dynamic_cast<Win32NativeWindow*>(owner);
    const std::wstring title = widen(prompt);
    BROWSEINFOW browse{};
    browse.hwndOwner = window != nullptr ? window->handle() : nullptr;
    browse.lpszTitle = title.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST item = ::SHBrowseForFolderW(&browse);
    if (item == nullptr) {
        return std::nullopt;
    }
    wchar_t path[MAX_PATH] = {};
    const BOOL converted = ::SHGetPathFromIDListW(item, path);
    ::CoTaskMemFree(item);
    return converted ? narrow(path) : std::string();
}

void Win32Windowing::processPendingMessages() {
    drain(nullptr);
}

void Win32Windowing::runUntil(const std::function<bool()>& done) {
    while (!done()) {
        if (!drain(done)) {
            return;
        }
        if (done()) {
            return;
        }
        ::MsgWaitForMultipleObjectsEx(0, nullptr, idleCheckMilliseconds, QS_ALLINPUT,
                                      MWMO_INPUTAVAILABLE);
    }
}

} // namespace vesperon::platform::win32
