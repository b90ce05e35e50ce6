#pragma once

#include "platform/windowing.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vesperon::fake {

// A window that only records what it was told.
class FakeNativeWindow final : public platform::NativeWindow {
public:
    void show() override { ++shows; }
    void hide() override { ++hides; }
    void setCaption(const std::string& text) override { caption = text; }
    void setCheck(const std::string& control, int value) override { checks[control] = value; }
    void setListItems(const std::string& control, const std::vector<std::string>& items,
                      int selected) override {
        lists[control] = {items, selected};
    }
    void setText(const std::string& control, const std::string& text) override {
        texts[control] = text;
    }
    void setFocus(const std::string& control) override { focus = control; }
    platform::Rect clientArea() override { return {}; }
    std::optional<platform::Rect> controlRect(const std::string&) override { return std::nullopt; }

    int shows = 0, hides = 0;
    std::string caption, focus;
    std::map<std::string, int> checks;
    std::map<std::string, std::pair<std::vector<std::string>, int>> lists;
    std::map<std::string, std::string> texts;
};

struct ShownMessage {
    std::string prompt;
    int buttons = 0;
    std::string title;
};

struct DialogCall {
    std::string title, filter, initialName;
};

// Windows that record; message boxes and dialogs answer from scripts.
class FakeWindowing final : public platform::Windowing {
public:
    bool available() override { return displayPresent; }
    std::unique_ptr<platform::NativeWindow> createWindow(const platform::FormLayout& design,
                                                         platform::WindowEvents& events) override;
    int messageBox(const std::string& prompt, int buttons, const std::string& title) override;
    std::optional<std::string> openFileDialog(const std::string& title, const std::string& filter,
                                              const std::string& initialName) override;
    std::optional<std::string> browseForFolder(platform::NativeWindow* owner,
                                               const std::string& prompt) override;
    void processPendingMessages() override { ++pendingMessagePasses; }
    void runUntil(const std::function<bool()>& done) override;
    // The live window of a form, or null.
    FakeNativeWindow* window(const std::string& formName);

    bool displayPresent = true;
    std::vector<ShownMessage> messages;
    std::vector<int> answers;                              // next answers, first first
    std::vector<std::optional<std::string>> dialogResults; // nullopt: cancelled
    std::vector<DialogCall> dialogs;
    std::vector<std::optional<std::string>> folderResults; // the folder picker's answers
    std::vector<std::pair<platform::NativeWindow*, std::string>> folderBrowses; // owner, prompt
    std::map<std::string, platform::WindowEvents*> events;                      // by form name
    int pendingMessagePasses = 0;
    // Every text a label was given, by "Form.Label", kept after the window is gone.
    std::map<std::string, std::vector<std::string>> textLog;

private:
    std::map<std::string, FakeNativeWindow*> windows_;
};

} // namespace vesperon::fake
