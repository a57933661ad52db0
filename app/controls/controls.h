// A small model of the form controls the program is built from.
//
// The forms hold their state in these objects and never touch windows; the Win32
// layer mirrors each control into a real window and feeds user actions back through
// the same setters. The semantics the forms rely on:
//
//  * Setting a list position, a check value, an option value or a slider value from
//    code raises the control's change handler exactly as the user's action does.
//    (A list position raises it on every assignment, even of the same position; a
//    check box, option button or slider only when the value really changes.)
//  * Button::press() runs the button's click, as a user click would.
//  * An invalid value (a list position outside the list, a check value other than
//    0, 1 or 2) throws ControlError and changes nothing.
//
// Everything runs on the one user-interface thread; nothing here is thread-safe.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tk::controls {

struct ControlError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Control;

// What a mirror (the Win32 window of a control) wants to hear about.
enum class Property { Enabled, Visible, Caption, ToolTip, Items, Value, Range, Checked };

class ControlObserver {
  public:
    virtual ~ControlObserver() = default;
    virtual void controlChanged(Control& control, Property what) = 0;
};

class Control {
  public:
    explicit Control(std::string name = {}) : name_(std::move(name)) {}
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    const std::string& name() const { return name_; }

    bool enabled() const { return enabled_; }
    void setEnabled(bool on) { assign(enabled_, on, Property::Enabled); }
    bool visible() const { return visible_; }
    void setVisible(bool on) { assign(visible_, on, Property::Visible); }
    const std::string& caption() const { return caption_; }
    void setCaption(std::string text) { assign(caption_, std::move(text), Property::Caption); }
    const std::string& toolTip() const { return toolTip_; }
    void setToolTip(std::string text) { assign(toolTip_, std::move(text), Property::ToolTip); }

    // One mirror at a time; nullptr detaches.
    void setObserver(ControlObserver* observer) { observer_ = observer; }

  protected:
    void notify(Property what) {
        if (observer_) observer_->controlChanged(*this, what);
    }
    template <typename T, typename U>
    void assign(T& field, U&& value, Property what) {
        if (field == value) return;
        field = std::forward<U>(value);
        notify(what);
    }

  private:
    std::string name_;
    bool enabled_ = true;
    bool visible_ = true;
    std::string caption_;
    std::string toolTip_;
    ControlObserver* observer_ = nullptr;
};

using Handler = std::function<void()>;

class Label : public Control {
  public:
    using Control::Control;
};

class Frame : public Control {
  public:
    using Control::Control;
};

class Button : public Control {
  public:
    using Control::Control;
    Handler onClick;
    // Runs the click, as `cmdSave.Value = True` does: whether or not the button is
    // enabled, since code presses buttons the user cannot reach at that moment.
    void press() {
        if (onClick) onClick();
    }
};

// Drop-down list (unsorted). Position -1 means no selection.
class ListBox : public Control {
  public:
    using Control::Control;
    Handler onClick;

    int listCount() const { return static_cast<int>(items_.size()); }
    int listIndex() const { return index_; }
    const std::string& list(int i) const;  // throws ControlError when out of range
    // The selected item's text, "" without a selection.
    std::string text() const { return index_ < 0 ? std::string() : items_[index_]; }

    void addItem(std::string text);
    void addItem(std::string text, int index);  // inserts; throws when index > count
    void removeItem(int index);
    void clear();
    // Raises onClick on every valid assignment; throws ControlError (and changes
    // nothing) for a position below -1 or not below listCount().
    void setListIndex(int index);

    const std::vector<std::string>& items() const { return items_; }

  private:
    std::vector<std::string> items_;
    int index_ = -1;
};

// 0 clear, 1 ticked, 2 grayed.
class CheckBox : public Control {
  public:
    using Control::Control;
    Handler onClick;
    int value() const { return value_; }
    void setValue(int value);  // raises onClick when the value changes

  private:
    int value_ = 0;
};

// Option buttons of one group: selecting one clears the others (without raising
// theirs), as option buttons in one frame behave.
class OptionButton : public Control {
  public:
    using Control::Control;
    Handler onClick;
    bool value() const { return value_; }
    void setValue(bool on);  // raises onClick when the value changes
    void joinGroup(OptionButton& other);

  private:
    bool value_ = false;
    std::vector<OptionButton*> group_;
};

enum class Orientation { Horizontal, Vertical };

class Slider : public Control {
  public:
    using Control::Control;
    // Raised whenever the value changes, by code or by the user.
    Handler onChange;
    // Raised only while the user moves the slider (after onChange).
    Handler onScroll;

    int value() const { return value_; }
    int min() const { return min_; }
    int max() const { return max_; }
    // Values outside the range are clamped to it.
    void setValue(int value);
    void setRange(int min, int max);

    Orientation orientation = Orientation::Horizontal;
    int smallChange = 1;
    int largeChange = 5;
    int tickFrequency = 10;

  private:
    int value_ = 0;
    int min_ = 0;
    int max_ = 10;
};

class Timer : public Control {
  public:
    using Control::Control;
    Handler onTimer;
    int interval() const { return interval_; }
    void setInterval(int ms) { assign(interval_, ms, Property::Value); }
    // Enabled() of the base is the timer's running state.
    void tick() {
        if (enabled() && onTimer) onTimer();
    }

  private:
    int interval_ = 0;
};

class MenuItem : public Control {
  public:
    using Control::Control;
    Handler onClick;
    bool checked() const { return checked_; }
    void setChecked(bool on) { assign(checked_, on, Property::Checked); }
    void click() {
        if (onClick) onClick();
    }

  private:
    bool checked_ = false;
};

// A menu control array (such as the tray menu's items): item 0 exists from design
// time and cannot be unloaded; others are loaded and unloaded at run time.
class MenuArray : public Control {
  public:
    explicit MenuArray(std::string name = {});
    std::function<void(int index)> onClick;

    int count() const { return static_cast<int>(items_.size()); }
    MenuItem& item(int index);  // throws ControlError when not loaded
    const MenuItem& item(int index) const;
    // Loads item `index`, which must be the next free one; returns it.
    MenuItem& load(int index);
    // Unloads the highest item; item 0 cannot be unloaded (throws).
    void unload(int index);
    void click(int index) {
        if (onClick) onClick(index);
    }

  private:
    std::vector<std::unique_ptr<MenuItem>> items_;
};

enum class MousePointer { Default, Hourglass };

// A form: its caption, visibility and the controls it owns.
class Form : public Control {
  public:
    explicit Form(std::string name = {}) : Control(std::move(name)) { setVisible(false); }
    void show() { setVisible(true); }
    void hide() { setVisible(false); }
};

}  // namespace tk::controls
