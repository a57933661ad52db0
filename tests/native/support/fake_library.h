// An in-memory HavroLibrary for the native tests.
//
// It holds playback and capture endpoints (friendly name, id such as
// "{0.0.0.00000000}.{GUID}", and one value per control with a presence flag), one
// open endpoint set as the real library keeps it, and a record of every call.
//
// Behaviour follows the library's contracts closely enough for the program's logic:
//  * OpenSoundCard matches each id text, letter case ignored, as a part of an
//    endpoint id; an empty text leaves that role unopened; the result is the
//    exclusive-or of 1 (playback), 3 (microphone), 6 (line-in) for the roles that
//    failed. Any successful match sets the open mark; CloseSoundCard clears it and
//    puts back the values found at open time.
//  * Level exports answer status 3 while nothing is open, 1 when the role is not open
//    or its endpoint lacks the control, 2 when the control is set to fail; results
//    per export as the library gives them (percent Set results, SetMidRange always 1,
//    SetMasterMute's failure code as status, flags read back as 0/1).
//  * The controls a role brings: playback — master volume and mute, line and
//    microphone playback level and mute, bass, mid-range, treble; microphone —
//    microphone recording volume and boost; line-in — line recording volume and the
//    no-monitor switch.
//  * Percent levels are stored as given (no dB round trip); a percent outside 0..100
//    is refused with status 2, as a control refuses a level beyond its range. The
//    line-in recording volume stores 0 as 1 (its zero rule).
//
// Faults on demand: `throwAll` makes every export throw LibraryMissing, as a missing
// DLL does; `failOn` names device exports
// that report failure (count/listing/open) — level exports fail per control instead.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/havro_library.h"

namespace tk::test {

// The endpoint controls, in level-set order.
enum class Ctl {
    MasterVolume,
    MasterMute,
    LinePlay,
    LinePlayMute,
    MicPlay,
    MicPlayMute,
    MicBoost,
    NoMonitor,
    Bass,
    Mid,
    Treble,
    MicRecord,
    LineRecord,
};
inline constexpr int kCtlCount = 13;

struct FakeControl {
    bool present = true;
    bool fails = false;  // reads and writes report status 2
    double value = 0;    // percent, flag 0/1, or dB
    double minDb = -12;  // tone range
    double maxDb = 12;
    double stepDb = 1;
};

struct FakeEndpoint {
    std::string name;
    std::string id;
    std::array<FakeControl, kCtlCount> controls{};

    FakeControl& operator[](Ctl c) { return controls[static_cast<int>(c)]; }
    const FakeControl& operator[](Ctl c) const { return controls[static_cast<int>(c)]; }
    FakeEndpoint& without(Ctl c);
    FakeEndpoint& set(Ctl c, double value);
};

enum class Role { Playback = 0, Microphone = 1, LineIn = 2 };

class FakeLibrary : public HavroLibrary {
  public:
    // "{0.0.0.00000000}.{" + guid + "}" for a playback endpoint, "{0.0.1.00000000}…"
    // for a capture endpoint.
    FakeEndpoint& addPlayback(const std::string& name, const std::string& guid);
    FakeEndpoint& addCapture(const std::string& name, const std::string& guid);
    // The fragment the program stores: from the "{" after the first "}.{" to the end.
    static std::string fragment(const std::string& id);

    std::vector<FakeEndpoint> playback;
    std::vector<FakeEndpoint> capture;
    int defaultPlayback = 0;  // index into playback; -1: none
    int defaultCapture = 0;   // index into capture; -1: none

    // --- inspection --------------------------------------------------------------
    bool isOpen() const { return open_; }
    // The endpoint open in a role, or nullptr.
    FakeEndpoint* opened(Role role);
    int openedIndex(Role role) const { return slots_[static_cast<int>(role)]; }
    // The value of a control of the endpoint open in its role (0 when none).
    double level(Ctl c);
    // Every call as "Name(arg,arg)"; clearCalls() forgets them.
    std::vector<std::string> calls;
    void clearCalls() { calls.clear(); }
    int countCalls(const std::string& name) const;

    // --- faults ------------------------------------------------------------------
    bool throwAll = false;
    std::set<std::string> failOn;

    // --- HavroLibrary ----------------------------------------------------------
    int32_t GetNumberPlayDevices(int32_t& count) override;
    int32_t GetNumberRecordDevices(int32_t& count) override;
    int32_t GetPlayBackDevice(int32_t index, std::string& name, std::string& id) override;
    int32_t GetRecordDevice(int32_t index, std::string& name, std::string& id) override;
    int32_t GetDeviceNames(std::string& playback, std::string& lineIn,
                           std::string& microphone) override;
    int32_t OpenDefaultDevices() override;
    int32_t OpenSoundCard(const std::string& playbackId, const std::string& micId,
                          const std::string& lineInId) override;
    int32_t CloseSoundCard() override;

