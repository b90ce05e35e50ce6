#include "platform/win32/win32_native_window.h"
#include "platform/win32/win32_windowing.h"
#include "platform/window_cases.h"

#include <functional>
#include <gtest/gtest.h>
#include <thread>
#include <windows.h>

namespace vesperon {
namespace {

using platform::FormLayout;
using platform::win32::Win32NativeWindow;

class Win32Windowing : public test::WindowingTest<platform::win32::Win32Windowing> {
protected:
    static Win32NativeWindow& native(std::unique_ptr<platform::NativeWindow>& w) {
        return static_cast<Win32NativeWindow&>(*w);
    }
};

TEST_F(Win32Windowing, ClientAreaAndControlsSitWhereDeclared) {
    for (const FormLayout& design : test::windowDesigns()) {
        SCOPED_TRACE(design.name);
        test::expectLaidOut(*open(design), design);
    }
}

// Tab goes through the window's own message loop: the frame takes no part.
TEST_F(Win32Windowing, UserActionsAndTabAreReportedAndStateSetsAreNot) {
    auto window = open(Form1::layout());
    window->setFocus("ConfigEdit");
    for (const char* next : {"WriteEventCheck", "ForceCheck", "ConfigTest", "ConfigEdit"}) {
        ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_TAB, 0);
        windowing.processPendingMessages();
        EXPECT_EQ(::GetFocus(), native(window).controlHandle(next)) << next;
    }
    HWND force = native(window).controlHandle("ForceCheck");
    ::SendMessageA(force, BM_CLICK, 0, 0);
    ::SendMessageA(force, BM_CLICK, 0, 0);
    ::SendMessageA(native(window).controlHandle("ConfigTest"), BM_CLICK, 0, 0);
    window->setCheck("ForceCheck", 1);
    EXPECT_EQ(::SendMessageA(force, BM_GETCHECK, 0, 0), BST_CHECKED);
    auto editor = open(form4::layout());
    editor->setListItems("List1", {"a", "b", "c"}, 0);
    HWND list = native(editor).controlHandle("List1");
    ::SendMessageA(list, WM_KEYDOWN, VK_DOWN, 0);
    editor->setListItems("List1", {"c", "Z:\\Отчёт.dat"}, -1);
    EXPECT_EQ(::SendMessageA(list, LB_GETCURSEL, 0, 0), LB_ERR);
    wchar_t shown[32] = {};
    ::SendMessageW(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(shown));
    EXPECT_STREQ(shown, L"Z:\\\x041E\x0442\x0447\x0451\x0442.dat") << "rows show Unicode";
    ::SendMessageA(native(editor).handle(), WM_CLOSE, 0, 0);
    windowing.processPendingMessages();
    EXPECT_EQ(events.log, (std::vector<std::string>{
                              "check ForceCheck=1", "click ForceCheck", "check ForceCheck=0",
                              "click ForceCheck", "click ConfigTest", "select List1=1", "close"}));
    EXPECT_TRUE(::IsWindow(native(editor).handle())) << "closing is the form's decision";
}

// The form drops its window from inside the window's own handlers.
TEST_F(Win32Windowing, WindowDestroyedByItsOwnHandler) {
    for (const UINT message : {UINT{WM_CLOSE}, UINT{BM_CLICK}}) {
        auto window = open(Form1::layout());
        HWND h = native(window).handle();
        HWND target = message == WM_CLOSE ? h : native(window).controlHandle("ForceCheck");
        events.onEvent = [&] { window.reset(); };
        ::SendMessageA(target, message, 0, 0);
        windowing.processPendingMessages();
        EXPECT_FALSE(::IsWindow(h)) << message;
        events.onEvent = [] {};
    }
    EXPECT_EQ(events.log, (std::vector<std::string>{"close", "check ForceCheck=1"}))
        << "nothing after the window went";
}

TEST_F(Win32Windowing, FolderPickerOwnedByTheFormAndCancelled) {
    auto owner = open(Form1::layout());
    HWND pickerOwner = nullptr;
    // Cancels the picker from a thread of its own: the picker runs its own message loop.
    std::thread user([&] {
        for (int i = 0; i < 200; ++i) {
            if (HWND picker = ::FindWindowA("#32770", nullptr)) {
                pickerOwner = ::GetWindow(picker, GW_OWNER);
                ::PostMessageA(picker, WM_COMMAND, IDCANCEL, 0);
                return;
            }
            ::Sleep(25);
        }
    });
    const auto chosen = windowing.browseForFolder(owner.get(), "Choose a folder");
    user.join();
    EXPECT_FALSE(chosen.has_value());
    EXPECT_EQ(pickerOwner, native(owner).handle());
}

} // namespace
} // namespace vesperon
