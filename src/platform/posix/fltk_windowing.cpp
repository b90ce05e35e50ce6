#include "platform/posix/fltk_windowing.h"

#include "base/text.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <algorithm>
#include <cstdlib>
#include <vector>

namespace vesperon::platform::posix {

namespace {

// FLTK's default face. Captions drawn with DejaVu Sans, the usual "sans" on Linux, are wider
// than the Windows rectangles allow; labels and check boxes let theirs run on to the right.
constexpr Fl_Fontsize textSize = 12;

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) {
            return parts;
        }
        start = end + 1;
    }
}

// "*.txt;*.log" as one FLTK pattern; on Linux "*.*" would miss names without a dot.
std::string fltkPattern(const std::string& windowsPatterns) {
    std::vector<std::string> patterns;
    for (const auto& part : split(windowsPatterns, ';')) {
        const auto pattern = text::trimBlanksAndTabs(part);
        if (pattern == "*.*" || pattern == "*") {
            return "*";
        }
        if (!pattern.empty()) {
            patterns.push_back(pattern);
        }
    }
    if (patterns.empty()) {
        return "*";
    }
    if (patterns.size() == 1) {
        return patterns.front();
    }
    std::string joined = "{";
    for (const auto& pattern : patterns) {
        joined += (joined.size() > 1 ? "," : "") + pattern;
    }
    return joined + "}";
}

Fl_Color toFlColor(std::uint32_t rgb) {
    return fl_rgb_color(static_cast<uchar>(rgb >> 16), static_cast<uchar>(rgb >> 8),
                        static_cast<uchar>(rgb));
}

// A labelled group box: an engraved rectangle with the caption over its top edge.
class GroupBox final : public Fl_Box {
public:
    GroupBox(int x, int y, int w, int h) : Fl_Box(FL_ENGRAVED_FRAME, x, y, w, h, nullptr) {}

protected:
    void draw() override {
        fl_font(labelfont(), labelsize());
        const int textHeight = fl_height();
        const int lineTop = y() + textHeight / 2;
        draw_box(box(), x(), lineTop, w(), h() - (lineTop - y()), color());
        if (label() == nullptr || *label() == '\0') {
            return;
        }
        int textWidth = 0, unusedHeight = 0;
        measure_label(textWidth, unusedHeight);
        const int textLeft = x() + 8;
        textWidth = std::min(textWidth, w() - 16);
        fl_color(color());
        fl_rectf(textLeft - 2, y(), textWidth + 4, textHeight);
        draw_label(textLeft, y(), textWidth, textHeight,
                   FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    }
};

struct Control {
    std::string name;
    ControlKind kind = ControlKind::Button;
    Fl_Widget* widget = nullptr;
    WindowEvents* events = nullptr;
    std::weak_ptr<int> windowLife;
};

void ignoreCallback(Fl_Widget*, void*) {}

// A handler may unload the form and destroy this window: what the second report needs
// is copied first, and the report is dropped once the window is gone.
void onControl(Fl_Widget* widget, void* data) {
    const auto* control = static_cast<const Control*>(data);
    const std::weak_ptr<int> life = control->windowLife;
    WindowEvents& events = *control->events;
    const std::string name = control->name;
    switch (control->kind) {
    case ControlKind::CheckBox:
        events.checkChanged(name, static_cast<Fl_Button*>(widget)->value() != 0 ? 1 : 0);
        if (!life.expired()) {
            events.controlClicked(name);
        }
        break;
    case ControlKind::ListBox:
        events.selectionChanged(name, static_cast<Fl_Browser*>(widget)->value() - 1);
        break;
    case ControlKind::Button:
        events.controlClicked(name);
        break;
    case ControlKind::Frame:
    case ControlKind::Label:
        break;
    }
}

void onClose(Fl_Widget*, void* data) {
    // FLTK calls a window back for the Escape key too; only the close box asks to close.
    if (Fl::event() != FL_CLOSE) {
        return;
    }
    static_cast<WindowEvents*>(data)->closeRequested();
}

class FltkWindow final : public NativeWindow {
public:
    FltkWindow(const FormLayout& design, WindowEvents& events)
        : tool_(design.style == FormStyle::FixedToolWindow) {
        Fl_Group* const outer = Fl_Group::current();
        Fl_Group::current(nullptr);
        const int width = FormLayout::toPixels(design.clientWidth, design.unit);
        const int height = FormLayout::toPixels(design.clientHeight, design.unit);
        window_ = new Fl_Double_Window(width, height);
        window_->copy_label(design.caption.c_str());
        for (const auto& control : design.controls) {
            add(design, control, events);
        }
        window_->end();
        window_->resizable(nullptr);
        window_->size_range(width, height, width, height);
        if (design.centredOnOwner) {
            // No window owns another here: the screen stands for the owner.
            window_->position((Fl::w() - width) / 2, (Fl::h() - height) / 2);
        }
        window_->callback(onClose, &events);
        Fl_Group::current(outer);
    }

    ~FltkWindow() override {
        window_->callback(ignoreCallback, nullptr);
        for (const auto& control : controls_) {
            control->widget->callback(ignoreCallback, nullptr);
        }
        // Deferred: this may run inside a callback of this very window.
        Fl::delete_widget(window_);
    }

    void show() noexcept override {
        const bool first = !window_->shown();
        window_->show();
        if (first && tool_) {
            markAsUtility();
        }
    }

