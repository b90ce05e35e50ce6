#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vesperon::platform {

// A window declared once, toolkit-neutral; each windowing backend draws it as it stands.

enum class ControlKind { Frame, Button, CheckBox, Label, ListBox };

struct ControlLayout {
    std::string name;
    ControlKind kind = ControlKind::Button;
    std::string caption;
    // In the form's unit, from the top left of the client area, or of the frame named
    // by container for a control inside a frame.
    int left = 0, top = 0, width = 0, height = 0;
    int tabIndex = -1; // -1: takes no part in the tab order
    std::string container;
    std::uint32_t captionColor = defaultColor; // 0xRRGGBB
    bool centredText = false;                  // labels: text centred in the rectangle
    static constexpr std::uint32_t defaultColor = 0xFFFFFFFF;
};

enum class FormUnit { Pixels, Twips }; // twips: 15 to the pixel at 96 dots per inch
enum class FormStyle { Normal, FixedToolWindow };

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
};

struct FormLayout {
    std::string name;
    std::string caption;
    int clientWidth = 0, clientHeight = 0;
    FormUnit unit = FormUnit::Pixels;
    FormStyle style = FormStyle::Normal;
    std::vector<ControlLayout> controls; // in tab order
    std::string initialFocus;            // the control that has the focus when first shown
    bool centredOnOwner = false;         // opens centred on the program's main window (or screen)

    const ControlLayout* control(const std::string& controlName) const {
        for (const auto& c : controls) {
            if (c.name == controlName) {
                return &c;
            }
        }
        return nullptr;
    }
    static int toPixels(int value, FormUnit unit) {
        return unit == FormUnit::Twips ? value / 15 : value;
    }
    // Where a control sits in the client area, in pixels: its own rectangle moved by the
    // frame that holds it. Only that frame counts, not a frame holding the frame: the
    // backends draw every control on the window itself.
    Rect clientRect(const ControlLayout& c) const {
        Rect rect{toPixels(c.left, unit), toPixels(c.top, unit), toPixels(c.width, unit),
                  toPixels(c.height, unit)};
        if (const ControlLayout* frame = c.container.empty() ? nullptr : control(c.container)) {
            rect.left += toPixels(frame->left, unit);
            rect.top += toPixels(frame->top, unit);
        }
        return rect;
    }
};

} // namespace vesperon::platform
