#include "platform/posix/fltk/fltk_file_filter.h"
#include "platform/posix/fltk/fltk_windowing.h"
#include "platform/window_cases.h"
#include "support/environment_guard.h"
#include "support/temp_dir.h"

// clang-format off
// GoogleTest first: Xlib defines None and Bool as macros.
#include <gtest/gtest.h>
#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_File_Input.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
// clang-format on

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vesperon::platform::posix {
namespace {

TEST(FltkFileFilter, WindowsFiltersBecomeFltkPatterns) {
    const struct {
        const char* windows;
        const char* fltk;
    } cases[] = {
        {"*.*", "*"},
        {"*.txt; *.log", "{*.txt,*.log}"},
        {"Text Files (*.txt)|*.txt|All Files (*.*)|*.*", "Text Files (*.txt)\tAll Files (*)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fltkFileFilter(c.windows), c.fltk) << c.windows;
    }
}

TEST(FltkWindowingWithoutDisplay, AnswersQuietlyInsteadOfExiting) {
    if (fl_display != nullptr) {
        GTEST_SKIP() << "this process already has a display";
    }
    test::EnvironmentGuard display("DISPLAY");
    for (const char* display : {static_cast<const char*>(nullptr), "", ":4711"}) {
        display != nullptr ? ::setenv("DISPLAY", display, 1) : ::unsetenv("DISPLAY");
        FltkWindowing windowing;
        EXPECT_FALSE(windowing.available());
        EXPECT_EQ(windowing.messageBox("?", msgbox::yesNo, "Vesperon"), msgbox::no);
        EXPECT_FALSE(windowing.openFileDialog("Select a File:", "*.*", "").has_value());
        windowing.runUntil([] { return false; }); // returns: nothing could ever end it
    }
}

Fl_Window* shownWindow(const std::string& caption) {
    for (Fl_Window* w = Fl::first_window(); w != nullptr; w = Fl::next_window(w)) {
        if (w->label() != nullptr && caption == w->label()) {
            return w;
        }
    }
    return nullptr;
}

// The first visible widget of that type (and label), searched depth first.
template <typename Widget> Widget* child(Fl_Group* group, const char* label = nullptr) {
    for (int i = 0; i < group->children(); ++i) {
        Fl_Widget* w = group->child(i);
        auto* match = dynamic_cast<Widget*>(w);
        if (match != nullptr && w->visible() &&
            (label == nullptr || (w->label() != nullptr && std::strcmp(w->label(), label) == 0))) {
            return match;
        }
        if (Fl_Group* inner = w->as_group(); inner != nullptr && w->visible()) {
            if (auto* found = child<Widget>(inner, label)) {
                return found;
            }
        }
    }
    return nullptr;
}

using FltkWindowingTest = test::WindowingTest<FltkWindowing>;

Atom windowType(Window xid) {
    Atom type = None, actual = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(fl_display, xid, XInternAtom(fl_display, "_NET_WM_WINDOW_TYPE", False), 0, 1,
                       False, XA_ATOM, &actual, &format, &count, &after, &data);
    if (count == 1) {
        type = *reinterpret_cast<Atom*>(data);
    }
    XFree(data);
    return type;
}

TEST_F(FltkWindowingTest, WindowsAndControlsGetExactlyTheirRectangles) {
    for (const FormLayout& design : test::windowDesigns()) {
        SCOPED_TRACE(design.name);
        auto window = open(design, "layout " + design.name);
        test::expectLaidOut(*window, design);
        // What the X server and the window manager are told: that size, and no other.
        const Window xid = fl_xid(shownWindow("layout " + design.name));
        XWindowAttributes attributes{};
        XGetWindowAttributes(fl_display, xid, &attributes);
        EXPECT_EQ(attributes.width, window->clientArea().width);
        EXPECT_EQ(attributes.height, window->clientArea().height);
        XSizeHints hints{};
        long supplied = 0;
        XGetWMNormalHints(fl_display, xid, &hints, &supplied);
        EXPECT_EQ(hints.min_width, hints.max_width);
        EXPECT_EQ(hints.min_height, hints.max_height);
        EXPECT_EQ(windowType(xid),
                  design.style == FormStyle::FixedToolWindow
                      ? XInternAtom(fl_display, "_NET_WM_WINDOW_TYPE_UTILITY", False)
                      : None);
    }
}

TEST_F(FltkWindowingTest, UserActionsAreReportedInOrder) {
    auto window = open(Form1::layout(), "events");
    Fl_Window* native = shownWindow("events");
    auto* check = child<Fl_Button>(native, "Force Applications to Close");
    ASSERT_NE(check, nullptr);
    check->value(1); // as the toolkit does before calling back
    check->do_callback();
    child<Fl_Button>(native, "Test Now")->do_callback();
    EXPECT_EQ(events.log, (std::vector<std::string>{"check ForceCheck=1", "click ForceCheck",
                                                    "click ConfigTest"}));

    window->setCheck("ForceCheck", 0);
    EXPECT_EQ(check->value(), 0);

    auto editor = open(form4::layout(), "list");
    auto* list = child<Fl_Browser>(shownWindow("list"));
    editor->setListItems("List1", {"/a", "@b", "/c"}, 2);
    EXPECT_EQ(list->size(), 3);
    EXPECT_EQ(list->value(), 3);
    list->select(1);
    list->do_callback();
    EXPECT_EQ(events.log.back(), "select List1=0");
}

TEST_F(FltkWindowingTest, TabFollowsTheTabOrderAcrossTheFrame) {
    auto window = open(Form1::layout(), "tabs");
    window->setFocus("ConfigEdit");
    std::vector<std::string> visited;
    for (int i = 0; i < 4; ++i) {
        Fl::e_keysym = FL_Tab;
        Fl::e_state = 0;
        Fl::handle(FL_KEYBOARD, shownWindow("tabs"));
        visited.push_back(Fl::focus() != nullptr ? Fl::focus()->label() : "");
    }
    EXPECT_EQ(visited,
              (std::vector<std::string>{"Write Events to Application Log",
                                        "Force Applications to Close", "Test Now", "View/Edit"}));
}

TEST_F(FltkWindowingTest, CloseBoxOnlyAsksAndTheFormMayDestroyTheWindowInside) {
    auto window = open(Form2::layout(), "closing");
    Fl_Window* native = shownWindow("closing");
    Fl::e_keysym = FL_Escape;
    Fl::handle(FL_KEYBOARD, native); // FLTK's way of closing; not the Windows one
    Fl::handle(FL_CLOSE, native);
    EXPECT_EQ(events.log, std::vector<std::string>{"close"});
    EXPECT_TRUE(native->shown()) << "the form decides, not the backend";

    events.onEvent = [&] { window.reset(); };
    Fl::handle(FL_CLOSE, native); // destroyed from inside its own callback
    windowing.processPendingMessages();
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(shownWindow("closing"), nullptr);
}

struct BoxCase {
    int buttons;
    std::vector<std::string> labels; // left to right
    const char* icon;                // nullptr: no icon shown
    const char* press;
    int answer;
};

struct BoxSeen {
    const BoxCase* box;
    std::string title;
    std::vector<std::string> labels;
    bool iconVisible = false;
    std::string icon;
};

void answerBox(void* data) {
    auto* seen = static_cast<BoxSeen*>(data);
    Fl_Window* dialog = Fl::modal();
    if (dialog == nullptr) {
        Fl::repeat_timeout(0.01, answerBox, data);
        return;
    }
    seen->title = dialog->label() != nullptr ? dialog->label() : "";
    seen->iconVisible = fl_message_icon()->visible() != 0;
    seen->icon = fl_message_icon()->label() != nullptr ? fl_message_icon()->label() : "";
    std::vector<Fl_Button*> buttons;
    for (int i = 0; i < dialog->children(); ++i) {
        auto* b = dynamic_cast<Fl_Button*>(dialog->child(i));
        if (b != nullptr && b->visible()) {
            buttons.push_back(b);
        }
    }
    std::sort(buttons.begin(), buttons.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
    for (auto* b : buttons) {
        seen->labels.push_back(b->label());
        if (seen->labels.back() == seen->box->press) {
            b->do_callback();
        }
    }
}

TEST_F(FltkWindowingTest, MessageBoxesShowTheirButtonsAndIconAndAnswerLikeWindows) {
    const BoxCase cases[] = {
        // The kinds the program shows.
        {msgbox::okOnly, {"OK"}, nullptr, "OK", msgbox::ok},
        {msgbox::information, {"OK"}, "i", "OK", msgbox::ok},
        {msgbox::yesNo | msgbox::question, {"Yes", "No"}, "?", "No", msgbox::no},
        {msgbox::yesNo | msgbox::question, {"Yes", "No"}, "?", "Yes", msgbox::yes},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.buttons);
        BoxSeen seen{&c, "", {}, false, ""};
        Fl::add_timeout(0.0, answerBox, &seen);
        EXPECT_EQ(windowing.messageBox("Proceed with 100% of it?", c.buttons, "Vesperon"),
                  c.answer);
        EXPECT_EQ(seen.title, "Vesperon");
        EXPECT_EQ(seen.labels, c.labels);
        EXPECT_EQ(seen.iconVisible, c.icon != nullptr);
        if (c.icon != nullptr) {
            EXPECT_EQ(seen.icon, c.icon);
        }
    }
}

struct DialogSeen {
    std::string path; // typed in; empty: cancel
    std::string title;
    std::string initial;
};

void answerDialog(void* data) {
    auto* seen = static_cast<DialogSeen*>(data);
    Fl_Window* dialog = Fl::modal();
    auto* name = dialog != nullptr ? child<Fl_File_Input>(dialog) : nullptr;
    auto* ok = dialog != nullptr ? child<Fl_Return_Button>(dialog) : nullptr;
    auto* cancel = dialog != nullptr ? child<Fl_Button>(dialog, "Cancel") : nullptr;
    // The chooser runs events while it fills itself; it is ready once its name field has the focus.
    if (name == nullptr || ok == nullptr || cancel == nullptr || Fl::focus() != name) {
        Fl::repeat_timeout(0.01, answerDialog, data);
        return;
    }
    seen->title = dialog->label() != nullptr ? dialog->label() : "";
    seen->initial = name->value();
    if (seen->path.empty()) {
        cancel->do_callback();
    } else {
        name->value(seen->path.c_str());
        ok->do_callback();
    }
}

TEST_F(FltkWindowingTest, FileAndFolderDialogsReturnTheChosenPathOrNothing) {
    test::TempDir dir;
    dir.write("picked.txt", "x");
    DialogSeen file{dir.file("picked.txt"), "", ""};
    Fl::add_timeout(0.0, answerDialog, &file);
    EXPECT_EQ(windowing.openFileDialog("Select a File:", "*.*", dir.file("start.txt")),
              dir.file("picked.txt"));
    EXPECT_EQ(file.title, "Select a File:");
    EXPECT_EQ(file.initial, dir.file("start.txt"));
    DialogSeen folder{dir.path(), "", ""};
    Fl::add_timeout(0.0, answerDialog, &folder);
    EXPECT_EQ(windowing.browseForFolder(nullptr, "Choose a folder"), dir.path());
    EXPECT_EQ(folder.title, "Choose a folder");

    DialogSeen cancelled{"", "", ""};
    Fl::add_timeout(0.0, answerDialog, &cancelled);
    EXPECT_FALSE(windowing.openFileDialog("Select a File:", "*.*", dir.file("x")).has_value());
    Fl::add_timeout(0.0, answerDialog, &cancelled);
    EXPECT_FALSE(windowing.browseForFolder(nullptr, "Choose a folder").has_value());
}

} // namespace
} // namespace vesperon::platform::posix
