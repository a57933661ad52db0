// The real Tonekeep.exe under Wine, started from the folder that holds it and
// HavroVista.dll, driven and read through window messages and the registry.
#include <windows.h>

#include <gtest/gtest.h>
#include <mmdeviceapi.h>
#include <propsys.h>
#include <initguid.h>
#include <functiondiscoverykeys_devpkey.h>
#include <shellapi.h>
#include <wrl/client.h>

#include <cwctype>
#include <optional>

#include "wine_util.h"
#include "tray_win.h"
#include "win_util.h"
#include "window_ids.h"

namespace tk::win {
namespace {

using namespace std::chrono_literals;
using wintest::kAppKey;
using wintest::kProgramsKey;
using wintest::readString;
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

std::wstring selectedText(HWND box) {
    int index = static_cast<int>(SendMessageW(box, CB_GETCURSEL, 0, 0));
    return index < 0 ? std::wstring() : listText(box, index);
}

// The friendly name of the system's default endpoint, as this process sees it.
std::wstring defaultEndpointName(EDataFlow flow) {
    using Microsoft::WRL::ComPtr;
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::wstring name = L"<no default endpoint>";
    {
        ComPtr<IMMDeviceEnumerator> devices;
        ComPtr<IMMDevice> device;
        ComPtr<IPropertyStore> properties;
        PROPVARIANT value;
        PropVariantInit(&value);
        if (SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                       IID_PPV_ARGS(&devices))) &&
            SUCCEEDED(devices->GetDefaultAudioEndpoint(flow, eConsole, &device)) &&
            SUCCEEDED(device->OpenPropertyStore(STGM_READ, &properties)) &&
            SUCCEEDED(properties->GetValue(PKEY_Device_FriendlyName, &value)) &&
            value.vt == VT_LPWSTR)
            name = value.pwszVal;
        PropVariantClear(&value);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return name;
}

class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        exe_ = binFolder() + L"Tonekeep.exe";
        ASSERT_NE(GetFileAttributesW(exe_.c_str()), INVALID_FILE_ATTRIBUTES)
            << "Tonekeep.exe is not built";
        ASSERT_TRUE(wintest::deleteTree(HKEY_CURRENT_USER, kAppKey));  // a first start
    }
    void TearDown() override { wintest::deleteTree(HKEY_CURRENT_USER, kAppKey); }
    bool haveLibrary() const {
        return GetFileAttributesW((binFolder() + L"HavroVista.dll").c_str()) !=
               INVALID_FILE_ATTRIBUTES;
    }
    std::wstring setting(const wchar_t* key) {
        std::wstring value;
        return readString(HKEY_CURRENT_USER, kProgramsKey, key, value) ? value : L"<absent>";
    }
    void expectFirstStartKeys() {
        EXPECT_EQ(setting(L"Name 0"), L"Normal Windows");
        EXPECT_NE(setting(L"Settings 0"), L"<absent>");
        EXPECT_EQ(setting(L"Mixer 0"), L"0");
    }
    // The options follow the frame closely on either path: no empty rows are left.
    void expectOptionsRightBelowTheFrame(HWND main) {
        RECT frame{}, option{};
        GetWindowRect(GetDlgItem(main, mainid::kFrame1), &frame);
        GetWindowRect(GetDlgItem(main, mainid::kChkEsc), &option);
        EXPECT_GT(option.top, frame.bottom);
        EXPECT_LT(option.top - frame.bottom, 30);
        RECT lastBox{};
        GetWindowRect(GetDlgItem(main, IsWindowVisible(GetDlgItem(main, mainid::kCmbMic))
                                           ? mainid::kCmbMic
                                           : mainid::kSoundCard),
                      &lastBox);
        EXPECT_GT(frame.bottom, lastBox.bottom);
        EXPECT_LT(frame.bottom - lastBox.bottom, 30);
    }
    void expectNormalWindowsListed(HWND main) {
        HWND list = GetDlgItem(main, mainid::kPrgName);
        EXPECT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 1);
        EXPECT_EQ(selectedText(list), L"Normal Windows");
    }
    std::wstring exe_;
};

