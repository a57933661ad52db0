// An in-memory HavroLibrary for the native tests.
//
// It holds playback and capture endpoints (friendly name, id such as
// "{0.0.0.00000000}.{GUID}", and one value per control with a presence flag), one
// open endpoint set as the real library keeps it, and a record of every call.
//
// It follows the library's contracts as far as the program's logic sees them:
//  * OpenSoundCard matches each id text (letter case ignored) as part of an endpoint id;
//    an empty text leaves the role unopened; the result is the exclusive-or of 1, 3, 6
//    for the roles (playback, microphone, line-in) that failed.
//  * Level exports answer status 3 while nothing is open, 1 when the role is not open
//    or lacks the control, 2 when the control fails; a percent outside 0..100 is
//    refused with status 2; the line-in recording volume stores 0 as 1.
//  * A role's controls: playback — master, line and microphone playback with their
//    mutes, tone; microphone — recording volume and boost; line-in — recording volume
//    and the no-monitor switch.
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
    FakeEndpoint& without(Ctl c) { return (*this)[c].present = false, *this; }
    FakeEndpoint& set(Ctl c, double value);
};

enum class Role { Playback = 0, Microphone = 1, LineIn = 2 };

// One line per export pair (S: set, G: get, C: the control); percent exports answer
// the percent on failure where the library gives it (R), 0 elsewhere.
// clang-format off
#define TK_FAKE_PERCENT(S, G, C, R)                                                       \
    int32_t S(int32_t p, int32_t& s) override { return setPercent(#S, Ctl::C, p, s, R); } \
    int32_t G(int32_t& s) override { return getPercent(#G, Ctl::C, s); }
#define TK_FAKE_FLAG(S, G, C)                                                       \
    int32_t S(int32_t f, int32_t& s) override { return setFlag(#S, Ctl::C, f, s); } \
    int32_t G(int32_t& s) override { return getFlag(#G, Ctl::C, s); }
#define TK_FAKE_TONE(S, G, C)                                                        \
    int32_t S(double db, int32_t& s) override { return setTone(#S, Ctl::C, db, s); } \
    int32_t G(double& db, int32_t& s) override { return getTone(#G, Ctl::C, db, s); }
// clang-format on

class FakeLibrary : public HavroLibrary {
  public:
    // "{0.0.0.00000000}.{" + guid + "}" for a playback endpoint, "{0.0.1.00000000}…"
    // for a capture endpoint.
    FakeEndpoint& addPlayback(const std::string& name, const std::string& guid);
    FakeEndpoint& addCapture(const std::string& name, const std::string& guid);

    std::vector<FakeEndpoint> playback;
    std::vector<FakeEndpoint> capture;
    int defaultPlayback = 0;  // index into playback; -1: none
    int defaultCapture = 0;   // index into capture; -1: none

    FakeEndpoint* opened(Role role);  // the endpoint open in a role, or nullptr
    double level(Ctl c);              // of the endpoint open in the control's role (0 when none)
    // Every call as "Name(arg,arg)".
    std::vector<std::string> calls;
    void clearCalls() { calls.clear(); }
    int countCalls(const std::string& name) const;

    bool throwAll = false;         // every export throws LibraryMissing, as a missing DLL
    std::set<std::string> failOn;  // device counts that fail

    int32_t GetNumberPlayDevices(int32_t& n) override {
        return count("GetNumberPlayDevices", playback, n);
    }
    int32_t GetNumberRecordDevices(int32_t& n) override {
        return count("GetNumberRecordDevices", capture, n);
    }
    int32_t GetPlayBackDevice(int32_t index, std::string& name, std::string& id) override {
        return device("GetPlayBackDevice", playback, index, name, id);
    }
    int32_t GetRecordDevice(int32_t index, std::string& name, std::string& id) override {
        return device("GetRecordDevice", capture, index, name, id);
    }
    int32_t GetDeviceNames(std::string& playback, std::string& lineIn,
                           std::string& microphone) override;
    int32_t OpenDefaultDevices() override;
    int32_t OpenSoundCard(const std::string& playbackId, const std::string& micId,
                          const std::string& lineInId) override;
    int32_t CloseSoundCard() override;
    int32_t GetEQRange(double& minDb, double& maxDb, double& stepDb) override;

    TK_FAKE_PERCENT(SetMasterVolume, GetMasterVolume, MasterVolume, true)
    TK_FAKE_PERCENT(SetLinePlayBack, GetLinePlayBack, LinePlay, false)
    TK_FAKE_PERCENT(SetMicPlayBack, GetMicPlayBack, MicPlay, false)
    TK_FAKE_PERCENT(SetMicRecordVolume, GetMicRecordVolume, MicRecord, true)
    TK_FAKE_PERCENT(SetLineRecordVolume, GetLineRecordVolume, LineRecord, true)
    TK_FAKE_FLAG(SetMasterMute, GetMasterMute, MasterMute)
    TK_FAKE_FLAG(SetLinePlayBackMute, GetLinePlayBackMute, LinePlayMute)
    TK_FAKE_FLAG(SetMicPlayBackMute, GetMicPlayBackMute, MicPlayMute)
    TK_FAKE_FLAG(SetMicBoost, GetMicBoost, MicBoost)
    TK_FAKE_FLAG(SetNoMonitor, GetNoMonitor, NoMonitor)
    TK_FAKE_TONE(SetBass, GetBass, Bass)
    TK_FAKE_TONE(SetMidRange, GetMidRange, Mid)
    TK_FAKE_TONE(SetTreble, GetTreble, Treble)

    // The program never opens a second playback endpoint: a call is a test failure.
    int32_t OpenVirtual_1(const std::string&) override { return unused("OpenVirtual_1"); }
    int32_t CloseVirtual_1() override { return unused("CloseVirtual_1"); }
    int32_t SetVirtualVolume(int32_t, int32_t&) override { return unused("SetVirtualVolume"); }
    int32_t GetVirtualVolume(int32_t&) override { return unused("GetVirtualVolume"); }
    int32_t SetVirtualMute(int32_t, int32_t&) override { return unused("SetVirtualMute"); }
    int32_t GetVirtualMute(int32_t&) override { return unused("GetVirtualMute"); }

  private:
    static int32_t unused(const char* name) {
        ADD_FAILURE() << name << " called";
        return 1;
    }
    void enter(const std::string& call);
    int32_t count(const char* name, const std::vector<FakeEndpoint>& list, int32_t& count);
    int32_t device(const char* name, const std::vector<FakeEndpoint>& list, int32_t index,
                   std::string& deviceName, std::string& id);
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
};

}  // namespace tk::test
