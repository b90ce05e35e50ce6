#pragma once

#include "platform/form_layout.h"
#include "platform/windowing.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vesperon {

class Form;

// The loaded windows of the program. The process ends when the last one is unloaded.
class Forms {
public:
    explicit Forms(platform::Windowing& windowing) : windowing_(windowing) {}
    platform::Windowing& windowing() { return windowing_; }
    // Windows are drawn only once interactive mode is known; until then forms live unseen.
    void enableWindows() { windowsEnabled_ = true; }
    bool windowsEnabled() const { return windowsEnabled_; }
    std::vector<Form*> loaded() const { return loaded_; }
    bool empty() const { return loaded_.empty(); }

private:
    friend class Form;
    platform::Windowing& windowing_;
    bool windowsEnabled_ = false;
    std::vector<Form*> loaded_;
};

// A list box's content as the form keeps it.
struct ListBoxState {
    std::vector<std::string> items;
    int listIndex = -1; // the selected item, -1 for none
};

// A window of the program: loaded on first use, shown modeless, hidden, unloaded. It keeps
// the state of its controls; the native window, when there is one, shows that state.
class Form : public platform::WindowEvents {
public:
    Form(Forms& forms, platform::FormLayout design);
    ~Form() override;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& Name() const { return design_.name; }
    const platform::FormLayout& design() const { return design_; }
    bool Loaded() const { return loaded_; }
    bool Visible() const { return visible_; }

    void Load(); // runs Form_Load once, when not loaded yet
    void Show(); // loads when needed; shows the window, or brings it forward
    void Hide();
    void Unload(); // runs Form_Unload; the window goes unless the handler cancels

    const std::string& Caption() const { return caption_; }
    void Caption(const std::string& caption);
    int Value(const std::string& checkBox) const;
    void Value(const std::string& checkBox, int value);
    const ListBoxState& List(const std::string& listBox) const;
    void ListClear(const std::string& listBox);
    void ListAddItem(const std::string& listBox, const std::string& item);
    void ListRemoveItem(const std::string& listBox, int index);
    void ListIndex(const std::string& listBox, int index);
    // A label's text.
    const std::string& Text(const std::string& label) const;
    void Text(const std::string& label, const std::string& text);

    // What a user's click does: a check box toggles, then the control's click handler runs.
    void userClicks(const std::string& control);

    // WindowEvents, from the native window. On Linux they come from the window module, which
    // has a C++ runtime of its own: nothing may be thrown back into it.
    void checkChanged(const std::string& control, int value) noexcept override;
    void selectionChanged(const std::string& control, int index) noexcept override;
    void controlClicked(const std::string& control) noexcept override { Click(control); }
    void closeRequested() noexcept override { Unload(); }

    platform::NativeWindow* nativeWindow() { return window_.get(); }

protected:
    virtual void Form_Load() {}
    virtual void Form_Unload(std::int16_t& /*cancel*/) {}
    // Dispatches a control's click to its handler (ConfigTest_Click, ...).
    virtual void Click(const std::string& /*control*/) {}
    Forms& forms() { return forms_; }

private:
    // The layout is the one declaration of a window's controls: a name it does not hold is a
    // fault in the program, thrown as std::invalid_argument.
    const platform::ControlLayout& declared(const std::string& control) const;
    void realise(); // draws the native window from the design and the kept state
    void refreshList(const std::string& listBox);

    Forms& forms_;
    platform::FormLayout design_;
    bool loaded_ = false;
    bool visible_ = false;
    std::string caption_;
    std::map<std::string, int> values_;
    std::map<std::string, ListBoxState> lists_;
    std::map<std::string, std::string> texts_;
    std::unique_ptr<platform::NativeWindow> window_;
};

// Unloads every loaded window whose name differs from keep's.
void UnloadOtherForms(Forms& forms, const Form& keep);

} // namespace vesperon
