#include "controls.h"

#include <algorithm>

namespace tk::controls {

const std::string& ListBox::list(int i) const {
    if (i < 0 || i >= listCount()) throw ControlError("Invalid list index");
    return items_[i];
}

void ListBox::addItem(std::string text) {
    addItem(std::move(text), listCount());
}

void ListBox::addItem(std::string text, int index) {
    if (index < 0 || index > listCount()) throw ControlError("Invalid list index");
    items_.insert(items_.begin() + index, std::move(text));
    if (index_ >= index) ++index_;
    notify(Property::Items);
}

void ListBox::removeItem(int index) {
    if (index < 0 || index >= listCount()) throw ControlError("Invalid list index");
    items_.erase(items_.begin() + index);
    if (index_ == index)
        index_ = -1;
    else if (index_ > index)
        --index_;
    notify(Property::Items);
}

void ListBox::clear() {
    items_.clear();
    index_ = -1;
    notify(Property::Items);
}

void ListBox::setListIndex(int index) {
    if (index < -1 || index >= listCount()) throw ControlError("Invalid property value");
    bool changed = index != index_;
    index_ = index;
    if (changed) notify(Property::Value);
    if (onClick) onClick();
}

void CheckBox::setValue(int value) {
    if (value < 0 || value > 2) throw ControlError("Invalid property value");
    if (value == value_) return;
    value_ = value;
    notify(Property::Value);
    if (onClick) onClick();
}

void OptionButton::setValue(bool on) {
    if (on == value_) return;
    value_ = on;
    if (on)
        for (OptionButton* other : group_) {
            if (other->value_) {
                other->value_ = false;
                other->notify(Property::Value);
            }
        }
    notify(Property::Value);
    if (onClick) onClick();
}

void OptionButton::joinGroup(OptionButton& other) {
    if (&other == this) return;
    std::vector<OptionButton*> members = group_;
    members.push_back(this);
    for (OptionButton* m : other.group_) members.push_back(m);
    members.push_back(&other);
    std::sort(members.begin(), members.end());
    members.erase(std::unique(members.begin(), members.end()), members.end());
    for (OptionButton* m : members) {
        m->group_.clear();
        for (OptionButton* n : members)
            if (n != m) m->group_.push_back(n);
    }
}

void Slider::setValue(int value) {
    value = std::clamp(value, std::min(min_, max_), std::max(min_, max_));
    if (value == value_) return;
    value_ = value;
    notify(Property::Value);
    if (onChange) onChange();
}

void Slider::setRange(int min, int max) {
    min_ = min;
    max_ = max;
    notify(Property::Range);
    setValue(value_);
}

MenuArray::MenuArray(std::string name) : Control(std::move(name)) {
    items_.push_back(std::make_unique<MenuItem>(this->name() + "(0)"));
}

MenuItem& MenuArray::item(int index) {
    if (index < 0 || index >= count()) throw ControlError("Control array element does not exist");
    return *items_[index];
}

const MenuItem& MenuArray::item(int index) const {
    if (index < 0 || index >= count()) throw ControlError("Control array element does not exist");
    return *items_[index];
}

MenuItem& MenuArray::load(int index) {
    if (index != count()) throw ControlError("Object already loaded");
    items_.push_back(std::make_unique<MenuItem>(name() + "(" + std::to_string(index) + ")"));
    notify(Property::Items);
    return *items_.back();
}

void MenuArray::unload(int index) {
    if (index <= 0 || index >= count()) throw ControlError("Unable to unload within this context");
    if (index != count() - 1) throw ControlError("Only the last item can be unloaded");
    items_.pop_back();
    notify(Property::Items);
}

}  // namespace tk::controls
