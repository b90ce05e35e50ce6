#include "forms/form.h"

#include "base/resume_next.h"

#include <algorithm>
#include <stdexcept>

namespace vesperon {

Form::Form(Forms& forms, platform::FormLayout design) : forms_(forms), design_(std::move(design)) {
    caption_ = design_.caption;
}

Form::~Form() {
    auto& loaded = forms_.loaded_;
    loaded.erase(std::remove(loaded.begin(), loaded.end(), this), loaded.end());
}

void Form::Load() {
    if (loaded_) {
        return;
    }
    loaded_ = true;
    forms_.loaded_.push_back(this);
    Form_Load();
}

void Form::realise() {
    if (window_ || !forms_.windowsEnabled()) {
        return;
    }
    window_ = forms_.windowing().createWindow(design_, *this);
    window_->setCaption(caption_);
    for (const auto& [name, value] : values_) {
        window_->setCheck(name, value);
    }
    for (const auto& [name, list] : lists_) {
        window_->setListItems(name, list.items, list.listIndex);
    }
    for (const auto& [name, text] : texts_) {
        window_->setText(name, text);
    }
}

void Form::Show() {
    Load();
    if (!loaded_) {
        return; // the load handler unloaded the window again
    }
    const bool first = !window_;
    realise();
    visible_ = true;
    if (window_) {
        window_->show();
        if (first && !design_.initialFocus.empty()) {
            window_->setFocus(design_.initialFocus);
        }
    }
}

void Form::Hide() {
    visible_ = false;
    if (window_) {
        window_->hide();
    }
}

void Form::Unload() {
    if (!loaded_) {
        return;
    }
    std::int16_t cancel = 0;
    Form_Unload(cancel);
    if (cancel != 0) {
        return;
    }
    visible_ = false;
    loaded_ = false;
    window_.reset();
    values_.clear();
    lists_.clear();
    texts_.clear();
    caption_ = design_.caption;
    auto& loaded = forms_.loaded_;
    loaded.erase(std::remove(loaded.begin(), loaded.end(), this), loaded.end());
}

void Form::Caption(const std::string& caption) {
    caption_ = caption;
    if (window_) {
        window_->setCaption(caption);
    }
}

const platform::ControlLayout& Form::declared(const std::string& control) const {
    const auto* c = design_.control(control);
    if (c == nullptr) {
        throw std::invalid_argument(design_.name + " has no control named \"" + control + "\"");
    }
    return *c;
}

int Form::Value(const std::string& checkBox) const {
    declared(checkBox);
    auto it = values_.find(checkBox);
    return it == values_.end() ? 0 : it->second;
}

void Form::Value(const std::string& checkBox, int value) {
    declared(checkBox);
    Load();
    values_[checkBox] = value;
    if (window_) {
        window_->setCheck(checkBox, value);
    }
}

const ListBoxState& Form::List(const std::string& listBox) const {
    declared(listBox);
    static const ListBoxState empty;
    auto it = lists_.find(listBox);
    return it == lists_.end() ? empty : it->second;
}

void Form::refreshList(const std::string& listBox) {
    if (window_) {
        const auto& list = lists_[listBox];
        window_->setListItems(listBox, list.items, list.listIndex);
    }
}

void Form::ListClear(const std::string& listBox) {
    declared(listBox);
    Load(); // touching a control loads its window, as with any form
    lists_[listBox] = {};
    refreshList(listBox);
}

void Form::ListAddItem(const std::string& listBox, const std::string& item) {
    declared(listBox);
    Load();
    lists_[listBox].items.push_back(item);
    refreshList(listBox);
}

void Form::ListRemoveItem(const std::string& listBox, int index) {
    declared(listBox);
    auto& list = lists_[listBox];
    if (index < 0 || index >= static_cast<int>(list.items.size())) {
        return;
    }
    list.items.erase(list.items.begin() + index);
    list.listIndex = -1;
    refreshList(listBox);
}

void Form::ListIndex(const std::string& listBox, int index) {
    declared(listBox);
    auto& list = lists_[listBox];
    list.listIndex = (index >= 0 && index < static_cast<int>(list.items.size())) ? index : -1;
    refreshList(listBox);
}

const std::string& Form::Text(const std::string& label) const {
    const auto& c = declared(label);
    auto it = texts_.find(label);
    return it != texts_.end() ? it->second : c.caption;
}

void Form::Text(const std::string& label, const std::string& text) {
    // Unlike the other controls, a label of an unloaded window stays unloaded: a countdown
    // that outlives its window changes nothing anyone can see.
    declared(label);
    if (!loaded_) {
        return;
    }
    texts_[label] = text;
    if (window_) {
        window_->setText(label, text);
    }
}

void Form::userClicks(const std::string& control) {
    if (declared(control).kind == platform::ControlKind::CheckBox) {
        Value(control, Value(control) == 1 ? 0 : 1);
    }
    Click(control);
}

// A native window reports only the controls it drew from the layout.
void Form::checkChanged(const std::string& control, int value) noexcept {
    if (design_.control(control) == nullptr) {
        return;
    }
    values_[control] = value;
}

void Form::selectionChanged(const std::string& control, int index) noexcept {
    if (design_.control(control) == nullptr) {
        return;
    }
    auto& list = lists_[control];
    list.listIndex = (index >= 0 && index < static_cast<int>(list.items.size())) ? index : -1;
}

void UnloadOtherForms(Forms& forms, const Form& keep) {
    for (Form* form : forms.loaded()) {
        if (form->Name() != keep.Name()) {
            resumeNext([&] { form->Unload(); });
        }
    }
}

} // namespace vesperon