    // Level exports: the percent on failure where the library gives it, 0 elsewhere.
    int32_t SetMasterVolume(int32_t p, int32_t& s) override {
        return setPercent("SetMasterVolume", Ctl::MasterVolume, p, s, true);
    }
    int32_t GetMasterVolume(int32_t& s) override {
        return getPercent("GetMasterVolume", Ctl::MasterVolume, s);
    }
    int32_t SetLinePlayBack(int32_t p, int32_t& s) override {
        return setPercent("SetLinePlayBack", Ctl::LinePlay, p, s, false);
    }
    int32_t GetLinePlayBack(int32_t& s) override {
        return getPercent("GetLinePlayBack", Ctl::LinePlay, s);
    }
    int32_t SetMicPlayBack(int32_t p, int32_t& s) override {
        return setPercent("SetMicPlayBack", Ctl::MicPlay, p, s, false);
    }
    int32_t GetMicPlayBack(int32_t& s) override {
        return getPercent("GetMicPlayBack", Ctl::MicPlay, s);
    }
    int32_t SetMicRecordVolume(int32_t p, int32_t& s) override {
        return setPercent("SetMicRecordVolume", Ctl::MicRecord, p, s, true);
    }
    int32_t GetMicRecordVolume(int32_t& s) override {
        return getPercent("GetMicRecordVolume", Ctl::MicRecord, s);
    }
    int32_t SetLineRecordVolume(int32_t p, int32_t& s) override {
        return setPercent("SetLineRecordVolume", Ctl::LineRecord, p, s, true);
    }
    int32_t GetLineRecordVolume(int32_t& s) override {
        return getPercent("GetLineRecordVolume", Ctl::LineRecord, s);
    }
    int32_t SetMasterMute(int32_t f, int32_t& s) override {
        return setFlag("SetMasterMute", Ctl::MasterMute, f, s);
    }
    int32_t GetMasterMute(int32_t& s) override {
        return getFlag("GetMasterMute", Ctl::MasterMute, s);
    }
    int32_t SetLinePlayBackMute(int32_t f, int32_t& s) override {
        return setFlag("SetLinePlayBackMute", Ctl::LinePlayMute, f, s);
    }
    int32_t GetLinePlayBackMute(int32_t& s) override {
        return getFlag("GetLinePlayBackMute", Ctl::LinePlayMute, s);
    }
    int32_t SetMicPlayBackMute(int32_t f, int32_t& s) override {
        return setFlag("SetMicPlayBackMute", Ctl::MicPlayMute, f, s);
    }
    int32_t GetMicPlayBackMute(int32_t& s) override {
        return getFlag("GetMicPlayBackMute", Ctl::MicPlayMute, s);
    }
    int32_t SetMicBoost(int32_t f, int32_t& s) override {
        return setFlag("SetMicBoost", Ctl::MicBoost, f, s);
    }
    int32_t GetMicBoost(int32_t& s) override { return getFlag("GetMicBoost", Ctl::MicBoost, s); }
    int32_t SetNoMonitor(int32_t f, int32_t& s) override {
        return setFlag("SetNoMonitor", Ctl::NoMonitor, f, s);
    }
    int32_t GetNoMonitor(int32_t& s) override { return getFlag("GetNoMonitor", Ctl::NoMonitor, s); }

    int32_t GetEQRange(double& minDb, double& maxDb, double& stepDb) override;
    int32_t SetBass(double db, int32_t& s) override { return setTone("SetBass", Ctl::Bass, db, s); }
    int32_t GetBass(double& db, int32_t& s) override {
        return getTone("GetBass", Ctl::Bass, db, s);
    }
    int32_t SetMidRange(double db, int32_t& s) override {
        return setTone("SetMidRange", Ctl::Mid, db, s);
    }
    int32_t GetMidRange(double& db, int32_t& s) override {
        return getTone("GetMidRange", Ctl::Mid, db, s);
    }
    int32_t SetTreble(double db, int32_t& s) override {
        return setTone("SetTreble", Ctl::Treble, db, s);
    }
    int32_t GetTreble(double& db, int32_t& s) override {
        return getTone("GetTreble", Ctl::Treble, db, s);
    }

    // The program never opens a second playback endpoint: a call is a test failure.
    int32_t OpenVirtual_1(const std::string&) override { return unused("OpenVirtual_1"); }
    int32_t CloseVirtual_1() override { return unused("CloseVirtual_1"); }
    int32_t SetVirtualVolume(int32_t, int32_t&) override { return unused("SetVirtualVolume"); }
    int32_t GetVirtualVolume(int32_t&) override { return unused("GetVirtualVolume"); }
    int32_t SetVirtualMute(int32_t, int32_t&) override { return unused("SetVirtualMute"); }
    int32_t GetVirtualMute(int32_t&) override { return unused("GetVirtualMute"); }

    // The failure code SetMasterMute reports as its status (E_FAIL).
    static constexpr int32_t kSystemFailure = static_cast<int32_t>(0x80004005u);

  private:
    static int32_t unused(const char* name) {
        ADD_FAILURE() << name << " called";
        return 1;
    }
    void enter(const std::string& call);
    bool failing(const std::string& name) const { return failOn.count(name) > 0; }
    // Resolves an id text against the endpoints of one flow: index or -1.
    int resolve(const std::vector<FakeEndpoint>& list, const std::string& text) const;
    bool openRole(Role role, const std::string& text);
    // Finds the control for an export: nullptr with the status written when it is
    // not usable.
    FakeControl* control(Ctl c, int32_t& status);
    int32_t setPercent(const char* name, Ctl c, int32_t percent, int32_t& status,
                       bool resultOnFailure);
    int32_t getPercent(const char* name, Ctl c, int32_t& status);
    int32_t setFlag(const char* name, Ctl c, int32_t flag, int32_t& status);
    int32_t getFlag(const char* name, Ctl c, int32_t& status);
    int32_t setTone(const char* name, Ctl c, double db, int32_t& status);
    int32_t getTone(const char* name, Ctl c, double& db, int32_t& status);
    static void writeBuffer(std::string& buffer, const std::string& text);

    bool open_ = false;
    std::array<int, 3> slots_{-1, -1, -1};
    std::array<std::string, 3> names_{};
    std::array<bool, 3> named_{false, false, false};
    // Values found at open time, per role and control.
    struct Captured {
        int endpoint = -1;
        std::array<double, kCtlCount> values{};
    };
    std::array<Captured, 3> captured_{};
};

}  // namespace tk::test