    void hide() noexcept override { window_->hide(); }

    void setCaption(const std::string& caption) noexcept override {
        window_->copy_label(caption.c_str());
    }

    void setCheck(const std::string& name, int value) noexcept override {
        if (auto* control = find(name, ControlKind::CheckBox)) {
            static_cast<Fl_Check_Button*>(control->widget)->value(value != 0 ? 1 : 0);
        }
    }

    void setListItems(const std::string& name, const std::vector<std::string>& items,
                      int selected) noexcept override {
        auto* control = find(name, ControlKind::ListBox);
        if (control == nullptr) {
            return;
        }
        auto* list = static_cast<Fl_Hold_Browser*>(control->widget);
        list->clear();
        for (const auto& item : items) {
            // "@." shows the rest literally: an item may start with FLTK's format character.
            list->add(item.empty() || item.front() != '@' ? item.c_str() : ("@." + item).c_str());
        }
        if (selected >= 0 && selected < static_cast<int>(items.size())) {
            list->select(selected + 1);
            list->make_visible(selected + 1);
        }
    }

    void setText(const std::string& name, const std::string& text) noexcept override {
        if (auto* control = find(name)) {
            control->widget->copy_label(text.c_str());
            window_->redraw(); // labels draw no background, frames lie under their neighbours
        }
    }

    void setFocus(const std::string& name) noexcept override {
        if (auto* control = find(name)) {
            control->widget->take_focus();
        }
    }

    Rect clientArea() noexcept override { return {0, 0, window_->w(), window_->h()}; }

    std::optional<Rect> controlRect(const std::string& name) noexcept override {
        const auto* control = find(name);
        if (control == nullptr) {
            return std::nullopt;
        }
        const Fl_Widget* w = control->widget;
        return Rect{w->x(), w->y(), w->w(), w->h()};
    }

private:
    void add(const FormLayout& design, const ControlLayout& control, WindowEvents& events) {
        const Rect r = design.clientRect(control);
        Fl_Widget* widget = nullptr;
        switch (control.kind) {
        case ControlKind::Frame:
            widget = new GroupBox(r.left, r.top, r.width, r.height);
            // Drawn first, beneath the rest; a frame never takes the focus.
            window_->insert(*widget, 0);
            break;
        case ControlKind::Button:
            widget = new Fl_Button(r.left, r.top, r.width, r.height);
            break;
        case ControlKind::CheckBox:
            widget = new Fl_Check_Button(r.left, r.top, r.width, r.height);
            break;
        case ControlKind::Label: {
            // No background: a label's rectangle may overlap its neighbour's edge.
            auto* box = new Fl_Box(FL_NO_BOX, r.left, r.top, r.width, r.height, nullptr);
            box->align(control.centredText ? FL_ALIGN_CENTER | FL_ALIGN_INSIDE
                                           : FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE);
            widget = box;
            break;
        }
        case ControlKind::ListBox: {
            auto* list = new Fl_Hold_Browser(r.left, r.top, r.width, r.height);
            list->textsize(textSize);
            list->when(FL_WHEN_CHANGED);
            widget = list;
            break;
        }
        }
        widget->copy_label(control.caption.empty() ? nullptr : control.caption.c_str());
        widget->labelsize(textSize);
        if (control.captionColor != ControlLayout::defaultColor) {
            widget->labelcolor(toFlColor(control.captionColor));
        }
        if (control.tabIndex < 0) {
            widget->clear_visible_focus();
        }
        auto entry = std::make_unique<Control>();
        entry->name = control.name;
        entry->kind = control.kind;
        entry->widget = widget;
        entry->events = &events;
        entry->windowLife = life_;
        widget->callback(onControl, entry.get());
        controls_.push_back(std::move(entry));
    }

    Control* find(const std::string& name) {
        for (const auto& control : controls_) {
            if (control->name == name) {
                return control.get();
            }
        }
        return nullptr;
    }

    Control* find(const std::string& name, ControlKind kind) {
        Control* control = find(name);
        return control != nullptr && control->kind == kind ? control : nullptr;
    }

    // FLTK maps a window as it creates it, so the hint follows at once; window managers
    // that follow EWMH re-read the type when it changes.
    void markAsUtility() {
        Display* display = fl_display;
        const Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
        const Atom utility = XInternAtom(display, "_NET_WM_WINDOW_TYPE_UTILITY", False);
        XChangeProperty(display, fl_xid(window_), type, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&utility), 1);
    }

    Fl_Double_Window* window_ = nullptr;
    bool tool_ = false;
    std::vector<std::unique_ptr<Control>> controls_;
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
};

} // namespace

std::string fltkFileFilter(const std::string& windowsFilter) {
    if (windowsFilter.find('|') == std::string::npos) {
        return fltkPattern(windowsFilter);
    }
    const auto parts = split(windowsFilter, '|');
    std::string filter;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        const auto pattern = fltkPattern(parts[i + 1]);
        // FLTK takes the pattern from the first parentheses: drop those of the description.
        const auto name = text::trimBlanksAndTabs(parts[i].substr(0, parts[i].find('(')));
        filter +=
            (filter.empty() ? "" : "\t") + (name.empty() ? pattern : name + " (" + pattern + ")");
    }
    return filter.empty() ? "*" : filter;
}

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
    return std::make_unique<FltkWindow>(design, events);
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
