// The window framework: a small form mirrored into real child windows, driven both
// ways — by the model's setters and by window messages as a user's actions send them.
#include <windows.h>

#include <gtest/gtest.h>
#include <commctrl.h>

#include <atomic>
#include <thread>

#include "form_window_win.h"
#include "wine_util.h"
#include "win_util.h"

namespace tk::win {
namespace {

namespace id {
constexpr int kFrame = 101, kLabel = 102, kList = 103, kCheck = 104, kOptA = 105, kOptB = 106,
              kButton = 107, kHSlider = 108, kVSlider = 109, kTimer = 110, kMenuTop = 111,
              kMenuItem = 112, kMenuOther = 113;
}

struct TestForm : controls::Form {
    TestForm() : controls::Form("TestForm") {
        setCaption("Framework test");
        label.setCaption("&Program :");
        frame.setCaption("Programs && Sound Cards");
        check.setCaption("Option");
        optA.setCaption("A");
        optB.setCaption("B");
        optA.joinGroup(optB);
        button.setCaption("&Launch");
        button.setToolTip("Start selected program.");
        vslider.orientation = controls::Orientation::Vertical;
        menuTop.setCaption("&File");
        menuItem.setCaption("&Add Program");
        menuOther.setCaption("Check for Updates");
        list.onClick = [this] { ++listClicks; };
        check.onClick = [this] { ++checkClicks; };
        optA.onClick = [this] { ++optAClicks; };
        optB.onClick = [this] { ++optBClicks; };
        button.onClick = [this] { ++buttonClicks; };
        hslider.onChange = [this] { ++sliderChanges; };
        hslider.onScroll = [this] { ++sliderScrolls; };
        timer.onTimer = [this] { ++ticks; };
        menuItem.onClick = [this] { ++menuClicks; };
        timer.setEnabled(false);
    }
    controls::Frame frame{"frame"};
    controls::Label label{"label"};
    controls::ListBox list{"list"};
    controls::CheckBox check{"check"};
    controls::OptionButton optA{"optA"}, optB{"optB"};
    controls::Button button{"button"};
    controls::Slider hslider{"hslider"}, vslider{"vslider"};
    controls::Timer timer{"timer"};
    controls::MenuItem menuTop{"menuTop"}, menuItem{"menuItem"}, menuOther{"menuOther"};
    int listClicks = 0, checkClicks = 0, optAClicks = 0, optBClicks = 0, buttonClicks = 0,
        sliderChanges = 0, sliderScrolls = 0, ticks = 0, menuClicks = 0;
};

class TestWindow : public FormWindow {
  public:
    explicit TestWindow(TestForm& form) : FormWindow(form), form_(form) {}
    bool open() {
        using K = ControlKind;
        const ControlDesign table[] = {
            {&form_.frame, K::Frame, id::kFrame, 8, 8, 300, 200},
            {&form_.label, K::Label, id::kLabel, 16, 30, 80, 18},
            {&form_.list, K::ListBox, id::kList, 100, 26, 200, 150},
            {&form_.check, K::CheckBox, id::kCheck, 16, 60, 120, 20},
            {&form_.optA, K::OptionButton, id::kOptA, 16, 84, 60, 20},
            {&form_.optB, K::OptionButton, id::kOptB, 80, 84, 60, 20},
            {&form_.button, K::Button, id::kButton, 16, 110, 80, 26},
            {&form_.hslider, K::Slider, id::kHSlider, 16, 140, 200, 30},
            {&form_.vslider, K::Slider, id::kVSlider, 250, 60, 30, 140},
            {&form_.timer, K::Timer, id::kTimer, 0, 0, 0, 0},
        };
        const MenuSpec menu[] = {
            {&form_.menuTop, id::kMenuTop, 0},
            {&form_.menuItem, id::kMenuItem, 1},
            {nullptr, 0, 1},
            {&form_.menuOther, id::kMenuOther, 0},
        };
        const WindowDesign design{L"TonekeepFrameworkTest", kFixedWindowStyle, 0, 320, 220};
        return create(design, nullptr, table, menu);
    }
    std::vector<UINT> previewed;

