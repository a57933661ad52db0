// The watch of a launched program on the real Tonekeep.exe: a program that ends at
// once, one that runs for six seconds, one that ends with the exit code that also means
// "still active" (259), and one whose process denies query access (0x400) as an
// elevated one does. Each is watched while it runs (interface locked, tray tip naming
// it, watch timer on) and, within one or two timer periods of its end, its levels are
// stored, "Normal Windows" is back, the tray tip says so and the timer is off. Tonekeep
// never ends a launched program itself: each leaves its ".ended" file and its own exit
// code.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>

#include "wine_util.h"
#include "window_ids.h"

namespace tk::wintest {
namespace {

namespace id = win::mainid;

struct WatchCase {
    const char* helper;  // executable name without ".exe"
    DWORD runMs;
    DWORD exitCode;
    bool denyQuery;
};

const WatchCase kCases[] = {
    {"tk_watch_quick", 0, 0, false},
    {"tk_watch_long", 6000, 0, false},
    {"tk_watch_still_active", 3000, 259, false},
    {"tk_watch_guarded", 4000, 0, true},
};

enum class Path { Endpoint, Legacy };

struct Param {
    Path path;
    WatchCase watched;
};

void PrintTo(const Param& p, std::ostream* out) {
    *out << (p.path == Path::Endpoint ? "endpoint path, " : "legacy path, ") << p.watched.helper;
}

std::string paramName(const ::testing::TestParamInfo<Param>& info) {
    std::string name = info.param.path == Path::Endpoint ? "Endpoint_" : "Legacy_";
    for (const char* c = info.param.watched.helper + 9; *c; ++c)  // after "tk_watch_"
        if (*c != '_') name += *c;
    return name;
}

std::vector<Param> allParams() {
    std::vector<Param> params;
    for (Path path : {Path::Endpoint, Path::Legacy})
        for (const WatchCase& c : kCases) params.push_back({path, c});
    return params;
}

std::wstring widenAscii(const char* text) {
    return std::wstring(text, text + strlen(text));
}

class Watch : public ::testing::TestWithParam<Param> {
  protected:
    void SetUp() override {
        const Param& p = GetParam();
        bin_ = wintest::unixToWine(TK_BIN_DIR);
        ASSERT_TRUE(fileExists(bin_ + L"Tonekeep.exe")) << "Tonekeep.exe is not built";
        if (p.path == Path::Endpoint && !fileExists(bin_ + L"HavroVista.dll"))
            FAIL() << "HavroVista.dll is not built next to Tonekeep.exe";
        name_ = widenAscii(p.watched.helper);
        base_ = wintest::unixToWine(TK_LAUNCHED_DIR) + name_;
        ASSERT_TRUE(fileExists(base_ + L".exe")) << "the launched program is not built";
        DeleteFileW((base_ + L".started").c_str());
        DeleteFileW((base_ + L".ended").c_str());

        ASSERT_TRUE(wintest::deleteTree(HKEY_CURRENT_USER, kAppKey));
        wintest::writeString(HKEY_CURRENT_USER, kProgramsKey, L"Name 0", L"Normal Windows");
        wintest::writeString(HKEY_CURRENT_USER, kProgramsKey, L"Settings 0", L"");
        wintest::writeString(HKEY_CURRENT_USER, kProgramsKey, L"Mixer 0", L"0");
        wintest::writeString(HKEY_CURRENT_USER, kProgramsKey, L"Name 1", base_ + L".exe");
    }
    void TearDown() override {
        if (watched_) CloseHandle(watched_);
        wintest::deleteTree(HKEY_CURRENT_USER, kAppKey);
    }

    // The key under which the levels of entry 1 are stored on this path.
    std::wstring levelsKey() const {
        return GetParam().path == Path::Endpoint ? L"VistaSettings 1" : L"SoundSettings 1";
    }
    void expectLocked(const Tonekeep& tk, const char* when) const {
        SCOPED_TRACE(when);
        EXPECT_FALSE(IsWindowVisible(tk.main()));
        EXPECT_FALSE(IsWindowEnabled(tk.control(id::kPrgName)));
        EXPECT_FALSE(IsWindowEnabled(tk.control(id::kCmdLaunch)));
        EXPECT_FALSE(IsWindowEnabled(tk.control(id::kCmdAdd)));
        EXPECT_FALSE(IsWindowEnabled(tk.control(id::kCmdRemove)));
        EXPECT_EQ(tk.selected(id::kPrgName), 1);
        EXPECT_EQ(tk.trayTip(), L"Havro Tonekeep\nSound Card set for " + name_ + L".exe");
        EXPECT_EQ(tk.timerState(1), 1) << "the watch timer is off";
    }

