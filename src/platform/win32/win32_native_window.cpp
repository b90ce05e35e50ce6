#include "platform/win32/win32_native_window.h"

#include "platform/win32/wide_text.h"

#include <algorithm>
#include <vector>

namespace vesperon::platform::win32 {

namespace {

// Above IDOK and IDCANCEL, which the dialog manager sends for Enter and Esc.
constexpr int firstControlId = 1000;
constexpr const wchar_t* formClassName = L"VesperonForm";

struct FormControl {
    std::string name;
    ControlKind kind = ControlKind::Button;
    HWND hwnd = nullptr;
    bool coloured = false;
    COLORREF textColor = 0;
};

} // namespace

// Lives as long as the native window; a NativeWindow destroyed while a handler of its own
// window runs leaves it to the window procedure, which destroys the window on return.
struct FormState {
    HWND hwnd = nullptr;
    WindowEvents* events = nullptr; // null once nobody listens any more
    std::vector<FormControl> controls;
    HWND lastFocus = nullptr;
    int depth = 0;         // handlers of this window on the stack
    bool orphaned = false; // its NativeWindow is gone: destroy when the handlers return

    FormControl* find(const std::string& name) {
        auto it = std::find_if(controls.begin(), controls.end(),
                               [&](const FormControl& c) { return c.name == name; });
        return it == controls.end() || it->hwnd == nullptr ? nullptr : &*it;
    }
    FormControl* find(HWND child) {
        auto it = std::find_if(controls.begin(), controls.end(),
                               [&](const FormControl& c) { return c.hwnd == child; });
        return it == controls.end() ? nullptr : &*it;
    }
};

namespace {

FormState* stateOf(HWND hwnd) {
    return reinterpret_cast<FormState*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void onCommand(FormState& s, int id, int code) {
    const int index = id - firstControlId;
    if (index < 0 || index >= static_cast<int>(s.controls.size())) {
        return;
    }
    const FormControl c = s.controls[static_cast<std::size_t>(index)]; // checked above
    switch (c.kind) {
    case ControlKind::CheckBox:
        if (code == BN_CLICKED && s.events != nullptr) {
            // The check box has already toggled itself.
            const bool ticked = ::SendMessageW(c.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
            s.events->checkChanged(c.name, ticked ? 1 : 0);
            if (s.events != nullptr) { // the handler may have closed the window
                s.events->controlClicked(c.name);
            }
        }
        break;
    case ControlKind::Button:
        if (code == BN_CLICKED && s.events != nullptr) {
            s.events->controlClicked(c.name);
        }
        break;
    case ControlKind::ListBox:
        if (code == LBN_SELCHANGE && s.events != nullptr) {
            s.events->selectionChanged(
                c.name, static_cast<int>(::SendMessageW(c.hwnd, LB_GETCURSEL, 0, 0)));
        }
        break;
    case ControlKind::Frame:
    case ControlKind::Label:
        break;
    }
}

HWND firstTabStop(const FormState& s) {
    for (const auto& c : s.controls) {
        if (c.hwnd != nullptr && (::GetWindowLongW(c.hwnd, GWL_STYLE) & WS_TABSTOP) != 0 &&
            ::IsWindowEnabled(c.hwnd) && ::IsWindowVisible(c.hwnd)) {
            return c.hwnd;
        }
    }
    return nullptr;
}

LRESULT handle(FormState& s, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        if (lParam != 0) {
            onCommand(s, LOWORD(wParam), HIWORD(wParam));
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC: // labels, and group boxes and check boxes draw their text with it
    case WM_CTLCOLORBTN:
        if (const FormControl* c = s.find(reinterpret_cast<HWND>(lParam)); c && c->coloured) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            ::SetTextColor(dc, c->textColor);
            ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
        }
        break;
    case WM_CLOSE:
        if (s.events != nullptr) {
            s.events->closeRequested();
        }
        return 0; // whether the window goes is the form's decision
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = ::GetFocus();
            if (focus != nullptr && ::IsChild(hwnd, focus)) {
                s.lastFocus = focus;
            }
        }
        break;
    case WM_SETFOCUS: {
        // A plain window keeps no focused control of its own, as a dialog does.
        HWND target = s.lastFocus != nullptr && ::IsWindow(s.lastFocus) &&
                              ::IsWindowEnabled(s.lastFocus) && ::IsWindowVisible(s.lastFocus)
                          ? s.lastFocus
                          : firstTabStop(s);
        if (target != nullptr) {
            ::SetFocus(target);
        }
        return 0;
    }
    default:
        break;
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK formProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* created = reinterpret_cast<CREATESTRUCTW*>(lParam);
        if (auto* s = static_cast<FormState*>(created->lpCreateParams)) {
            s->hwnd = hwnd;
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
        }
    }
    FormState* s = stateOf(hwnd);
    if (s == nullptr) {
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        s->hwnd = nullptr;
        for (auto& c : s->controls) {
            c.hwnd = nullptr;
        }
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    ++s->depth;
    const LRESULT result = handle(*s, hwnd, msg, wParam, lParam);
    if (--s->depth == 0 && s->orphaned) {
        s->orphaned = false; // the messages of the destruction itself come through here too
        if (s->hwnd != nullptr) {
            ::DestroyWindow(s->hwnd);
        }
        delete s;
    }
    return result;
}

HINSTANCE moduleInstance() {
    return ::GetModuleHandleW(nullptr);
}

ATOM formClassAtom() {
    static const ATOM atom = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = formProc;
        wc.hInstance = moduleInstance();
        wc.hIcon = ::LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
        wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = formClassName;
        return ::RegisterClassExW(&wc);
    }();
    return atom;
}

struct NativeStyle {
    const wchar_t* windowClass;
    DWORD style;
};

NativeStyle nativeStyle(ControlKind kind) {
    switch (kind) {
    case ControlKind::Frame:
        return {L"BUTTON", BS_GROUPBOX};
    case ControlKind::Button:
        return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP};
    case ControlKind::CheckBox:
        return {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP};
    case ControlKind::Label:
        return {L"STATIC", SS_LEFT};
    case ControlKind::ListBox:
        // No integral height: the list keeps exactly the height it was given.
        return {L"LISTBOX",
                LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP};
    }
    return {L"STATIC", SS_LEFT};
}

COLORREF colorRefOf(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

HFONT fontOf(BYTE charset, const wchar_t* face) {
    HFONT f =
        ::CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
    return f != nullptr ? f : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

// The face the layouts were drawn for: wider faces cut captions short. Pixel layouts do
// not grow with the screen's resolution, so neither does the font. Kept for the process.
// List rows name files in any script, which that face has no letters for: they take the
// dialog face of the same size (Microsoft Sans Serif on Windows, Tahoma under Wine).
HFONT controlFont(ControlKind kind) {
    static const HFONT captions = fontOf(ANSI_CHARSET, L"MS Sans Serif");
    static const HFONT rows = fontOf(DEFAULT_CHARSET, L"MS Shell Dlg");
    return kind == ControlKind::ListBox ? rows : captions;
}

void createControls(FormState& s, const FormLayout& design) {
    int id = firstControlId;
    // Created in the order listed, which is the tab order.
    for (const auto& c : design.controls) {
        NativeStyle native = nativeStyle(c.kind);
        if (c.kind == ControlKind::Label && c.centredText) {
            native.style |= SS_CENTER;
        }
        const Rect r = design.clientRect(c);
        FormControl control;
        control.name = c.name;
        control.kind = c.kind;
        control.coloured = c.captionColor != ControlLayout::defaultColor;
        control.textColor = colorRefOf(c.captionColor);
        control.hwnd = ::CreateWindowExW(
            0, native.windowClass, widen(c.caption).c_str(), WS_CHILD | WS_VISIBLE | native.style,
            r.left, r.top, r.width, r.height, s.hwnd,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), moduleInstance(), nullptr);
        if (control.hwnd != nullptr) {
            ::SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(controlFont(c.kind)),
                           FALSE);
        }
        s.controls.push_back(control); // even when refused: ids stay the list's indices
        ++id;
    }
}

} // namespace

