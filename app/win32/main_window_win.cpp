#include "main_window_win.h"

#include <dbt.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "about_window_win.h"
#include "win_util.h"
#include "sound_dialog_win.h"
#include "sound_vista_win.h"
#include "window_ids.h"

namespace tk::win {
namespace {

// Client area 96-dpi pixels. The endpoint boxes and the legacy sound card box share
// their place; the form shows one set per path and fitToPath() closes the gap.
constexpr int kClientWidth = 424;
constexpr int kLabelX = 22;
constexpr int kLabelWidth = 82;
constexpr int kBoxX = 106;
constexpr int kBoxWidth = 296;
constexpr int kListHeight = 220;  // opened drop-down list
constexpr int kButtonY = 60;
constexpr int kButtonWidth = 72;
constexpr int kButtonGap = 4;
constexpr int kButtonHeight = 26;
constexpr int kRowY = 100;  // first device row
constexpr int kRowStep = 30;
constexpr int kFrameTop = 6;
constexpr DWORD kLabelStyle = SS_LEFTNOWORDWRAP;
// A launch request longer than any Windows path is no request.
constexpr DWORD kMaxLaunchRequest = 32768 * 3;

int buttonX(int column) {
    return kLabelX + column * (kButtonWidth + kButtonGap);
}
int rowY(int row) {
    return kRowY + row * kRowStep;
}
// The frame's height for `rows` device rows, and what follows it.
int frameHeight(int rows) {
    return rowY(rows) - kFrameTop + 6;
}
int optionsY(int rows) {
    return kFrameTop + frameHeight(rows) + 10;
}
int clientHeight(int rows) {
    return optionsY(rows) + 3 * 22 + 24;
}

}  // namespace

MainWindow::MainWindow(frmMain& form) : FormWindow(form), form_(form) {}

bool MainWindow::open() {
    using K = ControlKind;
    namespace id = mainid;
    frmMain& f = form_;
    const ControlDesign table[] = {
        {&f.Frame1, K::Frame, id::kFrame1, 10, kFrameTop, 404, frameHeight(3)},
        {&f.Label1, K::Label, id::kLabel1, kLabelX, 32, kLabelWidth, 18, kLabelStyle},
        {&f.PrgName, K::ListBox, id::kPrgName, kBoxX, 28, kBoxWidth, kListHeight},
        {&f.cmdAdd, K::Button, id::kCmdAdd, buttonX(0), kButtonY, kButtonWidth, kButtonHeight},
        {&f.cmdRemove, K::Button, id::kCmdRemove, buttonX(1), kButtonY, kButtonWidth,
         kButtonHeight},
        {&f.cmdLaunch, K::Button, id::kCmdLaunch, buttonX(2), kButtonY, kButtonWidth,
         kButtonHeight},
        {&f.cmdSetup, K::Button, id::kCmdSetup, buttonX(3), kButtonY, kButtonWidth, kButtonHeight},
        {&f.cmdSave, K::Button, id::kCmdSave, buttonX(4), kButtonY, kButtonWidth + 4,
         kButtonHeight},
        {&f.lblVistaSpeakers, K::Label, id::kLblVistaSpeakers, kLabelX, rowY(0) + 4, kLabelWidth,
         18, kLabelStyle},
        {&f.cmbSpeakers, K::ListBox, id::kCmbSpeakers, kBoxX, rowY(0), kBoxWidth, kListHeight},
        {&f.lblVistaLineIn, K::Label, id::kLblVistaLineIn, kLabelX, rowY(1) + 4, kLabelWidth, 18,
         kLabelStyle},
        {&f.cmbLineIn, K::ListBox, id::kCmbLineIn, kBoxX, rowY(1), kBoxWidth, kListHeight},
        {&f.lblMicrophone, K::Label, id::kLblMicrophone, kLabelX, rowY(2) + 4, kLabelWidth, 18,
         kLabelStyle},
        {&f.cmbMic, K::ListBox, id::kCmbMic, kBoxX, rowY(2), kBoxWidth, kListHeight},
        {&f.lblXpCard, K::Label, id::kLblXpCard, kLabelX, rowY(0) + 4, kLabelWidth, 18,
         kLabelStyle},
        {&f.SoundCard, K::ListBox, id::kSoundCard, kBoxX, rowY(0), kBoxWidth, kListHeight},
        {&f.chkEsc, K::CheckBox, id::kChkEsc, 16, optionsY(3), 300, 20},
        {&f.chkExit, K::CheckBox, id::kChkExit, 16, optionsY(3) + 22, 300, 20},
        {&f.chkStartMin, K::CheckBox, id::kChkStartMin, 16, optionsY(3) + 44, 300, 20},
        {&f.Label2, K::Label, id::kLabel2, 16, optionsY(3) + 68, 396, 18,
         SS_NOPREFIX | kLabelStyle},
        {&f.Timer1, K::Timer, id::kTimer1, 0, 0, 0, 0},
    };
    const MenuSpec menu[] = {
        {&f.mnufile, 0, 0},
        {&f.mnuAddProgram, id::kMnuAddProgram, 1},
        {&f.mnuRemove, id::kMnuRemove, 1},
        {nullptr, 0, 1},
        {&f.mnuLaunch, id::kMnuLaunch, 1},
        {&f.mnuCreateShortcut, id::kMnuCreateShortcut, 1},
        {nullptr, 0, 1},
        {&f.mnuexit, id::kMnuExit, 1},
        {&f.mnuWindows, 0, 0},
        {&f.mnuWindowsPlay, id::kMnuWindowsPlay, 1},
        {&f.mnuWindowRecord, id::kMnuWindowRecord, 1},
        {&f.mnuCheckUpdates, id::kMnuCheckUpdates, 0},
        {&f.mnuAbout, id::kMnuAbout, 0},
    };
    const WindowDesign design{kMainWindowClass, kFixedWindowStyle, WS_EX_ACCEPTFILES, kClientWidth,
                              clientHeight(3)};
    return create(design, nullptr, table, menu);
}

void MainWindow::onCreated() {
    DragAcceptFiles(hwnd(), TRUE);
}

void MainWindow::fitToPath() {
    namespace id = mainid;
    int rows =
        form_.cmbSpeakers.visible() || form_.cmbLineIn.visible() || form_.cmbMic.visible() ? 3 : 1;
    moveControl(id::kFrame1, 10, kFrameTop, 404, frameHeight(rows));
    moveControl(id::kChkEsc, 16, optionsY(rows), 300, 20);
    moveControl(id::kChkExit, 16, optionsY(rows) + 22, 300, 20);
    moveControl(id::kChkStartMin, 16, optionsY(rows) + 44, 300, 20);
    moveControl(id::kLabel2, 16, optionsY(rows) + 68, 396, 18);
    resizeClient(kClientWidth, clientHeight(rows));
}

void MainWindow::watchDevices() {
    if (form_.publics().endpointPath() && hwnd()) devices_.start(hwnd(), mainmsg::kDevicesChanged);
}

void MainWindow::requestLaunch(std::string path) {
    launches_.push_back(std::move(path));
    PostMessageW(hwnd(), mainmsg::kLaunchRequest, 0, 0);
}

void MainWindow::onDestroyed() {
    devices_.stop();
    closed_ = true;
    PostQuitMessage(0);
}

bool MainWindow::requestClose(int reason) {
    if (closed_ || !hwnd()) return false;
    bool cancelled = false;
    guarded([&] { cancelled = form_.Form_QueryUnload(reason); });
    if (cancelled) return true;
    closed_ = true;
    destroy();
    return false;
}

// A WM_CLOSE that did not come from the close box or the system menu (those arrive as
// SC_CLOSE, below) is a close from outside, as a task manager sends before it ends a
// program: the shutdown runs.
void MainWindow::onClose() {
    requestClose(2);
}

void MainWindow::onCommand(int id, int code, HWND control) {
    (void)code;
    if (control) return;
    if (id >= mainid::kTrayItemFirst && id <= mainid::kTrayItemLast) {
        int index = id - mainid::kTrayItemFirst;
        guarded([&] {
            if (index < form_.mnuPlaceHolder.count()) form_.mnuPlaceHolder.click(index);
        });
    }
    // IDOK / IDCANCEL from dialog navigation (Enter, Esc): the key preview saw the key.
}

bool MainWindow::onKeyPreview(const MSG& msg) {
    // The window sees every key before its controls. Esc never becomes a character here
    // (dialog navigation takes it), so its key-down stands for character 27.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
        form_.Form_KeyPress(27);
    } else if (msg.message == WM_CHAR && msg.wParam != 27) {
        form_.Form_KeyPress(static_cast<int>(msg.wParam));
    }
    return false;
}

