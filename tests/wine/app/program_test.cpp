// The real Tonekeep.exe under Wine, started from the folder that holds it and
// HavroVista.dll, driven and read through window messages and the registry: one start
// per path on a first start, and one start in the tray.
#include <windows.h>

#include <gtest/gtest.h>
#include <mmdeviceapi.h>
#include <propsys.h>
#include <initguid.h>
#include <functiondiscoverykeys_devpkey.h>
#include <wrl/client.h>

#include <algorithm>

#include "sound_dialog_win.h"
#include "tray_win.h"
#include "wine_util.h"
#include "win_util.h"
#include "window_ids.h"

namespace tk::win {
namespace {

using namespace std::chrono_literals;
using wintest::kAppKey;
using wintest::kProgramsKey;
using wintest::setting;
using wintest::trayIconPresent;
using wintest::waitFor;
using wintest::WindowsVersion;
using RunningProgram = wintest::Tonekeep;

std::wstring binFolder() {
    return wintest::unixToWine(TK_BIN_DIR);
}

std::wstring listText(HWND box, int index) {
    wchar_t text[512] = {};
    if (SendMessageW(box, CB_GETLBTEXTLEN, index, 0) >= 511) return {};
    SendMessageW(box, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

std::vector<std::wstring> listTexts(HWND box) {
    std::vector<std::wstring> texts;
    const int n = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) texts.push_back(listText(box, i));
    return texts;
}

// The visible window of class `cls` of `program`, once there is one; nullptr after 10 s.
HWND shown(const RunningProgram& program, const wchar_t* cls) {
    HWND found = nullptr;
    waitFor([&] {
        for (HWND h : wintest::windowsOf(program.pid(), cls))
            if (IsWindowVisible(h)) found = h;
        return found != nullptr;
    });
    return found;
}

// The friendly name of the system's default playback endpoint, as this process sees it.
std::wstring defaultPlaybackName() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // kept for the whole test program
    Microsoft::WRL::ComPtr<IMMDeviceEnumerator> devices;
    Microsoft::WRL::ComPtr<IMMDevice> device;
    Microsoft::WRL::ComPtr<IPropertyStore> properties;
    PROPVARIANT value{};
    if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                IID_PPV_ARGS(&devices))) ||
        FAILED(devices->GetDefaultAudioEndpoint(eRender, eConsole, &device)) ||
        FAILED(device->OpenPropertyStore(STGM_READ, &properties)) ||
        FAILED(properties->GetValue(PKEY_Device_FriendlyName, &value)) || value.vt != VT_LPWSTR)
        return L"<no default endpoint>";
    const std::wstring name = value.pwszVal;
    PropVariantClear(&value);
    return name;
}

class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const wchar_t* file : {L"Tonekeep.exe", L"HavroVista.dll"})
            ASSERT_TRUE(wintest::fileExists(binFolder() + file)) << "not built";
        ASSERT_TRUE(wintest::deleteTree(HKEY_CURRENT_USER, kAppKey));  // a first start
    }
    void TearDown() override { wintest::deleteTree(HKEY_CURRENT_USER, kAppKey); }

    // What a first start shows on either path: "Normal Windows" alone, stored, and the
    // options right below the frame (no empty rows are left).
    static void expectFirstStart(RunningProgram& program, int lastBox) {
        HWND main = program.main();
        EXPECT_EQ(program.entryCount(), 1);
        EXPECT_EQ(program.entryText(0), L"Normal Windows");
        EXPECT_EQ(program.selectedEntry(), 0);
        EXPECT_EQ(setting(L"Name 0"), L"Normal Windows");
        EXPECT_NE(setting(L"Settings 0"), L"<absent>");
        EXPECT_EQ(setting(L"Mixer 0"), L"0");
        RECT frame{}, option{}, box{};
        GetWindowRect(GetDlgItem(main, mainid::kFrame1), &frame);
        GetWindowRect(GetDlgItem(main, mainid::kChkEsc), &option);
        GetWindowRect(GetDlgItem(main, lastBox), &box);
        EXPECT_GT(option.top, frame.bottom);
        EXPECT_LT(option.top - frame.bottom, 30);
        EXPECT_GT(frame.bottom, box.bottom);
        EXPECT_LT(frame.bottom - box.bottom, 30);
        // "Normal Windows" can be neither removed nor launched.
        EXPECT_FALSE(IsWindowEnabled(program.control(mainid::kCmdRemove)));
        EXPECT_FALSE(IsWindowEnabled(program.control(mainid::kCmdLaunch)));
        ASSERT_NE(program.trayWindow(), nullptr);
        EXPECT_TRUE(trayIconPresent(program.trayWindow()));
    }
};