const wchar_t* formWindowClass() {
    formClassAtom();
    return formClassName;
}

bool isFormWindow(HWND hwnd) {
    return hwnd != nullptr &&
           static_cast<ATOM>(::GetClassLongW(hwnd, GCW_ATOM)) == formClassAtom() &&
           stateOf(hwnd) != nullptr;
}

Win32NativeWindow::Win32NativeWindow(const FormLayout& design, WindowEvents& events)
    : state_(new FormState) {
    state_->events = &events;
    const bool tool = design.style == FormStyle::FixedToolWindow;
    // Fixed size either way; a normal window can still be minimised.
    const DWORD style =
        tool ? WS_CAPTION | WS_SYSMENU : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    const DWORD exStyle = tool ? WS_EX_TOOLWINDOW : 0;
    const int width = FormLayout::toPixels(design.clientWidth, design.unit);
    const int height = FormLayout::toPixels(design.clientHeight, design.unit);
    RECT outer{0, 0, width, height};
    ::AdjustWindowRectEx(&outer, style, FALSE, exStyle);
    const int outerWidth = outer.right - outer.left;
    const int outerHeight = outer.bottom - outer.top;
    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
    if (design.centredOnOwner) {
        // No window owns another here: the screen stands for the owner.
        x = (::GetSystemMetrics(SM_CXSCREEN) - outerWidth) / 2;
        y = (::GetSystemMetrics(SM_CYSCREEN) - outerHeight) / 2;
    }
    // WM_NCCREATE stores the handle in the state.
    ::CreateWindowExW(exStyle, formWindowClass(), widen(design.caption).c_str(), style, x, y,
                      outerWidth, outerHeight, nullptr, nullptr, moduleInstance(), state_);
    if (state_->hwnd == nullptr) {
        return;
    }
    // Where the frame turns out other than computed, the client area still gets its size.
    RECT client{};
    ::GetClientRect(state_->hwnd, &client);
    const int dx = width - (client.right - client.left);
    const int dy = height - (client.bottom - client.top);
    if (dx != 0 || dy != 0) {
        ::SetWindowPos(state_->hwnd, nullptr, 0, 0, outer.right - outer.left + dx,
                       outer.bottom - outer.top + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    createControls(*state_, design);
}

Win32NativeWindow::~Win32NativeWindow() {
    state_->events = nullptr;
    if (state_->depth > 0) {
        // Inside a handler of this very window: it goes when the handler returns.
        state_->orphaned = true;
        if (state_->hwnd != nullptr) {
            ::ShowWindow(state_->hwnd, SW_HIDE);
        }
        return;
    }
    if (state_->hwnd != nullptr) {
        ::DestroyWindow(state_->hwnd);
    }
    delete state_;
}

HWND Win32NativeWindow::handle() const {
    return state_->hwnd;
}

HWND Win32NativeWindow::controlHandle(const std::string& control) const {
    const FormControl* c = state_->find(control);
    return c == nullptr ? nullptr : c->hwnd;
}

void Win32NativeWindow::show() {
    if (state_->hwnd == nullptr) {
        return;
    }
    if (::IsWindowVisible(state_->hwnd)) {
        ::SetForegroundWindow(state_->hwnd);
    } else {
        ::ShowWindow(state_->hwnd, SW_SHOW);
    }
}

void Win32NativeWindow::hide() {
    if (state_->hwnd != nullptr) {
        ::ShowWindow(state_->hwnd, SW_HIDE);
    }
}

void Win32NativeWindow::setCaption(const std::string& caption) {
    if (state_->hwnd != nullptr) {
        ::SetWindowTextW(state_->hwnd, widen(caption).c_str());
    }
}

void Win32NativeWindow::setCheck(const std::string& control, int value) {
    if (const FormControl* c = state_->find(control)) {
        ::SendMessageW(c->hwnd, BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

void Win32NativeWindow::setListItems(const std::string& control,
                                     const std::vector<std::string>& items, int selected) {
    const FormControl* c = state_->find(control);
    if (c == nullptr) {
        return;
    }
    HWND list = c->hwnd;
    // Refilled after every change: keep the view where the user left it.
    const LRESULT top = ::SendMessageW(list, LB_GETTOPINDEX, 0, 0);
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const auto& item : items) {
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(item).c_str()));
    }
    if (top != LB_ERR) {
        ::SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
    }
    const bool valid = selected >= 0 && selected < static_cast<int>(items.size());
    ::SendMessageW(list, LB_SETCURSEL,
                   valid ? static_cast<WPARAM>(selected) : static_cast<WPARAM>(-1), 0);
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
}

void Win32NativeWindow::setText(const std::string& control, const std::string& text) {
    if (const FormControl* c = state_->find(control)) {
        ::SetWindowTextW(c->hwnd, widen(text).c_str());
    }
}

void Win32NativeWindow::setFocus(const std::string& control) {
    if (const FormControl* c = state_->find(control)) {
        state_->lastFocus = c->hwnd;
        ::SetFocus(c->hwnd);
    }
}

Rect Win32NativeWindow::clientArea() {
    RECT r{};
    if (state_->hwnd != nullptr) {
        ::GetClientRect(state_->hwnd, &r);
    }
    return {0, 0, r.right - r.left, r.bottom - r.top};
}

std::optional<Rect> Win32NativeWindow::controlRect(const std::string& control) {
    const FormControl* c = state_->find(control);
    if (c == nullptr) {
        return std::nullopt;
    }
    RECT r{};
    ::GetWindowRect(c->hwnd, &r);
    ::MapWindowPoints(HWND_DESKTOP, state_->hwnd, reinterpret_cast<POINT*>(&r), 2);
    return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

} // namespace vesperon::platform::win32
