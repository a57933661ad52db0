// Tonekeep.exe: builds the services and the main window, runs the form's load and the
// message loop. Everything runs on this one thread, which keeps COM initialised for the
// shortcut resolver and for HavroVista between its calls.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "forms/frmMain.h"
#include "havro_library_win.h"
#include "main_window_win.h"
#include "mixer_win.h"
#include "modules/publics.h"
#include "services_win.h"
#include "settings_store_win.h"
#include "tray_win.h"

namespace tk::win {
namespace {

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
