// An in-memory HavroLibrary: playback and capture endpoints with one value per control,
// and the one open endpoint set the library keeps. A control is named as its exports are
// without "Set"/"Get" ("MasterVolume", "MicBoost", "Bass"); an endpoint lacks the ones
// erased from its map. Statuses: 1 for a role not open or a control its endpoint lacks, 2
// for a control named in `failOn` (a count named there, "GetNumberPlayDevices", answers
// 1). Values are stored as given (a flag as -1 or 0); flags read back as 0/1.
#pragma once

#include <array>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/havro_library.h"

namespace tk::test {

struct FakeEndpoint {
    std::string name, id;
    std::map<std::string, double> controls;
    double& operator[](const std::string& control) { return controls[control]; }
};

enum Role { kPlayback, kMicrophone, kLineIn };

// The level exports of control C: percents and flags, then decibels.
// clang-format off
#define TK_FAKE_LEVEL(C)                                                                  \
    int32_t Set##C(int32_t v, int32_t& s) override { return int32_t(set(#C, v, s)); }     \
    int32_t Get##C(int32_t& s) override { return read(#C, s); }
#define TK_FAKE_TONE(C)                                                                   \
    int32_t Set##C(double v, int32_t& s) override { return set(#C, v, s), s != 0; }       \
    int32_t Get##C(double& v, int32_t& s) override { return v = get(#C, s), s != 0; }
// clang-format on

class FakeLibrary : public HavroLibrary {
  public:
    std::vector<FakeEndpoint> playback, capture;
    // What OpenDefaultDevices opens: the capture endpoint as microphone when its name has
    // "Mic", else as line-in.
    int defaultPlayback = 0, defaultCapture = 0;
    bool missing = false;  // the first call throws, as without the DLL
    std::set<std::string> failOn;
    std::array<double, 3> eqRange{-12, 12, 1};  // minimum, maximum, step

    FakeEndpoint& addPlayback(const std::string& name, const std::string& guid) {
        return add(playback, name, "{0.0.0.00000000}.{" + guid + "}",
                   {"MasterVolume", "MasterMute", "LinePlayBack", "LinePlayBackMute", "MicPlayBack",
                    "MicPlayBackMute", "Bass", "MidRange", "Treble"});
    }
    FakeEndpoint& addCapture(const std::string& name, const std::string& guid) {
        return add(capture, name, "{0.0.1.00000000}.{" + guid + "}",
                   {"MicRecordVolume", "MicBoost", "LineRecordVolume", "NoMonitor"});
    }
    // The endpoint open in a role, or nullptr.
    FakeEndpoint* opened(Role role) {
        auto& list = role == kPlayback ? playback : capture;
        return open_[role] >= 0 && open_[role] < int(list.size()) ? &list[open_[role]] : nullptr;
    }
    // A control's value on the endpoint open in its role (0 when there is none).
    double level(const std::string& control) {
        int32_t status = 0;
        return get(control, status);
    }

    int32_t GetNumberPlayDevices(int32_t& n) override { return count(playback, n, __func__); }
    int32_t GetNumberRecordDevices(int32_t& n) override { return count(capture, n, __func__); }
    int32_t GetPlayBackDevice(int32_t i, std::string& name, std::string& id) override {
        return write(name, playback.at(i).name), write(id, playback.at(i).id), 0;
    }
    int32_t GetRecordDevice(int32_t i, std::string& name, std::string& id) override {
        return write(name, capture.at(i).name), write(id, capture.at(i).id), 0;
    }
    int32_t GetDeviceNames(std::string& play, std::string& lineIn, std::string& mic) override {
        for (auto [role, buffer] :
             {std::pair{kPlayback, &play}, {kLineIn, &lineIn}, {kMicrophone, &mic}})
            if (opened(role)) write(*buffer, opened(role)->name);
        return 0;
    }
    int32_t OpenDefaultDevices() override {
        open_ = {defaultPlayback, -1, -1};
        if (defaultCapture >= int(capture.size())) return 1;
        const bool mic = capture[defaultCapture].name.find("Mic") != std::string::npos;
        open_[mic ? kMicrophone : kLineIn] = defaultCapture;
        return 0;
    }
    int32_t OpenSoundCard(const std::string& play, const std::string& mic,
                          const std::string& lineIn) override {
        open_ = {find(playback, play), find(capture, mic), find(capture, lineIn)};
        return 0;
    }
    int32_t CloseSoundCard() override { return open_ = {-1, -1, -1}, 0; }
    // The range, while the open playback endpoint has a tone control.
    int32_t GetEQRange(double& minDb, double& maxDb, double& stepDb) override {
        int32_t status = 1;
        for (const char* tone : {"Bass", "MidRange", "Treble"})
            if (status != 0) get(tone, status);
        minDb = maxDb = stepDb = 0;
        if (status == 0) minDb = eqRange[0], maxDb = eqRange[1], stepDb = eqRange[2];
        return status;
    }

