// The topology walks: which controls they take by name and position, and that any failing
// call leaves a usable, restorable set.
#include <gtest/gtest.h>

#include <optional>

#include "test_support/rig.h"

namespace havro {
namespace {

using fake::FakeAudioSystem;
using fake::FakePart;

// Inputs of the mixing point, each written upstream from the input: "Input<Volume*<Line"
// names its parts; '*' gives a part a volume level, '!' one that cannot be read, and "@1"
// links back to the first part upstream of the input (a loop). After the open, the line's
// level is set to 0 % and the microphone's to 100 %: the row names the input (by index,
// -1 for none) whose level each moved.
TEST(WalkTest, PlaybackInputsAreTakenByTheNamesUpstream) {
    const struct {
        std::vector<std::string> inputs;
        int32_t result;
        int line, mic;
    } rows[] = {
        {{"Input<Volume*<Line Jack", "Wave"}, 0, 0, -1},
        {{"Input<Volume*<Rear GREEN", "Wave"}, 0, 0, -1},
        {{"Input<Volume*<MIC 2", "Wave"}, 0, -1, 0},
        {{"Input<Volume*<Front Pink", "Wave"}, 0, -1, 0},
        {{"Input<Volume*<CD Audio", "Wave"}, 0, -1, -1},
        // A name without a level upstream: the next input.
        {{"A<Line Jack", "B<Line Volume*<Line 2"}, 0, 1, -1},
        // An unreadable level does not count for the line, but does for the microphone.
        {{"A<Line Vol!", "B<Line Vol*", "C<Mic Vol!", "D<Mic Vol*"}, 0, 1, 2},
        {{"Input<Line X<Line Y<@1", "Wave"}, 1, -1, -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.inputs[0]);
        FakeAudioSystem sys;
        Library lib{sys, 500};
        auto& device = sys.AddDevice(Flow::kRender, u"PLAY", u"Speakers");
        FakePart &speaker = sys.AddPart(u"Speaker"), &sum = sys.AddPart(u"Sum");
        sys.Link(sum, speaker);
        std::vector<std::shared_ptr<fake::FakeControl>> levels;
        for (const std::string& input : row.inputs) {
            levels.emplace_back();
            std::vector<FakePart*> path;
            for (size_t at = 0, end = 0; at <= input.size(); at = end + 1) {
                end = std::min(input.find('<', at), input.size());
                std::string name = input.substr(at, end - at);
                if (name == "@1") {
                    sys.Link(*path[1], *path.back());
                    break;
                }
                const char mark = name.back();
                if (mark == '*' || mark == '!') name.pop_back();
                path.push_back(&sys.AddPart(std::u16string(name.begin(), name.end())));
                sys.Link(*path.back(), path.size() == 1 ? sum : *path[path.size() - 2]);
                if (mark != '*' && mark != '!') continue;
                levels.back() = sys.AddLevel(*path.back(), LevelKind::kVolumeLevel, -30, 0, {-3});
                if (mark == '!') levels.back()->Fail("GetLevel");
            }
        }
        sys.AddAdapterTopology({&speaker});
        sys.ConnectEndpoint(device, speaker);
        EXPECT_EQ(lib.OpenSoundCard("PLAY", "", ""), row.result);
        int32_t status = -1;
        lib.SetLinePlayBack(0, &status);
        lib.SetMicPlayBack(100, &status);
        for (size_t i = 0; i < levels.size(); ++i) {
            const float expected = int(i) == row.line ? -30 : int(i) == row.mic ? 0 : -3;
            EXPECT_EQ(levels[i] ? levels[i]->channelDb[0] : expected, expected) << i;
        }
        lib.GetLinePlayBack(&status);
        EXPECT_EQ(status, row.line < 0 ? 1 : 0);
    }
}

// The microphone boost: a switch (automatic gain control, else loudness) on the first part
// named like a boost, searched downstream of the microphone connector list by list.
TEST(WalkTest, MicrophoneBoostIsTakenByName) {
    const struct {
        std::u16string first, second;
        std::optional<SwitchKind> firstSwitch, secondSwitch;
        int32_t status;
    } rows[] = {
        {u"Mic Boost", u"Capture Mux", SwitchKind::kAutoGainControl, {}, 0},
        {u"+20 dB", u"Capture Mux", SwitchKind::kAutoGainControl, {}, 0},
        {u"AGC", u"Capture Mux", SwitchKind::kLoudness, {}, 0},
        {u"Gain", u"Capture Mux", SwitchKind::kAutoGainControl, {}, 1},
        {u"Mic Boost", u"Capture Mux", {}, {}, 1},
        {u"Pre-amp", u"AGC stage", {}, SwitchKind::kLoudness, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.first.begin(), row.first.end()));
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
        EXPECT_EQ(lib.GetMicBoost(&status), row.status == 0 ? 1 : 0);
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