TEST_F(ProgramTest, EndpointPathListsTheEndpointsAndSelectsTheDefaults) {
    if (!haveLibrary()) FAIL() << "HavroVista.dll is not in the program's folder";
    WindowsVersion version(nullptr);
    RunningProgram program(exe_, binFolder());
    ASSERT_TRUE(program.started());
    std::wstring message;
    HWND main = program.shownMainWindow(message);
    ASSERT_NE(main, nullptr) << "no main window: " << narrow(message);
    EXPECT_EQ(wintest::windowText(main).rfind(L"Havro Tonekeep", 0), 0u);

    HWND speakers = GetDlgItem(main, mainid::kCmbSpeakers);
    HWND lineIn = GetDlgItem(main, mainid::kCmbLineIn);
    HWND mic = GetDlgItem(main, mainid::kCmbMic);
    HWND soundCard = GetDlgItem(main, mainid::kSoundCard);
    EXPECT_TRUE(IsWindowVisible(speakers));
    EXPECT_TRUE(IsWindowVisible(lineIn));
    EXPECT_TRUE(IsWindowVisible(mic));
    EXPECT_FALSE(IsWindowVisible(soundCard));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(main, mainid::kLblXpCard)));

    // The sound server offers the playback devices "Speakers" and "Headphones" and the
    // capture devices "Microphone" and "Line In"; the defaults are the system's.
    int playCount = static_cast<int>(SendMessageW(speakers, CB_GETCOUNT, 0, 0));
    EXPECT_GE(playCount, 2);
    std::vector<std::wstring> playNames;
    for (int i = 0; i < playCount; ++i) playNames.push_back(listText(speakers, i));
    EXPECT_NE(std::find(playNames.begin(), playNames.end(), L"Headphones"), playNames.end());
    EXPECT_NE(std::find(playNames.begin(), playNames.end(), L"Speakers"), playNames.end());
    EXPECT_EQ(selectedText(speakers), defaultEndpointName(eRender));
    int captureCount = static_cast<int>(SendMessageW(mic, CB_GETCOUNT, 0, 0));
    EXPECT_GE(captureCount, 2);
    EXPECT_EQ(SendMessageW(lineIn, CB_GETCOUNT, 0, 0), captureCount);
    std::vector<std::wstring> captureNames;
    for (int i = 0; i < captureCount; ++i) captureNames.push_back(listText(mic, i));
    EXPECT_NE(std::find(captureNames.begin(), captureNames.end(), L"Microphone"),
              captureNames.end());
    EXPECT_NE(std::find(captureNames.begin(), captureNames.end(), L"Line In"), captureNames.end());
    // Wine offers no device topology, so the capture walks of the library fail and it
    // names no default capture device: both capture boxes take their first position.
    // (With a topology the naming is proven by the topology tests.)
    EXPECT_EQ(SendMessageW(mic, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendMessageW(lineIn, CB_GETCURSEL, 0, 0), 0);

    expectNormalWindowsListed(main);
    expectFirstStartKeys();
    expectOptionsRightBelowTheFrame(main);

    auto trays = wintest::windowsOf(program.pid(), kTrayWindowClass);
    ASSERT_EQ(trays.size(), 1u);
    EXPECT_TRUE(trayIconPresent(trays[0]));

    ASSERT_TRUE(program.exitThroughTray());
    EXPECT_EQ(program.exitCode(), 0u);
    EXPECT_FALSE(trayIconPresent(trays[0]));
}

