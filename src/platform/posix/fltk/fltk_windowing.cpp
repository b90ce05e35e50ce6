#include "platform/posix/fltk/fltk_windowing.h"

#include "platform/posix/fltk/fltk_file_filter.h"
#include "platform/posix/fltk/fltk_native_window.h"

#include <FL/Fl.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/fl_ask.H>
#include <FL/x.H>
#include <X11/Xlib.h>
#include <cstdlib>

namespace vesperon::platform::posix {

namespace {

// Runs the chooser until the user closes it; what was chosen, or nullopt when cancelled.
std::optional<std::string> choose(Fl_File_Chooser& chooser) {
    chooser.show();
    while (chooser.shown() != 0) {
        Fl::wait();
    }
    const char* chosen = chooser.count() > 0 ? chooser.value() : nullptr;
    if (chosen == nullptr || *chosen == '\0') {
        return std::nullopt;
    }
    return std::string(chosen);
}

} // namespace

FltkWindowing::FltkWindowing() noexcept = default;

FltkWindowing::~FltkWindowing() {
    if (fl_display != nullptr) {
        Fl::do_widget_deletion();
    }
}

bool FltkWindowing::available() noexcept {
    if (fl_display != nullptr) {
        return true;
    }
    // FLTK's own opening ends the process when there is no display: open it here instead.
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        return false;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    fl_open_display(display);
    return true;
}

std::unique_ptr<NativeWindow> FltkWindowing::createWindow(const FormLayout& design,
                                                          WindowEvents& events) noexcept {
    if (!available()) {
        return std::make_unique<NoWindow>();
    }
    return createFltkWindow(design, events);
}

int FltkWindowing::messageBox(const std::string& prompt, int buttons,
                              const std::string& title) noexcept {
    const int buttonSet = buttons & 0x0F;
    if (!available()) {
        return msgbox::dismissed(buttonSet);
    }
    // The icon box keeps what is set here; FLTK puts its own mark only into an empty one.
    Fl_Widget* icon = fl_message_icon();
    const Fl_Color iconColor = icon->labelcolor();
    switch (buttons & 0xF0) {
    case msgbox::critical:
        icon->label("!");
        icon->labelcolor(FL_RED);
        break;
    case msgbox::question:
        icon->label("?");
        break;
    case msgbox::exclamation:
        icon->label("!");
        break;
    case msgbox::information:
        icon->label("i");
        break;
    default:
        icon->hide();
        break;
    }
    fl_message_title(title.c_str());
    // fl_choice lays out b0 rightmost (Escape), b1 left of it (Return), b2 leftmost.
    int answer = msgbox::ok;
    switch (buttonSet) {
    case msgbox::okCancel:
        answer = fl_choice("%s", "Cancel", "OK", nullptr, prompt.c_str()) == 1 ? msgbox::ok
                                                                               : msgbox::cancel;
        break;
    case msgbox::yesNo:
        answer =
            fl_choice("%s", "No", "Yes", nullptr, prompt.c_str()) == 1 ? msgbox::yes : msgbox::no;
        break;
    case msgbox::yesNoCancel: {
        // Read left to right as Windows shows them: Yes, No, Cancel.
        const int choice = fl_choice("%s", "Cancel", "No", "Yes", prompt.c_str());
        answer = choice == 2 ? msgbox::yes : choice == 1 ? msgbox::no : msgbox::cancel;
        break;
    }
    default:
        fl_choice("%s", nullptr, "OK", nullptr, prompt.c_str());
        break;
    }
    icon->label(nullptr);
    icon->labelcolor(iconColor);
    icon->show();
    return answer;
}

std::optional<std::string> FltkWindowing::openFileDialog(const std::string& title,
                                                         const std::string& filter,
                                                         const std::string& initialName) noexcept {
    if (!available()) {
        return std::nullopt;
    }
    const std::string pattern = fltkFileFilter(filter);
    // CREATE accepts a name that does not exist: the caller says so in its own words.
    Fl_File_Chooser chooser(nullptr, pattern.c_str(), Fl_File_Chooser::CREATE, title.c_str());
    if (!initialName.empty()) {
        chooser.value(initialName.c_str());
    }
    return choose(chooser);
}

std::optional<std::string> FltkWindowing::browseForFolder(NativeWindow* /*owner*/,
                                                          const std::string& prompt) noexcept {
    if (!available()) {
        return std::nullopt;
    }
    // Only folders can be chosen; the chooser is modal to the whole program.
    Fl_File_Chooser chooser(nullptr, "*", Fl_File_Chooser::DIRECTORY, prompt.c_str());
    auto folder = choose(chooser);
    if (!folder) {
        return std::nullopt;
    }
    while (folder->size() > 1 && folder->back() == '/') {
        folder->pop_back();
    }
    return folder;
}

void FltkWindowing::processPendingMessages() noexcept {
    if (fl_display != nullptr) {
        Fl::check();
    }
}

void FltkWindowing::runUntil(const std::function<bool()>& done) noexcept {
    // Without a display no event can ever change done().
    if (fl_display == nullptr) {
        return;
    }
    while (!done()) {
        Fl::wait(0.1);
    }
    Fl::do_widget_deletion();
}

} // namespace vesperon::platform::posix