TEST_F(ProgramTest, EndpointPathFromTheFirstStartToFileExit) {
    WindowsVersion version(nullptr);
    RunningProgram program(binFolder());
    ASSERT_TRUE(program.started());
    ASSERT_TRUE(program.waitStarted()) << "the program did not start up";
    HWND main = program.main();
    ASSERT_TRUE(IsWindowVisible(main));
    EXPECT_TRUE(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

    HWND speakers = program.control(mainid::kCmbSpeakers);
    HWND lineIn = program.control(mainid::kCmbLineIn);
    HWND mic = program.control(mainid::kCmbMic);
    for (HWND box : {speakers, lineIn, mic}) EXPECT_TRUE(IsWindowVisible(box));
    EXPECT_FALSE(IsWindowVisible(program.control(mainid::kSoundCard)));
    EXPECT_FALSE(IsWindowVisible(program.control(mainid::kLblXpCard)));

    // The sound server's playback devices "Speakers" and "Headphones" and capture devices
    // "Microphone" and "Line In"; the playback default is the system's.
    const auto playNames = listTexts(speakers), captureNames = listTexts(mic);
    for (const auto& [names, name] : {std::pair{&playNames, L"Speakers"},
                                      {&playNames, L"Headphones"},
                                      {&captureNames, L"Microphone"},
                                      {&captureNames, L"Line In"}})
        EXPECT_NE(std::find(names->begin(), names->end(), name), names->end()) << narrow(name);
    EXPECT_EQ(listText(speakers, program.selected(mainid::kCmbSpeakers)), defaultPlaybackName());
    EXPECT_EQ(listTexts(lineIn), captureNames);
    // Wine offers no device topology, so the capture walks of the library fail and it
    // names no default capture device: both capture boxes take their first position.
    // (With a topology the naming is proven by the topology tests.)
    EXPECT_EQ(program.selected(mainid::kCmbMic), 0);
    EXPECT_EQ(program.selected(mainid::kCmbLineIn), 0);
    expectFirstStart(program, mainid::kCmbMic);
    EXPECT_EQ(SendMessageW(main, mainmsg::kDeviceWatchState, 0, 0), 1)
        << "no endpoint notification client is registered";

    // A second copy is refused with a message and ends; this one goes on untouched.
    {
        RunningProgram second(binFolder());
        ASSERT_TRUE(second.started());
        HWND box = second.messageBox(L"Another instance of Havro Tonekeep is running");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(wintest::windowText(box), L"Havro Tonekeep");
        for (HWND h : wintest::windowsOf(second.pid(), kMainWindowClass))
            EXPECT_FALSE(IsWindowVisible(h));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(second.ended(20s));
        EXPECT_EQ(second.exitCode(), 0u);
    }
    EXPECT_FALSE(program.ended());

    // Esc hides the window only when its option is on (stored at once); the key goes to a
    // control, and the window sees it first. Nothing ticks meanwhile while idle.
    const LRESULT ticks = program.timerState(0);
    HWND list = program.control(mainid::kPrgName);
    PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    ASSERT_TRUE(program.settle());
    EXPECT_TRUE(IsWindowVisible(main));
    SendMessageW(program.control(mainid::kChkEsc), BM_CLICK, 0, 0);
    EXPECT_TRUE(waitFor([&] { return setting(L"EscKey") == L"1"; }));
    PostMessageW(list, WM_CHAR, 'a', 0x001E0001);
    ASSERT_TRUE(program.settle());
    EXPECT_TRUE(IsWindowVisible(main));
    PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_TRUE(waitFor([&] { return !IsWindowVisible(main); }));

    // The tray icon's left button brings it back; the close box only hides it again.
    wintest::clickTray(program.trayWindow(), WM_LBUTTONUP);
    EXPECT_TRUE(waitFor([&] { return IsWindowVisible(main) != FALSE; }));
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(waitFor([&] { return !IsWindowVisible(main); }));
    Sleep(2000);
    EXPECT_FALSE(program.ended());
    EXPECT_EQ(program.timerState(0), ticks) << "timer messages while idle";

    // The File menu's exit ends the program and takes the icon away.
    const HWND tray = program.trayWindow();
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(mainid::kMnuExit, 0), 0);
    ASSERT_TRUE(program.ended(20s));
    EXPECT_EQ(program.exitCode(), 0u);
    EXPECT_FALSE(trayIconPresent(tray));
}