    std::wstring bin_, name_, base_;
    HANDLE watched_ = nullptr;
};

TEST_P(Watch, EndsCorrectlyAndLeavesTheProgramAlone) {
    const Param& p = GetParam();
    WindowsVersion version(p.path == Path::Legacy ? L"winxp64" : nullptr);
    Tonekeep tk(bin_ + L"Tonekeep.exe", bin_);
    ASSERT_TRUE(tk.started());
    ASSERT_NE(tk.shownMainWindow(), nullptr) << "the main window did not show";

    tk.pick(id::kPrgName, 1);
    ASSERT_EQ(wintest::windowText(tk.main()), L"Havro Tonekeep  [" + name_ + L".exe]");
    ASSERT_NE(setting(levelsKey()), L"<absent>") << "selecting did not store the profile";
    wintest::deleteValue(HKEY_CURRENT_USER, kProgramsKey, levelsKey());
    const LRESULT ticksBefore = tk.timerState(0);
    EXPECT_EQ(tk.timerState(1), 0);

    const DWORD pressed = GetTickCount();
    tk.press(id::kCmdLaunch);  // returns once the launch has run
    const DWORD launched = GetTickCount();
    std::printf("[ figure   ] %s: the launch took %lu ms\n", p.watched.helper,
                static_cast<unsigned long>(launched - pressed));
    // Under Wine without a window manager, hiding the window waits two seconds for
    // the manager's answer, so the first tick follows the launch at once: a program that
    // ends at once may already be seen as ended here.
    if (p.watched.runMs > 0) expectLocked(tk, "right after the launch");

    // The program is up: its process id, and for the guarded one whether its process
    // really refuses query access under this system.
    ASSERT_TRUE(wintest::waitFor([&] { return fileExists(base_ + L".started"); }, 10s));
    const std::string started = readFile(base_ + L".started").value_or("");
    const DWORD pid = std::strtoul(started.c_str(), nullptr, 10);
    watched_ = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (p.watched.denyQuery) {
        EXPECT_NE(started.find(" denied"), std::string::npos) << started;
        HANDLE query = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
        std::printf("[ note     ] query access (0x400) to the guarded process: %s\n",
                    query ? "still granted (the process DACL has no effect here)"
                          : "denied, as for an elevated process");
        if (query) CloseHandle(query);
    }

    // After each tick while it runs it is still watched, and the tick showed "still
    // active".
    for (DWORD at : {2600u, 4600u}) {
        if (at + 500 > p.watched.runMs) break;
        const DWORD elapsed = GetTickCount() - launched;
        if (elapsed < at) Sleep(at - elapsed);
        if (fileExists(base_ + L".ended")) break;
        expectLocked(tk, at == 2600 ? "after the first tick" : "after the second tick");
        EXPECT_EQ(wintest::windowText(tk.control(id::kLabel2)), L"259");
        EXPECT_GT(tk.timerState(0), ticksBefore);
    }

    // The end is noticed within one timer period (2 s) and a little.
    ASSERT_TRUE(wintest::waitFor([&] { return fileExists(base_ + L".ended"); },
                                 std::chrono::milliseconds(p.watched.runMs + 10000)));
    const DWORD ended = GetTickCount();
    // The watch timer going off is the last step of the restore.
    ASSERT_TRUE(wintest::waitFor([&] { return tk.timerState(1) == 0; }, 8s))
        << "the watch did not end after the program ended";
    const DWORD noticed = GetTickCount() - ended;
    std::printf("[ figure   ] %s: end noticed after %lu ms\n", p.watched.helper,
                static_cast<unsigned long>(noticed));
    EXPECT_LE(noticed, 4000u);

    // "Normal Windows" is back and the interface unlocked; the window stays hidden.
    EXPECT_EQ(tk.selected(id::kPrgName), 0);
    EXPECT_EQ(wintest::windowText(tk.main()), L"Havro Tonekeep  [Normal Windows]");
    EXPECT_TRUE(IsWindowEnabled(tk.control(id::kPrgName)));
    EXPECT_TRUE(IsWindowEnabled(tk.control(id::kCmdAdd)));
    EXPECT_TRUE(IsWindowEnabled(tk.control(id::kCmdRemove)));
    EXPECT_FALSE(IsWindowEnabled(tk.control(id::kCmdLaunch)));
    EXPECT_FALSE(IsWindowVisible(tk.main()));
    EXPECT_EQ(tk.trayTip(), L"Havro Tonekeep\nSound Card set for Normal Windows");

    // The levels in force at the end were stored under the program's entry.
    const std::wstring levels = setting(levelsKey());
    ASSERT_NE(levels, L"<absent>") << "the levels were not stored when the program ended";
    if (p.path == Path::Endpoint)
        EXPECT_EQ(std::count(levels.begin(), levels.end(), L','), 13) << levels.c_str();
    else
        EXPECT_FALSE(levels.empty());

    // The timer is off: no more ticks.
    const LRESULT ticksAfter = tk.timerState(0);
    Sleep(2600);
    EXPECT_EQ(tk.timerState(0), ticksAfter) << "timer messages go on after the watch ended";

    // The program ended by itself, with its own exit code.
    if (watched_) {
        ASSERT_EQ(WaitForSingleObject(watched_, 5000), WAIT_OBJECT_0);
        DWORD code = 0;
        ASSERT_TRUE(GetExitCodeProcess(watched_, &code));
        EXPECT_EQ(code, p.watched.exitCode);
    } else {
        // Only a program that had already gone may be missing here; its ".ended" file
        // shows it ran to its end.
        EXPECT_EQ(p.watched.runMs, 0u) << "could not open the launched process";
    }
    EXPECT_TRUE(tk.exitThroughTray());
}

INSTANTIATE_TEST_SUITE_P(Launched, Watch, ::testing::ValuesIn(allParams()), paramName);

}  // namespace
}  // namespace tk::wintest