  protected:
    bool onKeyPreview(const MSG& msg) override {
        previewed.push_back(msg.message);
        return msg.message == WM_CHAR && msg.wParam == 'x';  // swallow 'x'
    }

  private:
    TestForm& form_;
};

class FormWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        // Shown only where a test needs it: without a window manager, taking a shown
        // window away waits for the manager's answer.
        ASSERT_TRUE(window.open());
    }
    HWND child(int id) { return window.item(id); }
    std::wstring text(int id) { return wintest::windowText(child(id)); }
    void command(int id, int code) {
        SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(id, code),
                     reinterpret_cast<LPARAM>(child(id)));
    }
    TestForm form;
    TestWindow window{form};
};

TEST_F(FormWindowTest, BuildsEveryControlOfTheTableAndCloses) {
    form.show();
    ASSERT_NE(window.hwnd(), nullptr);
    EXPECT_TRUE(IsWindowVisible(window.hwnd()));
    EXPECT_EQ(wintest::windowText(window.hwnd()), L"Framework test");
    EXPECT_EQ(text(id::kButton), L"&Launch");
    wchar_t cls[64] = {};
    GetClassNameW(child(id::kList), cls, 64);
    EXPECT_EQ(_wcsicmp(cls, L"ComboBox"), 0);
    EXPECT_EQ(GetWindowLongW(child(id::kList), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
    GetClassNameW(child(id::kHSlider), cls, 64);
    EXPECT_EQ(_wcsicmp(cls, TRACKBAR_CLASSW), 0);
    EXPECT_TRUE(GetWindowLongW(child(id::kVSlider), GWL_STYLE) & TBS_VERT);
    EXPECT_EQ(GetWindowLongW(child(id::kFrame), GWL_STYLE) & BS_TYPEMASK, BS_GROUPBOX);

    // The layout is in 96-dpi pixels scaled to the window's DPI.
    RECT client{};
    GetClientRect(window.hwnd(), &client);
    EXPECT_EQ(client.right, window.scale(320));
    EXPECT_EQ(client.bottom, window.scale(220));
    RECT r{};
    GetWindowRect(child(id::kButton), &r);
    MapWindowPoints(nullptr, window.hwnd(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, window.scale(16));
    EXPECT_EQ(r.right - r.left, window.scale(80));
    EXPECT_NE(SendMessageW(child(id::kButton), WM_GETFONT, 0, 0), 0);

    // The frame is first in the table but lies below every control in the z-order.
    EXPECT_EQ(GetWindow(child(id::kFrame), GW_HWNDNEXT), nullptr);
    EXPECT_FALSE(GetWindowLongW(window.hwnd(), GWL_STYLE) & WS_CLIPCHILDREN);

    // The close box only hides it; destroying it detaches the model.
    SendMessageW(window.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(form.visible());
    EXPECT_FALSE(IsWindowVisible(window.hwnd()));
    ASSERT_TRUE(IsWindow(window.hwnd()));

    HWND old = window.hwnd();
    window.destroy();
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(window.hwnd(), nullptr);
    // The model goes on without its mirror.
    form.list.addItem("after");
    form.setCaption("after");
    form.timer.setInterval(10);
    form.timer.setEnabled(true);
}

TEST_F(FormWindowTest, LayoutVariantsMoveControlsAndResizeTheWindow) {
    window.moveControl(id::kButton, 30, 40, 90, 28);
    RECT r{};
    GetWindowRect(child(id::kButton), &r);
    MapWindowPoints(nullptr, window.hwnd(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, window.scale(30));
    EXPECT_EQ(r.top, window.scale(40));
    EXPECT_EQ(r.bottom - r.top, window.scale(28));
    window.resizeClient(300, 150);
    RECT client{};
    GetClientRect(window.hwnd(), &client);
    EXPECT_EQ(client.right, window.scale(300));
    EXPECT_EQ(client.bottom, window.scale(150));
    window.moveControl(9999, 0, 0, 1, 1);  // not in the table: nothing happens
}

// (Captions, enabled and visible states, list items and slider positions reach the real
// program's windows in the program tests.)
TEST_F(FormWindowTest, ModelChangesReachTheWindows) {
    form.list.addItem("Normal Windows");
    form.list.addItem("game.exe");
    form.list.setListIndex(1);
    EXPECT_EQ(SendMessageW(child(id::kList), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(form.listClicks, 1);  // raised once: the window's echo does not count
    form.list.addItem("first", 0);
    EXPECT_EQ(SendMessageW(child(id::kList), CB_GETCURSEL, 0, 0), 2);  // follows the item
    form.list.clear();
    EXPECT_EQ(SendMessageW(child(id::kList), CB_GETCOUNT, 0, 0), 0);

    form.optB.setValue(true);
    EXPECT_EQ(SendMessageW(child(id::kOptB), BM_GETCHECK, 0, 0), BST_CHECKED);
    form.optA.setValue(true);
    EXPECT_EQ(SendMessageW(child(id::kOptA), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(child(id::kOptB), BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(FormWindowTest, UserActionsGoThroughTheModelsSetters) {
    form.list.addItem("Normal Windows");
    form.list.addItem("game.exe");
    SendMessageW(child(id::kList), CB_SETCURSEL, 1, 0);
    command(id::kList, CBN_SELCHANGE);
    EXPECT_EQ(form.list.listIndex(), 1);
    EXPECT_EQ(form.listClicks, 1);

    SendMessageW(child(id::kCheck), BM_CLICK, 0, 0);
    EXPECT_EQ(form.check.value(), 1);
    EXPECT_EQ(SendMessageW(child(id::kCheck), BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageW(child(id::kCheck), BM_CLICK, 0, 0);
    EXPECT_EQ(form.check.value(), 0);
    EXPECT_EQ(form.checkClicks, 2);

    SendMessageW(child(id::kOptB), BM_CLICK, 0, 0);
    EXPECT_TRUE(form.optB.value());
    SendMessageW(child(id::kOptB), BM_CLICK, 0, 0);  // already on: no new change
    EXPECT_EQ(form.optBClicks, 1);
    SendMessageW(child(id::kOptA), BM_CLICK, 0, 0);
    EXPECT_TRUE(form.optA.value());
    EXPECT_FALSE(form.optB.value());
    EXPECT_EQ(SendMessageW(child(id::kOptB), BM_GETCHECK, 0, 0), BST_UNCHECKED);

    SendMessageW(child(id::kButton), BM_CLICK, 0, 0);
    EXPECT_EQ(form.buttonClicks, 1);

    form.hslider.setRange(0, 100);
    int changes = form.sliderChanges;
    SendMessageW(child(id::kHSlider), TBM_SETPOS, TRUE, 70);
    SendMessageW(window.hwnd(), WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 70),
                 reinterpret_cast<LPARAM>(child(id::kHSlider)));
    EXPECT_EQ(form.hslider.value(), 70);
    EXPECT_EQ(form.sliderChanges, changes + 1);
    EXPECT_EQ(form.sliderScrolls, 1);
    SendMessageW(window.hwnd(), WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0),
                 reinterpret_cast<LPARAM>(child(id::kHSlider)));
    EXPECT_EQ(form.sliderScrolls, 1);  // the end of a drag is no movement
}

TEST_F(FormWindowTest, MenusFollowTheModelAndClickIt) {
    HMENU bar = GetMenu(window.hwnd());
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(GetMenuItemCount(bar), 2);
    wchar_t caption[64] = {};
    GetMenuStringW(bar, 0, caption, 64, MF_BYPOSITION);
    EXPECT_STREQ(caption, L"&File");
    HMENU file = GetSubMenu(bar, 0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(GetMenuItemCount(file), 2);  // the item and a separator
    GetMenuStringW(file, id::kMenuItem, caption, 64, MF_BYCOMMAND);
    EXPECT_STREQ(caption, L"&Add Program");

    form.menuItem.setEnabled(false);
    form.menuItem.setChecked(true);
    UINT state = GetMenuState(file, id::kMenuItem, MF_BYCOMMAND);
    EXPECT_TRUE(state & MF_GRAYED);
    EXPECT_TRUE(state & MF_CHECKED);
    form.menuItem.setEnabled(true);
    form.menuItem.setCaption("&Remove Program");
    GetMenuStringW(file, id::kMenuItem, caption, 64, MF_BYCOMMAND);
    EXPECT_STREQ(caption, L"&Remove Program");

    SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(id::kMenuItem, 0), 0);
    EXPECT_EQ(form.menuClicks, 1);
}

TEST_F(FormWindowTest, ToolTipsAskTheModelForTheirText) {
    HWND tip = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND h, LPARAM lp) -> BOOL {
            wchar_t cls[64] = {};
            GetClassNameW(h, cls, 64);
            if (_wcsicmp(cls, TOOLTIPS_CLASSW) == 0) *reinterpret_cast<HWND*>(lp) = h;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&tip));
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 9);  // every child window

    NMTTDISPINFOW info{};
    info.hdr.hwndFrom = tip;
    info.hdr.idFrom = reinterpret_cast<UINT_PTR>(child(id::kButton));
    info.hdr.code = TTN_GETDISPINFOW;
    SendMessageW(window.hwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    ASSERT_NE(info.lpszText, nullptr);
    EXPECT_STREQ(info.lpszText, L"Start selected program.");
    form.button.setToolTip("Changed at run time");
    SendMessageW(window.hwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ(info.lpszText, L"Changed at run time");
}

TEST_F(FormWindowTest, AFailingHandlerStopsAtTheWindow) {
    form.button.onClick = [] { throw std::runtime_error("handler failed"); };
    SendMessageW(child(id::kButton), BM_CLICK, 0, 0);
    form.list.addItem("x");
    form.list.onClick = [] { throw controls::ControlError("bad"); };
    SendMessageW(child(id::kList), CB_SETCURSEL, 0, 0);
    command(id::kList, CBN_SELCHANGE);
    EXPECT_TRUE(IsWindow(window.hwnd()));
}

// A modal window closed by a message another thread sends (which GetMessage handles
// without returning) still ends its modal loop.
TEST(FormWindowModalTest, EndsWhenTheWindowGoesInsideASentMessage) {
    TestForm owner;
    TestWindow ownerWindow(owner);
    ASSERT_TRUE(ownerWindow.open());
    TestForm modal;
    TestWindow modalWindow(modal);
    ASSERT_TRUE(modalWindow.open());
    modal.button.onClick = [&] { modalWindow.destroy(); };
    HWND button = modalWindow.item(id::kButton);
    std::atomic<bool> ownerDisabled{false};
    std::thread user([&] {
        Sleep(300);
        ownerDisabled = !IsWindowEnabled(ownerWindow.hwnd());
        SendMessageW(button, BM_CLICK, 0, 0);
    });
    modalWindow.runModal(ownerWindow.hwnd());  // returns once the button closed it
    user.join();
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(ownerWindow.hwnd()));
    EXPECT_EQ(modalWindow.hwnd(), nullptr);
}

TEST_F(FormWindowTest, KeysArePreviewedBeforeTheControls) {
    SetFocus(child(id::kButton));
    MSG msg{child(id::kButton), WM_CHAR, 'a', 0, 0, {}};
    EXPECT_FALSE(FormWindow::preTranslate(msg) && window.previewed.empty());
    ASSERT_FALSE(window.previewed.empty());
    EXPECT_EQ(window.previewed.back(), static_cast<UINT>(WM_CHAR));
    MSG swallowed{child(id::kList), WM_CHAR, 'x', 0, 0, {}};
    EXPECT_TRUE(FormWindow::preTranslate(swallowed));
    // Messages of windows outside any form pass untouched.
    MSG other{GetDesktopWindow(), WM_CHAR, 'a', 0, 0, {}};
    size_t seen = window.previewed.size();
    EXPECT_FALSE(FormWindow::preTranslate(other));
    EXPECT_EQ(window.previewed.size(), seen);
}

}  // namespace
}  // namespace tk::win