void MainWindow::dropFiles(HDROP drop) {
    std::vector<std::string> files;
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring name(length + 1, L'\0');
        UINT copied = DragQueryFileW(drop, i, name.data(), length + 1);
        name.resize(copied);
        if (!name.empty()) files.push_back(narrow(name));
    }
    DragFinish(drop);
    if (!files.empty()) guarded([&] { form_.DropFile(files); });
}

LRESULT MainWindow::onMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_DROPFILES:
            dropFiles(reinterpret_cast<HDROP>(wp));
            return 0;
        case mainmsg::kCloseFromCode:
            requestClose(1);
            return 0;
        case WM_SYSCOMMAND:
            if ((wp & 0xFFF0) != SC_CLOSE) break;
            requestClose(0);
            return 0;
        case mainmsg::kTimerState:
            return wp == 0 ? timerMessages_ : (form_.Timer1.enabled() ? 1 : 0);
        case mainmsg::kDevicesChanged:
            devices_.taken();
            deviceChangePosted_ = false;
            if (!closed_) guarded([&] { form_.DevicesChanged(); });
            return 0;
        case mainmsg::kDeviceWatchState:
            return devices_.active() ? 1 : 0;
        case WM_DEVICECHANGE:
            // The endpoint path hears of its devices through the notification client.
            if (!form_.publics().endpointPath() && !deviceChangePosted_ &&
                (wp == DBT_DEVNODES_CHANGED || wp == DBT_DEVICEARRIVAL ||
                 wp == DBT_DEVICEREMOVECOMPLETE))
                deviceChangePosted_ = PostMessageW(hwnd(), mainmsg::kDevicesChanged, 0, 0);
            return TRUE;
        case WM_COPYDATA: {
            // A second copy hands over its launch request and ends; the launch runs
            // once this message is answered.
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
            if (closed_ || !data || data->dwData != mainmsg::kLaunchCopyData || !data->lpData ||
                data->cbData == 0 || data->cbData > kMaxLaunchRequest)
                return FALSE;
            std::string path(static_cast<const char*>(data->lpData), data->cbData);
            if (size_t nul = path.find('\0'); nul != std::string::npos) path.resize(nul);
            if (path.empty()) return FALSE;
            requestLaunch(std::move(path));
            return TRUE;
        }
        case mainmsg::kLaunchRequest:
            if (!launches_.empty()) {
                const std::string path = std::move(launches_.front());
                launches_.pop_front();
                if (!closed_) guarded([&] { form_.LaunchRegistered(path); });
            }
            return 0;
        case mainmsg::kDestroy:
            if (!closed_) break;
            destroy();
            return 0;
        case WM_QUERYENDSESSION: {
            if (closed_) return TRUE;
            bool cancelled = false;
            guarded([&] { cancelled = form_.Form_QueryUnload(3); });
            if (cancelled) return FALSE;
            // The shutdown has run; the window goes once this message is answered.
            closed_ = true;
            PostMessageW(hwnd(), mainmsg::kDestroy, 0, 0);
            return TRUE;
        }
        case WM_ENDSESSION:
            if (wp && !closed_) requestClose(3);
            return 0;
        default:
            break;
    }
    return FormWindow::onMessage(msg, wp, lp);
}

