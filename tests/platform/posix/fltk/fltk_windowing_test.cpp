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
#include <filesystem>
#include <functional>

namespace vesperon::platform::posix {
namespace {

TEST(FltkFileFilter, WindowsFiltersBecomeFltkPatterns) {
    EXPECT_EQ(fltkFileFilter("*.*"), "*");
    EXPECT_EQ(fltkFileFilter("*.txt; *.log"), "{*.txt,*.log}");
    EXPECT_EQ(fltkFileFilter("Text Files (*.txt)|*.txt|All Files (*.*)|*.*"),
              "Text Files (*.txt)\tAll Files (*)");
}

TEST(FltkWindowingWithoutDisplay, AnswersQuietlyInsteadOfExiting) {
    if (fl_display != nullptr) {
        GTEST_SKIP() << "this process already has a display";
    }
    test::EnvironmentGuard display("DISPLAY");
    ::setenv("DISPLAY", ":4711", 1);
    FltkWindowing windowing;
    EXPECT_FALSE(windowing.available());
    EXPECT_EQ(windowing.messageBox("?", msgbox::yesNo, "Vesperon"), msgbox::no);
    EXPECT_FALSE(windowing.openFileDialog("Select a File:", "*.*", "").has_value());
    windowing.runUntil([] { return false; }); // returns: nothing could ever end it
}

std::string labelOf(const Fl_Widget* w) {
    return w->label() != nullptr ? w->label() : "";
}

Fl_Window* shownWindow(const std::string& caption) {
    for (Fl_Window* w = Fl::first_window(); w != nullptr; w = Fl::next_window(w)) {
        if (labelOf(w) == caption) {
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
        if (match != nullptr && w->visible() && (label == nullptr || labelOf(w) == label)) {
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

TEST_F(FltkWindowingTest, UserActionsAndTabReachTheFormWhichAloneCloses) {
    auto window = open(Form1::layout(), "events");
    Fl_Window* native = shownWindow("events");
    auto* check = child<Fl_Button>(native, "Force Applications to Close");
    ASSERT_NE(check, nullptr);
    check->value(1); // as the toolkit does before calling back
    check->do_callback();
    child<Fl_Button>(native, "Test Now")->do_callback();
    window->setCheck("ForceCheck", 0);
    EXPECT_EQ(check->value(), 0);
    window->setFocus("ConfigEdit"); // Tab follows the tab order across the frame
    std::vector<std::string> visited;
    for (int i = 0; i < 4; ++i) {
        Fl::e_keysym = FL_Tab;
        Fl::e_state = 0;
        Fl::handle(FL_KEYBOARD, native);
        visited.push_back(Fl::focus() != nullptr ? Fl::focus()->label() : "");
    }
    EXPECT_EQ(visited,
              (std::vector<std::string>{"Write Events to Application Log",
                                        "Force Applications to Close", "Test Now", "View/Edit"}));
    auto editor = open(form4::layout(), "list");
    auto* list = child<Fl_Browser>(shownWindow("list"));
    editor->setListItems("List1", {"/a", "@b", "/c"}, 2);
    EXPECT_EQ(list->size(), 3);
    EXPECT_EQ(list->value(), 3);
    list->select(1);
    list->do_callback();
    Fl::e_keysym = FL_Escape;
    Fl::handle(FL_KEYBOARD, native); // FLTK's way of closing; not the Windows one
    Fl::handle(FL_CLOSE, native);
    EXPECT_TRUE(native->shown()) << "the form decides, not the backend";
    EXPECT_EQ(events.log,
              (std::vector<std::string>{"check ForceCheck=1", "click ForceCheck",
                                        "click ConfigTest", "select List1=0", "close"}));
    events.onEvent = [&] { window.reset(); };
    Fl::handle(FL_CLOSE, native); // destroyed from inside its own callback
    windowing.processPendingMessages();
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(shownWindow("events"), nullptr);
}

// Answers the box or chooser once it shows: notes what it shows ("title: buttons left to right,
// icon", or "title name-given"), then presses `press`, or types it as the name ("": cancel).
struct Answer {
    std::string press, seen;
};

void answerModal(void* data) {
    auto* answer = static_cast<Answer*>(data);
    Fl_Window* dialog = Fl::modal();
    auto* name = dialog != nullptr ? child<Fl_File_Input>(dialog) : nullptr;
    // A chooser runs events while it fills itself; it is ready once its name field has the focus.
    if (dialog == nullptr || (name != nullptr && Fl::focus() != name)) {
        Fl::repeat_timeout(0.01, answerModal, data);
        return;
    }
    answer->seen = labelOf(dialog) + (name != nullptr ? " " : ":");
    if (name != nullptr) {
        answer->seen += name->value();
        name->value(answer->press.c_str());
        Fl_Button* ok = child<Fl_Return_Button>(dialog);
        (answer->press.empty() ? child<Fl_Button>(dialog, "Cancel") : ok)->do_callback();
        return;
    }
    std::vector<Fl_Button*> buttons;
    for (int i = 0; i < dialog->children(); ++i) {
        auto* b = dynamic_cast<Fl_Button*>(dialog->child(i));
        if (b != nullptr && b->visible()) {
            buttons.push_back(b);
        }
    }
    std::sort(buttons.begin(), buttons.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
    for (auto* b : buttons) {
        answer->seen += " " + labelOf(b);
        if (answer->press == b->label()) {
            b->do_callback();
        }
    }
    answer->seen += fl_message_icon()->visible() ? ", icon " + labelOf(fl_message_icon()) : "";
}

TEST_F(FltkWindowingTest, BoxesAndChoosersShowWhatWindowsShowsAndAnswerAsItDoes) {
    test::TempDir dir;
    const std::string start = dir.file("start.txt"), picked = dir.file("picked.txt");
    const std::string here = std::filesystem::current_path().string() + "/";
    dir.write("picked.txt", "x");
    auto box = [&](int buttons) {
        return [&, buttons] {
            return std::to_string(
                windowing.messageBox("Proceed with 100% of it?", buttons, "Vesperon"));
        };
    };
    auto file = [&] {
        return windowing.openFileDialog("Select a File:", "*.*", start).value_or("-");
    };
    auto folder = [&] {
        return windowing.browseForFolder(nullptr, "Choose a folder").value_or("-");
    };
    const int yesNo = msgbox::yesNo | msgbox::question;
    const struct {
        std::function<std::string()> show;
        Answer answer;
        std::string result;
    } cases[] = {{box(msgbox::information), {"OK", "Vesperon: OK, icon i"}, "1"},
                 {box(yesNo), {"No", "Vesperon: Yes No, icon ?"}, "7"},
                 {box(yesNo), {"Yes", "Vesperon: Yes No, icon ?"}, "6"},
                 {file, {picked, "Select a File: " + start}, picked},
                 {folder, {dir.path(), "Choose a folder " + here}, dir.path()},
                 {folder, {"", "Choose a folder " + here}, "-"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer.seen);
        Answer seen{c.answer.press, ""};
        Fl::add_timeout(0.0, answerModal, &seen);
        EXPECT_EQ(c.show(), c.result);
        EXPECT_EQ(seen.seen, c.answer.seen);
    }
}

} // namespace
} // namespace vesperon::platform::posix