    TK_FAKE_LEVEL(MasterVolume)
    TK_FAKE_LEVEL(MasterMute)
    TK_FAKE_LEVEL(LinePlayBack)
    TK_FAKE_LEVEL(LinePlayBackMute)
    TK_FAKE_LEVEL(MicPlayBack)
    TK_FAKE_LEVEL(MicPlayBackMute)
    TK_FAKE_LEVEL(MicBoost)
    TK_FAKE_LEVEL(NoMonitor)
    TK_FAKE_LEVEL(MicRecordVolume)
    TK_FAKE_LEVEL(LineRecordVolume)
    TK_FAKE_TONE(Bass)
    TK_FAKE_TONE(MidRange)
    TK_FAKE_TONE(Treble)

    // The program never opens a second playback endpoint.
    int32_t OpenVirtual_1(const std::string&) override { return 1; }
    int32_t CloseVirtual_1() override { return 1; }
    int32_t SetVirtualVolume(int32_t, int32_t&) override { return 1; }
    int32_t GetVirtualVolume(int32_t&) override { return 1; }
    int32_t SetVirtualMute(int32_t, int32_t&) override { return 1; }
    int32_t GetVirtualMute(int32_t&) override { return 1; }

  private:
    static FakeEndpoint& add(std::vector<FakeEndpoint>& list, const std::string& name,
                             const std::string& id, std::initializer_list<const char*> controls) {
        list.push_back({name, id, {}});
        for (const char* c : controls) list.back().controls[c] = 0;
        return list.back();
    }
    int32_t count(const std::vector<FakeEndpoint>& list, int32_t& n, const std::string& name) {
        if (missing) throw LibraryMissing("HavroVista.dll");
        n = failOn.count(name) ? 0 : int32_t(list.size());
        return failOn.count(name) ? 1 : 0;
    }
    // The library writes its text and a NUL over the front of the caller's blanks.
    static void write(std::string& buffer, const std::string& text) {
        buffer.replace(0, text.size() + 1, text + '\0');
    }
    // The first endpoint whose id holds `text`, letter case ignored; -1 for none or "".
    static int find(const std::vector<FakeEndpoint>& list, std::string text) {
        auto lower = [](std::string s) {
            for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
            return s;
        };
        for (size_t i = 0; i < list.size() && !text.empty(); ++i)
            if (lower(list[i].id).find(lower(text)) != std::string::npos) return int(i);
        return -1;
    }
    // The control behind an export, or nullptr with `status` saying why not.
    double* control(const std::string& name, int32_t& status) {
        FakeEndpoint* e = opened(name == "MicRecordVolume" || name == "MicBoost"     ? kMicrophone
                                 : name == "LineRecordVolume" || name == "NoMonitor" ? kLineIn
                                                                                     : kPlayback);
        auto it = e ? e->controls.find(name) : std::map<std::string, double>::iterator{};
        status = !e || it == e->controls.end() ? 1 : failOn.count(name) ? 2 : 0;
        return status ? nullptr : &it->second;
    }
    double set(const std::string& name, double v, int32_t& status) {
        double* c = control(name, status);
        return c ? *c = v : 0;
    }
    double get(const std::string& name, int32_t& status) {
        double* c = control(name, status);
        return c ? *c : 0;
    }
    int32_t read(const std::string& name, int32_t& status) {
        const double v = get(name, status);
        const bool flag =
            name.find("Mute") != name.npos || name == "MicBoost" || name == "NoMonitor";
        return flag ? v != 0 : static_cast<int32_t>(v);
    }

    std::array<int, 3> open_{-1, -1, -1};
};

}  // namespace tk::test