// --- WindowHost ----------------------------------------------------------------------

WindowHost::~WindowHost() {
    if (main_) main_->destroy();
}

bool WindowHost::createMainWindow(frmMain& form, Services& services, Publics& publics) {
    services_ = &services;
    publics_ = &publics;
    main_ = std::make_unique<MainWindow>(form);
    return main_->open();
}

// The level dialogs are built in their own window files.
void WindowHost::showSoundVista() {
    if (main_) showSoundVistaWindow(mainHwnd(), main_->main());
}
void WindowHost::unloadSoundVista() {
    unloadSoundVistaWindow();
}
void WindowHost::showSound() {
    if (main_) showSoundWindow(mainHwnd(), main_->main());
}
void WindowHost::unloadSound() {
    unloadSoundWindow();
}
void WindowHost::soundChangedOutside() {
    soundChangedOutsideWindow();
}

void WindowHost::showAbout() {
    if (aboutOpen_ || !services_ || !publics_) return;
    aboutOpen_ = true;
    showAboutBox(mainHwnd(), *services_, *publics_);
    aboutOpen_ = false;
}

void WindowHost::popupTrayMenu() {
    HWND owner = mainHwnd();
    if (!owner || !main_) return;
    controls::MenuArray& items = main_->main().mnuPlaceHolder;
    HMENU popup = CreatePopupMenu();
    if (!popup) return;
    for (int i = 0; i < items.count() && mainid::kTrayItemFirst + i <= mainid::kTrayItemLast; ++i) {
        const controls::MenuItem& item = items.item(i);
        if (!item.visible()) continue;
        if (item.caption() == "-") {
            AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = MF_STRING | (item.enabled() ? MF_ENABLED : MF_GRAYED) |
                     (item.checked() ? MF_CHECKED : MF_UNCHECKED);
        AppendMenuW(popup, flags, static_cast<UINT_PTR>(mainid::kTrayItemFirst + i),
                    widen(item.caption()).c_str());
    }
    POINT at{};
    GetCursorPos(&at);
    // The menu closes on a click elsewhere only when its owner is the foreground window.
    SetForegroundWindow(owner);
    TrackPopupMenuEx(popup, TPM_RIGHTBUTTON | TPM_BOTTOMALIGN | TPM_RIGHTALIGN, at.x, at.y, owner,
                     nullptr);
    PostMessageW(owner, WM_NULL, 0, 0);
    DestroyMenu(popup);
}

void WindowHost::restoreMainWindow() {
    HWND hwnd = mainHwnd();
    if (!hwnd) return;
    SendMessageW(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
}

void WindowHost::closeMainWindow() {
    // Posted: the request usually comes from inside one of the window's own handlers.
    if (HWND hwnd = mainHwnd()) PostMessageW(hwnd, mainmsg::kCloseFromCode, 0, 0);
}

}  // namespace tk::win
