// The window framework: one class per window, mirroring a form of the control model
// into a real top-level window with real child controls.
//
// A FormWindow binds itself as the ControlObserver of the form and of every control in
// its layout table, so a change made by the form's code (caption, enabled, visible, tool
// tip, list items, list position, check value, slider value and range, timer state)
// updates the child window at once. User actions come back through the model's own
// setters, so they raise the form's handlers exactly as code does:
//   CBN_SELCHANGE -> ListBox::setListIndex      BN_CLICKED -> CheckBox::setValue (toggle),
//   OptionButton::setValue(true), Button::press  WM_HSCROLL/WM_VSCROLL -> Slider::setValue,
//   then Slider::onScroll                        WM_TIMER -> Timer::tick
// While the framework writes a value into a child it ignores that child's notifications,
// so nothing loops back. An exception thrown by a handler is stopped at the window
// procedure (it must not unwind through Windows) and the message counts as handled.
//
// Frames go to the bottom of the z-order wherever they stand in the table, so the
// controls inside them stay visible; the window answers WM_PRINTCLIENT with its
// background for themed group boxes.
//
// Layout: one table per window. Positions are 96-dpi pixels of the client area and are
// scaled to the window's DPI (per-monitor aware; WM_DPICHANGED re-lays the window). For a
// drop-down list the height is that of the opened list; the closed box takes the font's
// height. The font is the system's message font (Segoe UI / Tahoma) at the window's DPI.
//
// Usage, e.g. for a dialog (its form `frmSound dlg` owns the controls):
//
//   class SoundWindow : public FormWindow {
//   public:
//       explicit SoundWindow(frmSound& form) : FormWindow(form), form_(form) {}
//       bool open(HWND owner) {
//           static const WindowDesign design{L"HavroTonekeepSound", kDialogStyle, 0, 420, 300};
//           const ControlDesign table[] = {
//               {&form_.sldMaster, ControlKind::Slider, 2001, 12, 12, 40, 160},
//               {&form_.cmdOk, ControlKind::Button, 2002, 330, 260, 80, 26},
//           };
//           return create(design, owner, table);  // the window stays hidden
//       }
//   protected:
//       void onClose() override { form_.hide(); }  // the default; unload instead
//   private:
//       frmSound& form_;
//   };
//
//   then form.show() shows it (the form's Visible is mirrored), destroy() unloads it.
//   runModal(owner) shows it modally (the owner disabled) until it is destroyed.
//
// The message loop gives every message to FormWindow::preTranslate first: it offers the
// window's key preview (onKeyPreview) and dialog navigation (Tab, access keys, Esc/Enter
// as IDCANCEL/IDOK commands).
//
// Everything runs on the user-interface thread.
#pragma once

#include <windows.h>

#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "controls/controls.h"

namespace tk::win {

enum class ControlKind { Label, Frame, Button, CheckBox, OptionButton, ListBox, Slider, Timer };

// One row of a layout table. `control` must be of the class the kind names.
struct ControlDesign {
    controls::Control* control = nullptr;
    ControlKind kind = ControlKind::Label;
    int id = 0;  // child window id (for a Timer: the timer id)
    int x = 0, y = 0, width = 0, height = 0;
    DWORD extraStyle = 0;  // added to the kind's own style (e.g. SS_RIGHT)
};

// One row of a menu bar table: depth 0 is on the bar, depth 1 is an item of the last
// depth-0 row above it. A null item is a separator.
struct MenuSpec {
    controls::MenuItem* item = nullptr;
    int id = 0;
    int depth = 0;
};

struct WindowDesign {
    const wchar_t* className = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    int clientWidth = 0;  // 96-dpi pixels
    int clientHeight = 0;
};

// A fixed dialog frame: caption, system menu, minimize box, single border. Neither clips
// its children: a frame (group box) paints only its border and caption, so the window
// paints the background inside it.
inline constexpr DWORD kFixedWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
inline constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;

class FormWindow : protected controls::ControlObserver {
  public:
    explicit FormWindow(controls::Form& form);
    ~FormWindow() override;
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    // Creates the window (hidden, at a place Windows chooses, owned by `owner`), its
    // children from `table` and its menu bar from `menu`. False when creation failed.
    bool create(const WindowDesign& design, HWND owner, std::span<const ControlDesign> table,
                std::span<const MenuSpec> menu = {});
    // Destroys the window and detaches from the model (safe to call twice).
    void destroy();

    HWND hwnd() const { return hwnd_; }
    HWND item(int id) const { return hwnd_ ? GetDlgItem(hwnd_, id) : nullptr; }
    controls::Form& form() { return form_; }
    // A length in 96-dpi pixels at the window's DPI.
    int scale(int px) const { return MulDiv(px, dpi_, 96); }
    UINT dpi() const { return dpi_; }