TEST_F(ProgramTest, LegacyPathFromTheFirstStartToTheEndOfTheSession) {
    WindowsVersion version(L"winxp64");
    RunningProgram program(binFolder());
    ASSERT_TRUE(program.started());
    ASSERT_TRUE(program.waitStarted()) << "the program did not start up";
    HWND main = program.main();
    ASSERT_TRUE(IsWindowVisible(main));

    HWND cards = program.control(mainid::kSoundCard);
    EXPECT_TRUE(IsWindowVisible(cards));
    EXPECT_TRUE(IsWindowVisible(program.control(mainid::kLblXpCard)));
    for (int id :
         {mainid::kCmbSpeakers, mainid::kCmbMic, mainid::kCmbLineIn, mainid::kLblVistaSpeakers})
        EXPECT_FALSE(IsWindowVisible(program.control(id))) << id;
    const auto names = listTexts(cards);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(program.selected(mainid::kSoundCard), 0);  // "Mixer 0"
    EXPECT_FALSE(names[0].empty());
    expectFirstStart(program, mainid::kSoundCard);
    EXPECT_EQ(SendMessageW(main, mainmsg::kDeviceWatchState, 0, 0), 0);

    // A device change lists the sound cards again, keeping the choice; nothing is stored.
    const wintest::Snapshot stored = wintest::readPrograms();
    SendMessageW(cards, CB_RESETCONTENT, 0, 0);
    SendMessageW(main, WM_DEVICECHANGE, 0x0007 /* DBT_DEVNODES_CHANGED */, 0);
    ASSERT_TRUE(program.settle());
    EXPECT_EQ(listTexts(cards), names);
    EXPECT_EQ(program.selected(mainid::kSoundCard), 0);
    EXPECT_EQ(wintest::readPrograms(), stored);

    // The level dialog of a playback card offers no recording controls; its close box
    // stores the levels as the card holds them, its mute among them.
    std::wstring texts[2];
    for (std::wstring& text : texts) {
        program.press(mainid::kCmdSetup);
        HWND levels = shown(program, kSoundWindowClass);
        ASSERT_NE(levels, nullptr) << "\"&Set Levels\" showed no level dialog";
        for (int id : {soundid::kMicIn, soundid::kChkmic})
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(levels, id))) << id;
        if (&text == &texts[1])
            SendMessageW(GetDlgItem(levels, soundid::kMasterMute), BM_CLICK, 0, 0);
        PostMessageW(levels, WM_CLOSE, 0, 0);
        ASSERT_TRUE(waitFor([&] { return !IsWindow(levels); }));
        text = setting(L"SoundSettings 0");
    }
    EXPECT_NE(texts[0], L"<absent>");
    EXPECT_NE(texts[1], texts[0]);

    // The end of the session ends the program; with nothing launched it agrees.
    const HWND tray = program.trayWindow();
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                    SMTO_ABORTIFHUNG, 10000, &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
    ASSERT_TRUE(program.ended(20s));
    EXPECT_EQ(program.exitCode(), 0u);
    EXPECT_FALSE(trayIconPresent(tray));
    EXPECT_TRUE(program.messages.empty()) << wintest::narrowText(program.messages.front());
}