TEST_F(ProgramTest, LegacyPathListsTheMixerDevicesAndSelectsMixer0) {
    WindowsVersion version(L"winxp64");
    RunningProgram program(exe_, binFolder());
    ASSERT_TRUE(program.started());
    std::wstring message;
    HWND main = program.shownMainWindow(message);
    ASSERT_NE(main, nullptr) << "no main window: " << narrow(message);

    HWND soundCard = GetDlgItem(main, mainid::kSoundCard);
    EXPECT_TRUE(IsWindowVisible(soundCard));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(main, mainid::kLblXpCard)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(main, mainid::kCmbSpeakers)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(main, mainid::kCmbMic)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(main, mainid::kCmbLineIn)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(main, mainid::kLblVistaSpeakers)));
    EXPECT_GE(SendMessageW(soundCard, CB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(SendMessageW(soundCard, CB_GETCURSEL, 0, 0), 0);  // "Mixer 0"
    EXPECT_FALSE(selectedText(soundCard).empty());

    expectNormalWindowsListed(main);
    expectFirstStartKeys();
    expectOptionsRightBelowTheFrame(main);
    ASSERT_TRUE(program.exitThroughTray());
    EXPECT_EQ(program.exitCode(), 0u);
}

TEST_F(ProgramTest, ASecondCopyIsRefused) {
    RunningProgram first(exe_, binFolder());
    ASSERT_TRUE(first.started());
    HWND main = first.mainWindow();
    ASSERT_NE(main, nullptr);

    RunningProgram second(exe_, binFolder());
    ASSERT_TRUE(second.started());
    HWND box = second.messageBox(L"Another instance of Havro Tonekeep is running");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(wintest::windowText(box), L"Havro Tonekeep");
    EXPECT_TRUE(wintest::windowsOf(second.pid(), kMainWindowClass).empty() ||
                !IsWindowVisible(wintest::windowsOf(second.pid(), kMainWindowClass).front()));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(second.ended(20s));
    EXPECT_EQ(second.exitCode(), 0u);

    // The first copy goes on untouched.
    EXPECT_FALSE(first.ended());
    EXPECT_TRUE(IsWindow(main));
    ASSERT_TRUE(first.exitThroughTray());
    EXPECT_EQ(first.exitCode(), 0u);
}

// The library is looked for next to the program only: a copy of the program in another
// folder does not find it, even when started with the library's folder as its current
// folder.
TEST_F(ProgramTest, WithoutTheLibraryInItsFolderTheProgramSaysSoAndEnds) {
    WindowsVersion version(nullptr);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"Tonekeep lone copy\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring lone = folder + L"Tonekeep.exe";
    ASSERT_TRUE(CopyFileW(exe_.c_str(), lone.c_str(), FALSE));
    {
        RunningProgram program(lone, binFolder());
        ASSERT_TRUE(program.started());
        HWND box = program.messageBox(L"HavroVista.dll not found in the programs folder");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(wintest::windowText(box), L"Havro Tonekeep");
        auto mains = wintest::windowsOf(program.pid(), kMainWindowClass);
        EXPECT_TRUE(mains.empty() || !IsWindowVisible(mains.front()));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(program.ended(20s));
        EXPECT_EQ(program.exitCode(), 0u);
    }
    DeleteFileW(lone.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST_F(ProgramTest, StartsInTheTrayTheCloseBoxHidesAndATaskManagerCloseEnds) {
    wintest::writeString(HKEY_CURRENT_USER, kProgramsKey, L"StartMin", L"1");
    RunningProgram program(exe_, binFolder());
    ASSERT_TRUE(program.started());
    HWND main = program.mainWindow();
    ASSERT_NE(main, nullptr);
    auto trays = wintest::windowsOf(program.pid(), kTrayWindowClass);
    ASSERT_TRUE(waitFor([&] {
        trays = wintest::windowsOf(program.pid(), kTrayWindowClass);
        return !trays.empty() && trayIconPresent(trays[0]);
    }));
    // The first-start keys are in place, so the load has run to its end.
    ASSERT_TRUE(waitFor([&] { return setting(L"Name 0") == L"Normal Windows"; }));
    Sleep(500);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_EQ(setting(L"StartMin"), L"1");

    // The left button on the icon restores the window.
    PostMessageW(trays[0], TrayIcon::kCallbackMessage, 1, WM_LBUTTONUP);
    EXPECT_TRUE(waitFor([&] { return IsWindowVisible(main) != FALSE; }));

    // The close box (the system menu's Close) only hides it; the program stays in the
    // tray.
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(waitFor([&] { return !IsWindowVisible(main); }));
    EXPECT_FALSE(program.ended(500ms));
    EXPECT_TRUE(trayIconPresent(trays[0]));

    // A bare close request, as a task manager sends, ends the program.
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.ended(20s));
    EXPECT_EQ(program.exitCode(), 0u);
    EXPECT_FALSE(trayIconPresent(trays[0]));
}

TEST_F(ProgramTest, EscHidesTheWindowOnlyWhenTheOptionIsOn) {
    RunningProgram program(exe_, binFolder());
    ASSERT_TRUE(program.started());
    HWND main = program.mainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(waitFor([&] { return IsWindowVisible(main) != FALSE; }));
    HWND list = GetDlgItem(main, mainid::kPrgName);
    HWND esc = GetDlgItem(main, mainid::kChkEsc);
    EXPECT_EQ(wintest::windowText(esc), L"Esc Key Minimize to Tray");

    // The key goes to a control; the window sees it first.
    PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    Sleep(500);
    EXPECT_TRUE(IsWindowVisible(main));  // option off

    SendMessageW(esc, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageW(esc, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_TRUE(waitFor([&] { return setting(L"EscKey") == L"1"; }));  // stored at once
    PostMessageW(list, WM_CHAR, 'a', 0x001E0001);
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(main));  // other keys do nothing
    PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_TRUE(waitFor([&] { return !IsWindowVisible(main); }));
    EXPECT_FALSE(program.ended(300ms));

    ASSERT_TRUE(program.exitThroughTray());
}

TEST_F(ProgramTest, EndingTheSessionEndsTheProgram) {
    RunningProgram program(exe_, binFolder());
    ASSERT_TRUE(program.started());
    HWND main = program.mainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(waitFor([&] { return IsWindowVisible(main) != FALSE; }));
    auto trays = wintest::windowsOf(program.pid(), kTrayWindowClass);
    ASSERT_FALSE(trays.empty());

    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                    SMTO_ABORTIFHUNG, 10000, &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));  // nothing launched: it agrees
    ASSERT_TRUE(program.ended(20s));
    EXPECT_EQ(program.exitCode(), 0u);
    EXPECT_FALSE(trayIconPresent(trays[0]));
}

TEST_F(ProgramTest, TheWindowTakesDropsHasAFixedBorderAndExitsFromItsMenu) {
    RunningProgram program(exe_, binFolder());
    ASSERT_TRUE(program.started());
    std::wstring message;
    HWND main = program.shownMainWindow(message);
    ASSERT_NE(main, nullptr) << narrow(message);
    EXPECT_TRUE(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    LONG style = GetWindowLongW(main, GWL_STYLE);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);  // fixed single border
    EXPECT_TRUE(style & WS_MINIMIZEBOX);

    // (Menus belong to their process under Wine; the menu bar's contents are tested
    // in-process with the window framework.)
    EXPECT_NE(GetMenu(main), nullptr);
    // "Normal Windows" is selected: it can be neither removed nor launched.
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, mainid::kCmdRemove)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, mainid::kCmdLaunch)));

    // The File menu's exit ends the program as the tray's does.
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(mainid::kMnuExit, 0), 0);
    ASSERT_TRUE(program.ended(20s));
    EXPECT_EQ(program.exitCode(), 0u);
}

