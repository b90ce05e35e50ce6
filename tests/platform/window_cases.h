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

// What a window reports to its form, one line per event; onEvent runs after each.
struct EventRecorder final : platform::WindowEvents {
    std::vector<std::string> log;
    std::function<void()> onEvent = [] {};
    void record(std::string line) {
        log.push_back(std::move(line));
        onEvent();
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

// Every window the program shows, and (checked) the client area and every control where the
// design puts them (a control in a frame relative to the frame).
inline std::vector<platform::FormLayout> windowDesigns() {
    return {Form1::layout(), Form2::layout(), Form3::layout(), form4::layout(), Form5::layout()};
}
inline void expectLaidOut(platform::NativeWindow& window, const platform::FormLayout& design) {
    auto px = [&](int v) { return platform::FormLayout::toPixels(v, design.unit); };
    EXPECT_EQ(window.clientArea(),
              (platform::Rect{0, 0, px(design.clientWidth), px(design.clientHeight)}));
    for (const auto& c : design.controls) {
        platform::Rect r{px(c.left), px(c.top), px(c.width), px(c.height)};
        if (const auto* frame = design.control(c.container)) {
            r.left += px(frame->left);
            r.top += px(frame->top);
        }
        EXPECT_EQ(window.controlRect(c.name), r) << c.name;
    }
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