TEST_F(ProgramTest, StartsInTheTrayAndATaskManagerCloseEnds) {
    // A program in a folder and under a name outside ASCII.
    const std::wstring folder = wintest::freshTempFolder(L"Spiele Gr\u00f6\u00dfe");
    const std::wstring game = folder + L"\u00dcberfall.exe";
    std::wstring helper = wintest::unixToWine(TK_GAME);
    helper.pop_back();  // a file, not a folder
    ASSERT_TRUE(CopyFileW(helper.c_str(), game.c_str(), FALSE));
    wintest::writeString(HKEY_CURRENT_USER, kProgramsKey, L"StartMin", L"1");
    wintest::writeString(HKEY_CURRENT_USER, kProgramsKey, L"Name 1", game);
    RunningProgram program(binFolder());
    ASSERT_TRUE(program.started());
    ASSERT_TRUE(program.waitStarted()) << "the program did not start up";
    HWND main = program.main();
    ASSERT_TRUE(waitFor([&] { return trayIconPresent(program.trayWindow()); }));
    Sleep(500);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_EQ(setting(L"StartMin"), L"1");
    EXPECT_EQ(program.entryText(1), L"\u00dcberfall.exe");  // a name outside ASCII, read whole
    EXPECT_EQ(setting(L"Name 1"), game);

    // The shell lost its icons (as when Explorer restarts) and announces a new taskbar:
    // the icon comes back.
    NOTIFYICONDATAW icon{sizeof icon, program.trayWindow(), 1};
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &icon));
    ASSERT_FALSE(trayIconPresent(program.trayWindow()));
    PostMessageW(program.trayWindow(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(waitFor([&] { return trayIconPresent(program.trayWindow()); }));

    // The program's own playback device: stored, in force while it is selected, and
    // "Normal Windows"' back once the program was launched and has ended.
    const int normal = program.selected(mainid::kCmbSpeakers), own = normal == 0 ? 1 : 0;
    ASSERT_TRUE(program.select(1));
    program.pick(mainid::kCmbSpeakers, own);
    const std::wstring ownName = listText(program.control(mainid::kCmbSpeakers), own);
    EXPECT_EQ(setting(L"PlaybackGuid 1"), wintest::endpointFragment(0, ownName));
    ASSERT_TRUE(program.select(0));
    EXPECT_EQ(program.selected(mainid::kCmbSpeakers), normal);
    ASSERT_TRUE(program.select(1));
    EXPECT_EQ(program.selected(mainid::kCmbSpeakers), own);
    ASSERT_TRUE(program.launch());
    ASSERT_TRUE(program.waitRestored());
    EXPECT_TRUE(wintest::fileExists(folder + L"\u00dcberfall.ended"));
    EXPECT_EQ(program.selected(mainid::kCmbSpeakers), normal);

    // A bare close request, as a task manager sends, ends the program.
    const HWND tray = program.trayWindow();
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.ended(20s));
    EXPECT_EQ(program.exitCode(), 0u);
    EXPECT_FALSE(trayIconPresent(tray));
    wintest::removeFolder(folder);
}

TEST(ProgramFileTest, CarriesItsIconAndManifest) {
    HMODULE module =
        LoadLibraryExW((binFolder() + L"Tonekeep.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(1), RT_GROUP_ICON), nullptr);
    HRSRC manifest = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(manifest, nullptr);
    std::string text(static_cast<const char*>(LockResource(LoadResource(module, manifest))),
                     SizeofResource(module, manifest));
    for (const char* part : {"Microsoft.Windows.Common-Controls", "asInvoker", "PerMonitorV2"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
    FreeLibrary(module);
}

}  // namespace
}  // namespace tk::win
