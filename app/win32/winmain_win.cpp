// Tonekeep.exe: builds the services and the main window, runs the form's load and the
// message loop. Everything runs on this one thread, which keeps COM initialised for the
// shortcut resolver and for HavroVista between its calls.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <optional>
#include <string>

#include "forms/frmMain.h"
#include "havro_library_win.h"
#include "main_window_win.h"
#include "mixer_win.h"
#include "modules/publics.h"
#include "services_win.h"
#include "settings_store_win.h"
#include "tray_win.h"
#include "window_ids.h"

namespace tk::win {
namespace {

// The program's one command line: `/launch "<registered program>"`. Anything else is
// no request.
std::optional<std::string> launchRequest() {
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args) return std::nullopt;
    std::optional<std::string> path;
    if (count == 3 && lstrcmpiW(args[1], L"/launch") == 0 && args[2][0] != L'\0')
        path = narrow(args[2]);
    LocalFree(args);
    return path;
}

// Hands the request to the running copy's main window. A copy that is still starting
// has no window yet: it is waited for a few seconds. The request is sent once: a copy
// busy with its load answers when its message loop runs.
bool handOver(const std::string& path) {
    HWND running = nullptr;
    for (int attempt = 0; attempt < 50 && !running; ++attempt) {
        running = FindWindowW(kMainWindowClass, nullptr);
        if (!running) Sleep(100);
    }
    if (!running) return false;
    DWORD pid = 0;
    GetWindowThreadProcessId(running, &pid);
    // The running copy may put its message box in front.
    AllowSetForegroundWindow(pid);
    COPYDATASTRUCT data{mainmsg::kLaunchCopyData, static_cast<DWORD>(path.size()),
                        const_cast<char*>(path.data())};
    DWORD_PTR taken = 0;
    return SendMessageTimeoutW(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                               SMTO_ABORTIFHUNG, 30000, &taken) &&
           taken;
}

int run(int showCommand) {
    WindowHost host;
    OwnerWindow owner = [&host] { return host.mainHwnd(); };

    RegistrySettingsStore settings;
    WinmmMixer mixer;
    TrayIcon tray;
    HavroLibraryWin library;
    WinMessageBoxes messages(owner);
    WinProcesses processes;
    WinFileDialog fileDialog(owner);
    WinShortcuts shortcuts;
    WinShell shell(owner);
    WinSystem system;
    // A second copy started with a launch request passes it on and ends without a word;
    // one whose hand-over fails goes on to the load, which reports the running copy.
    const std::optional<std::string> request = launchRequest();
    if (request && system.anotherInstanceRunning() && handOver(*request)) return 0;
    Services services{settings,   mixer,     tray,  library, messages, processes,
                      fileDialog, shortcuts, shell, system,  host};
    Publics publics;
    frmMain form(services, publics);

    if (!host.createMainWindow(form, services, publics)) return 1;
    MainWindow& window = *host.mainWindow();
    // The window is designed visible; its load may hide it (start minimised to the tray)
    // or end the program before it is ever shown.
    window.deferVisibility(true);
    form.show();
    if (!form.Form_Load()) return 0;
    window.fitToPath();
    window.applyVisibility(showCommand);
    window.watchDevices();
    if (request) window.requestLaunch(*request);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER) window.countTimerMessage();
        if (FormWindow::preTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

}  // namespace
}  // namespace tk::win

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    int code = 0;
    try {
        code = tk::win::run(showCommand);
    } catch (const std::exception& e) {
        OutputDebugStringA(e.what());
        code = 1;
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return code;
}
