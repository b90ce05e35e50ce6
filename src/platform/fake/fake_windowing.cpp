#include "platform/fake/fake_windowing.h"

#include "base/text.h"

#include <new>
#include <utility>

namespace vesperon::fake {

namespace {

// Forgets its window in the fake's table when the form lets it go.
class TrackedWindow final : public platform::NativeWindow {
public:
    TrackedWindow(std::map<std::string, FakeNativeWindow*>& table,
                  std::map<std::string, std::vector<std::string>>& textLog, std::string name)
        : table_(table), textLog_(textLog), name_(std::move(name)) {
        table_[name_] = &window_;
    }
    ~TrackedWindow() override { table_.erase(name_); }
    void show() override { window_.show(); }
    void hide() override { window_.hide(); }
    void setCaption(const std::string& text) override { window_.setCaption(text); }
    void setCheck(const std::string& c, int v) override { window_.setCheck(c, v); }
    void setListItems(const std::string& c, const std::vector<std::string>& items,
                      int selected) override {
        window_.setListItems(c, items, selected);
    }
    void setText(const std::string& c, const std::string& t) override {
        window_.setText(c, t);
        textLog_[name_ + "." + c].push_back(t);
    }
    void setFocus(const std::string& c) override { window_.setFocus(c); }
    platform::Rect clientArea() override { return {}; }
    std::optional<platform::Rect> controlRect(const std::string&) override { return std::nullopt; }

private:
    std::map<std::string, FakeNativeWindow*>& table_;
    std::map<std::string, std::vector<std::string>>& textLog_;
    std::string name_;
    FakeNativeWindow window_;
};

} // namespace

std::unique_ptr<platform::NativeWindow>
FakeWindowing::createWindow(const platform::FormLayout& design, platform::WindowEvents& e) {
    events[design.name] = &e;
    return std::make_unique<TrackedWindow>(windows_, textLog, design.name);
}

FakeNativeWindow* FakeWindowing::window(const std::string& formName) {
    auto it = windows_.find(formName);
    return it == windows_.end() ? nullptr : it->second;
}

int FakeWindowing::messageBox(const std::string& prompt, int buttons, const std::string& title) {
    messages.push_back({prompt, buttons, title});
    if (answers.empty()) {
        return platform::msgbox::ok;
    }
    const int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
}

std::optional<std::string> FakeWindowing::openFileDialog(const std::string& title,
                                                         const std::string& filter,
                                                         const std::string& initialName) {
    dialogs.push_back({title, filter, initialName});
    if (dialogResults.empty()) {
        return std::nullopt;
    }
    auto result = dialogResults.front();
    dialogResults.erase(dialogResults.begin());
    return result;
}

std::optional<std::string> FakeWindowing::browseForFolder(platform::NativeWindow* owner,
                                                          const std::string& prompt) {
    folderBrowses.emplace_back(owner, prompt);
    if (folderResults.empty()) {
        return std::nullopt;
    }
    auto result = folderResults.front();
    folderResults.erase(folderResults.begin());
    return result;
}

void FakeWindowing::runUntil(const std::function<bool()>& /*done*/) {
    // Nothing happens on its own here: a test drives the handlers itself.
}

} // namespace vesperon::fake
