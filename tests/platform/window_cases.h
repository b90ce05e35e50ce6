#pragma once

#include "app/form1.h"
#include "auxiliary/process_list_window.h"
#include "auxiliary/start_config_prompt.h"
#include "check/results_window.h"
#include "config/check_list_editor.h"
#include "platform/form_layout.h"
#include "platform/windowing.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace vesperon::test {

// What a window reports to its form, one line per event.
struct EventRecorder final : platform::WindowEvents {
    std::vector<std::string> log;
    std::function<void()> onEvent; // runs after each event is logged
    void record(std::string line) {
        log.push_back(std::move(line));
        if (onEvent) {
            onEvent();
        }
    }
    void checkChanged(const std::string& c, int v) override {
        record("check " + c + "=" + std::to_string(v));
    }
    void selectionChanged(const std::string& c, int i) override {
        record("select " + c + "=" + std::to_string(i));
    }
    void controlClicked(const std::string& c) override { record("click " + c); }
    void closeRequested() override { record("close"); }
};

// Every window the program shows, and one measured in twips with a control inside a frame.
inline std::vector<platform::FormLayout> windowDesigns() {
    platform::FormLayout twips;
    twips.name = "Twips";
    twips.caption = "Twips";
    twips.unit = platform::FormUnit::Twips;
    twips.clientWidth = 4320;
    twips.clientHeight = 2055;
    constexpr auto plain = platform::ControlLayout::defaultColor;
    twips.controls = {
        {"Box", platform::ControlKind::Frame, "Box", 120, 135, 3000, 1500, 0, "", 0x0000FF},
        {"Inner", platform::ControlKind::CheckBox, "Inner", 240, 360, 2400, 255, 1, "Box", plain},
        {"Note", platform::ControlKind::Label, "Note", 3240, 150, 990, 255, 2, "", plain}};
    return {Form1::layout(), Form2::layout(), Form3::layout(),
            form4::layout(), Form5::layout(), twips};
}

// Where a control must sit in its window's client area, in pixels.
inline platform::Rect expectedRect(const platform::FormLayout& design,
                                   const platform::ControlLayout& c) {
    auto px = [&](int v) { return platform::FormLayout::toPixels(v, design.unit); };
    platform::Rect r{px(c.left), px(c.top), px(c.width), px(c.height)};
    if (const auto* frame = design.control(c.container)) {
        r.left += px(frame->left);
        r.top += px(frame->top);
    }
    return r;
}

// The client area and every control where the design puts them, and no control it lacks.
inline void expectLaidOut(platform::NativeWindow& window, const platform::FormLayout& design) {
    auto px = [&](int v) { return platform::FormLayout::toPixels(v, design.unit); };
    EXPECT_EQ(window.clientArea(),
              (platform::Rect{0, 0, px(design.clientWidth), px(design.clientHeight)}));
    for (const auto& c : design.controls) {
        EXPECT_EQ(window.controlRect(c.name), expectedRect(design, c)) << c.name;
    }
    EXPECT_EQ(window.controlRect("NoSuchControl"), std::nullopt);
}

// Windows of one backend, shown; skipped where that backend has no display.
template <typename Backend> class WindowingTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!windowing.available()) {
            GTEST_SKIP() << "no display";
        }
    }
    std::unique_ptr<platform::NativeWindow> open(const platform::FormLayout& design,
                                                 const std::string& caption = "") {
        auto window = windowing.createWindow(design, events);
        if (!caption.empty()) {
            window->setCaption(caption);
        }
        window->show();
        windowing.processPendingMessages();
        return window;
    }
    Backend windowing;
    EventRecorder events;
};

} // namespace vesperon::test