    // Moves a child of the table (96-dpi pixels, kept across DPI changes) or sets the
    // client size: for windows whose layout has variants (controls shown per path).
    void moveControl(int id, int x, int y, int width, int height);
    void resizeClient(int width, int height);

    // Shows the window modally: `owner` is disabled until this window is destroyed.
    void runModal(HWND owner);

    // While deferred, the form's Visible is recorded but not applied (WinMain shows the
    // main window only after the form's load). showNow applies it with `showCommand`.
    void deferVisibility(bool defer) { deferVisibility_ = defer; }
    void applyVisibility(int showCommand);

    // For the message loop: key preview and dialog navigation of the form window that
    // holds msg.hwnd. True when the message was handled and must not be dispatched.
    static bool preTranslate(MSG& msg);

  protected:
    // Messages the framework does not handle; the default is DefWindowProc.
    virtual LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp);
    // The close box or the system menu's Close; the default hides the form.
    virtual void onClose() { form_.hide(); }
    // WM_COMMAND ids that are no control or menu of the tables (IDOK, IDCANCEL, ...) and
    // notifications of labels and frames (STN_CLICKED of an SS_NOTIFY label).
    virtual void onCommand(int id, int code, HWND control);
    // A message of this window's tree before it is dispatched (keys: WM_KEYDOWN, WM_CHAR).
    // True swallows it.
    virtual bool onKeyPreview(const MSG&) { return false; }
    // After the window and its children are created, before it is shown.
    virtual void onCreated() {}
    // When the window is gone (WM_NCDESTROY).
    virtual void onDestroyed() {}

    // The menu bar's handle (nullptr without a menu table).
    HMENU menuBar() const { return menu_; }
    // The font of the children at the current DPI.
    HFONT font() const { return font_; }
    // Runs a model call coming from the window; a thrown exception ends there.
    template <typename F>
    void guarded(F&& f) {
        try {
            f();
        } catch (const std::exception& e) {
            reportHandlerError(e.what());
        }
    }

    void controlChanged(controls::Control& control, controls::Property what) override;

  private:
    struct Bound {
        controls::Control* control;
        ControlKind kind;
        int id;
        RECT rect96;
        DWORD extraStyle;
        HWND hwnd;
        bool applying;
    };
    struct BoundMenu {
        controls::MenuItem* item;
        int id;
        HMENU parent;
        int position;
        bool topLevel;
    };

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT dispatch(UINT msg, WPARAM wp, LPARAM lp);
    void createChild(Bound& b);
    void buildMenu(std::span<const MenuSpec> menu);
    void layout();
    void updateFont();
    void syncAll();
    void sync(Bound& b, controls::Property what);
    void syncMenu(BoundMenu& m, controls::Property what);
    void syncForm(controls::Property what);
    void syncTimer(Bound& b);
    Bound* findById(int id);
    Bound* findByHwnd(HWND h);
    // False when the control kind takes no user action (labels, frames): the command
    // then goes to onCommand.
    bool onUserCommand(Bound& b, int code);
    void onUserScroll(Bound& b, int code);
    void detach();
    static void reportHandlerError(const char* what);

    controls::Form& form_;
    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr;
    HMENU menu_ = nullptr;
    HFONT font_ = nullptr;
    UINT dpi_ = 96;
    WindowDesign design_{};
    std::vector<Bound> bound_;
    std::vector<BoundMenu> menus_;
    std::wstring tipBuffer_;
    bool deferVisibility_ = false;
    bool modalRunning_ = false;
};

// A modeless dialog opened through one function, one at a time. Its form and window are
// kept after the window is gone, until the next opening replaces them: a late call from
// the form's code (an unload after the window's destruction) still finds them alive.
// `Form` is built from the arguments of replace(), `Window` from the form.
template <typename Form, typename Window>
class ModelessDialog {
  public:
    struct Open {
        template <typename... Args>
        explicit Open(Args&&... args) : form(std::forward<Args>(args)...), window(form) {}
        Form form;
        Window window;
    };

    // Restores and raises the window when it is open; false when there is none.
    bool raise() {
        const HWND h = hwnd();
        if (!h) return false;
        ShowWindow(h, SW_SHOWNORMAL);
        SetForegroundWindow(h);
        return true;
    }
    // Drops the previous dialog before the new one is built, so the two never coexist.
    template <typename... Args>
    Open& replace(Args&&... args) {
        open_.reset();
        open_ = std::make_unique<Open>(std::forward<Args>(args)...);
        return *open_;
    }
    Open* get() const { return open_.get(); }
    HWND hwnd() const { return open_ ? open_->window.hwnd() : nullptr; }

  private:
    std::unique_ptr<Open> open_;
};

}  // namespace tk::win
