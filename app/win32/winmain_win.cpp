// Tonekeep.exe: builds the services and the main window, runs the form's load and the
// message loop. Everything runs on this one thread, which keeps COM initialised for the
// shortcut resolver and for HavroVista between its calls.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "forms/frmMain.h"
#include "havro_library_win.h"
#include "main_window_win.h"
#include "modules/publics.h"
#include "services_win.h"
#include "settings_store_win.h"
#include "tray_win.h"

#if __has_include("mixer_win.h")
#include "mixer_win.h"
#define TONEKEEP_HAVE_WIN_MIXER 1
#endif

namespace tk::win {
namespace {

#ifndef TONEKEEP_HAVE_WIN_MIXER
// Until the winmm mixer layer is in the build the program sees no mixer device: the
// legacy path reports that no sound card was found, the endpoint path stores no mixer
// levels.
class NoMixer : public Mixer {
  public:
    int mixerCount() override { return 0; }
    int16_t currentMixer() override { return 0; }
    void setCurrentMixer(int16_t) override { fail(); }
    std::string mixerName() override { fail(); }
    int lineCount() override { return 0; }
    int16_t currentLine() override { return 0; }
    void setCurrentLine(int16_t) override { fail(); }
    int controlCount() override { return 0; }
    int16_t currentControl() override { return 0; }
    void setCurrentControl(int16_t) override { fail(); }
    int16_t currentDestination() override { return 0; }
    void setCurrentDestination(int16_t) override { fail(); }
    std::string controlName() override { fail(); }
    MixerControlInfo getControlInfo() override { fail(); }
    MixerLineInfo getLineInfo() override { fail(); }
    MixerDestinationInfo getDestinationInfo() override { fail(); }
    int32_t controlValue(int16_t) override { fail(); }
    void setControlValue(int16_t, int32_t) override { fail(); }
    void applyControl() override { fail(); }
    int findVolume(int, int, float*, float*) override { return -1; }
    int findSwitch(int, int, int16_t*) override { return -1; }
    int setSwitch(int, int, int) override { return -1; }
    int selectDestination(int, int) override { return -1; }
    int selectLine(int, int, int, int) override { return -1; }
    int selectControl(int, int, int, int, int) override { return -1; }
    std::string getLevelState(int16_t) override { fail(); }
    bool setLevelState(const std::string&) override { return false; }

  private:
    [[noreturn]] static void fail() { throw MixerError("No mixer device"); }
};
using ProgramMixer = NoMixer;
#else
using ProgramMixer = WinMixer;
#endif

int run(int showCommand) {
    WindowHost host;
    OwnerWindow owner = [&host] { return host.mainHwnd(); };

    RegistrySettingsStore settings;
    ProgramMixer mixer;
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
    window.applyVisibility(showCommand);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
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