TEST_F(ProgramTest, TheTrayIconPopsUpItsMenu) {
    RunningProgram program(exe_, binFolder());
    ASSERT_TRUE(program.started());
    std::wstring message;
    HWND main = program.shownMainWindow(message);
    ASSERT_NE(main, nullptr) << narrow(message);
    auto trays = wintest::windowsOf(program.pid(), kTrayWindowClass);
    ASSERT_EQ(trays.size(), 1u);

    PostMessageW(trays[0], TrayIcon::kCallbackMessage, 1, WM_RBUTTONUP);
    HWND menu = nullptr;
    ASSERT_TRUE(waitFor([&] {
        for (HWND h : wintest::windowsOf(program.pid(), L"#32768"))
            if (IsWindowVisible(h)) menu = h;
        return menu != nullptr;
    })) << "no pop-up menu";
    // Esc closes it; the program goes on.
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_TRUE(waitFor([&] { return !IsWindowVisible(menu); }));
    EXPECT_FALSE(program.ended());
    ASSERT_TRUE(program.exitThroughTray());
}

TEST(ProgramFileTest, CarriesItsVersionIconAndManifest) {
    std::wstring exe = binFolder() + L"Tonekeep.exe";
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(4, 3));  // 3.4
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);              // .0.0
    wchar_t* product = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\ProductName",
                               reinterpret_cast<void**>(&product), &length));
    EXPECT_STREQ(product, L"Havro Tonekeep");
    wchar_t* original = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\OriginalFilename",
                               reinterpret_cast<void**>(&original), &length));
    EXPECT_STREQ(original, L"Tonekeep.exe");

    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(1), RT_GROUP_ICON), nullptr);
    HRSRC manifest = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(manifest, nullptr);
    std::string text(static_cast<const char*>(LockResource(LoadResource(module, manifest))),
                     SizeofResource(module, manifest));
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(text.find("asInvoker"), std::string::npos);
    EXPECT_NE(text.find("PerMonitorV2"), std::string::npos);
    FreeLibrary(module);
}

}  // namespace
}  // namespace tk::win
