// The topology walks: the microphone boost they take by name and position, and that any
// failing call leaves a usable, restorable set. (The playback inputs' names are the rig's.)
#include <gtest/gtest.h>

#include <optional>

#include "test_support/rig.h"

namespace havro {
namespace {

using fake::FakeAudioSystem;
using fake::FakePart;

// The microphone boost: a switch (automatic gain control, else loudness) on the first part
// named like a boost, searched downstream of the microphone connector list by list.
TEST(WalkTest, MicrophoneBoostIsTakenByName) {
    const struct {
        std::u16string first, second;
        std::optional<SwitchKind> firstSwitch, secondSwitch;
        int32_t status;
    } rows[] = {
        {u"AGC", u"Capture Mux", SwitchKind::kLoudness, {}, 0},
        {u"Gain", u"Capture Mux", SwitchKind::kAutoGainControl, {}, 1},
        {u"Mic Boost", u"Capture Mux", {}, {}, 1},
        {u"Pre-amp", u"Mic Boost", {}, SwitchKind::kAutoGainControl, 0},
    };
    for (const auto& row : rows) {
        FakeAudioSystem sys;
        Library lib{sys};
        auto rig = fake::BuildCapture(sys, u"M", u"Microphone");
        FakePart& first = *rig.adapter->connectors[1]->outgoing[0];
        FakePart& second = *first.outgoing[0];
        first.switches.clear();
        first.name = row.first;
        second.name = row.second;
        if (row.firstSwitch) sys.AddSwitch(first, *row.firstSwitch, true);
        if (row.secondSwitch) sys.AddSwitch(second, *row.secondSwitch, true);
        ASSERT_EQ(lib.OpenSoundCard("", "{m}", ""), 0);
        int32_t status = -1;
        EXPECT_EQ(lib.GetMicBoost(&status), 1 - row.status) << row.status;
        EXPECT_EQ(status, row.status);
    }
}

// Fail each method of several objects in turn: the open must neither crash nor leave COM
// initialised, the endpoint volume is kept whatever failed, and the close completes and
// puts back what it can (it ignores failures of its own).
TEST(WalkTest, AnyFailingCallIsSurvived) {
    const char* methods[] = {
        "GetName",       "EnumPartsIncoming", "EnumPartsOutgoing", "GetTopologyObject",
        "ActivateLevel", "ActivateMute",      "ActivateSwitch",    "GetLevel",
        "GetMute",       "GetEnabled",        "GetLevelRange",     "GetChannelCount",
        "GetConnector",  "GetConnectedTo",    "QueryPart",         "ActivateTopology",
        "SetLevel",      "SetMute",           "SetEnabled"};
    for (const char* method : methods) {
        SCOPED_TRACE(method);
        FakeAudioSystem s;
        auto rig = fake::BuildPlayback(s, u"P", u"Speakers");
        auto rec = fake::BuildCapture(s, u"M", u"Microphone");
        for (fake::Faults* f : std::initializer_list<fake::Faults*>{
                 rig.device, rig.start, rig.sum, rig.lineLevel.get(), rig.micMute.get(),
                 rig.device->topology, rec.adc, rec.boost.get(), rec.adapter}) {
            f->Fail(method);
        }
        rig.device->topology->connectors[0]->Fail(method);
        Library l(s);
        l.OpenSoundCard("{p}", "{m}", "{m}");
        EXPECT_EQ(s.initDepth, 0);
        int32_t status = -1;
        l.SetMasterVolume(100, &status);
        EXPECT_EQ(status, 0);
        l.SetMicRecordVolume(100, &status);
        EXPECT_EQ(l.CloseSoundCard(), 0);
        EXPECT_FALSE(l.IsOpen());
        EXPECT_FLOAT_EQ(rig.device->volume->masterDb, -10);
        EXPECT_FLOAT_EQ(rec.device->volume->masterDb, 20);
    }
}

}  // namespace
}  // namespace havro
