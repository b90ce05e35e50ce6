// A window drawn with FLTK from its layout, and what the user does in it.
#include "platform/posix/fltk/fltk_native_window.h"

#include "platform/form_layout.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <algorithm>
#include <vector>

namespace vesperon::platform::posix {

namespace {

// FLTK's default face. Captions drawn with DejaVu Sans, the usual "sans" on Linux, are wider
// than the Windows rectangles allow; labels and check boxes let theirs run on to the right.
constexpr Fl_Fontsize textSize = 12;

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
        int textWidth = 0;
        int unusedHeight = 0;
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
        const bool first = window_->shown() == 0;
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

std::unique_ptr<NativeWindow> createFltkWindow(const FormLayout& design, WindowEvents& events) {
    return std::make_unique<FltkWindow>(design, events);
}

} // namespace vesperon::platform::posix
