// The three topology walks: which controls they find, when they fail, and their bound.
#include <gtest/gtest.h>

#include <functional>

#include "test_support/rig.h"

namespace havro {
namespace {

using fake::FakeAudioSystem;
using fake::FakeDevice;
using fake::FakePart;

class WalkTest : public ::testing::Test {
  protected:
    // A playback endpoint whose mixing point "Sum" feeds the speaker directly; the test adds
    // the inputs.
    FakeDevice& PlainPlayback() {
        FakeDevice& d = sys.AddDevice(Flow::kRender, u"PLAY", u"Speakers");
        speaker = &sys.AddPart(u"Speaker");
        sum = &sys.AddPart(u"Sum");
        sys.Link(*sum, *speaker);
        sys.AddAdapterTopology({speaker});
        sys.ConnectEndpoint(d, *speaker);
        return d;
    }
    // input <- parts[0] <- parts[1] ..., input feeding the mixing point.
    FakePart& AddInput(const std::u16string& inputName,
                       std::initializer_list<std::u16string> upstream) {
        FakePart& input = sys.AddPart(inputName);
        sys.Link(input, *sum);
        FakePart* below = &input;
        for (const auto& n : upstream) {
            FakePart& p = sys.AddPart(n);
            sys.Link(p, *below);
            below = &p;
        }
        return input;
    }
    FakePart& Upstream(FakePart& input, size_t depth) {
        FakePart* p = &input;
        for (size_t i = 0; i < depth; ++i) p = p->incoming[0];
        return *p;
    }
    int32_t Status(int32_t (Library::*get)(int32_t*)) {
        int32_t status = -1;
        (lib.*get)(&status);
        return status;
    }

    FakeAudioSystem sys;
    Library lib{sys, 500};
    FakePart* speaker = nullptr;
    FakePart* sum = nullptr;
};

TEST_F(WalkTest, NameMatchWithoutLevelPartMovesOnToTheNextInput) {
    PlainPlayback();
    AddInput(u"Input A", {u"Line Jack"});  // a line name, but no volume level upstream
    FakePart& b = AddInput(u"Input B", {u"Line Volume", u"Line 2"});
    auto level = sys.AddLevel(Upstream(b, 1), LevelKind::kVolumeLevel, -30, 0, -9);
    ASSERT_EQ(lib.OpenSoundCard("PLAY", "", ""), 0);
    int32_t status = -1;
    lib.SetLinePlayBack(0, &status);
    EXPECT_EQ(status, 0);
    EXPECT_FLOAT_EQ(level->channelDb[1], -30);
    EXPECT_EQ(Status(&Library::GetLinePlayBackMute), 1);  // Input B offers no mute
}

TEST_F(WalkTest, UnreadableLineLevelDoesNotCountAsFoundButMicrophoneDoes) {
    PlainPlayback();
    FakePart& a = AddInput(u"A", {u"Line Vol"});
    FakePart& b = AddInput(u"B", {u"Line Vol 2"});
    auto unreadable = sys.AddLevel(Upstream(a, 1), LevelKind::kVolumeLevel, -30, 0, -3);
    unreadable->Fail("GetLevel");
    auto good = sys.AddLevel(Upstream(b, 1), LevelKind::kVolumeLevel, -30, 0, -3);
    FakePart& c = AddInput(u"C", {u"Mic Vol"});
    FakePart& d = AddInput(u"D", {u"Mic Vol 2"});
    auto micUnreadable = sys.AddLevel(Upstream(c, 1), LevelKind::kVolumeLevel, -30, 0, -3);
    micUnreadable->Fail("GetLevel");
    auto micSecond = sys.AddLevel(Upstream(d, 1), LevelKind::kVolumeLevel, -30, 0, -3);
    ASSERT_EQ(lib.OpenSoundCard("PLAY", "", ""), 0);
    int32_t status = -1;
    lib.SetLinePlayBack(100, &status);
    EXPECT_FLOAT_EQ(good->channelDb[0], 0);  // the line search went on to input B
    lib.SetMicPlayBack(100, &status);
    EXPECT_FLOAT_EQ(micUnreadable->channelDb[0], 0);  // the microphone stopped at input C
    EXPECT_FLOAT_EQ(micSecond->channelDb[0], -3);
}

TEST_F(WalkTest, ToneControlsOnTheChainAreTakenInOrderOnlyWhileEmpty) {
    FakeDevice& d = sys.AddDevice(Flow::kRender, u"PLAY", u"Speakers");
    FakePart& start = sys.AddPart(u"Speaker");
    FakePart& t1 = sys.AddPart(u"Tone 1");
    FakePart& t2 = sys.AddPart(u"Tone 2");
    FakePart& mix = sys.AddPart(u"Sum");
    sys.Link(t1, start);
    sys.Link(t2, t1);
    sys.Link(mix, t2);
    auto bass1 = sys.AddLevel(t1, LevelKind::kBass, -10, 10, 1);
    auto mid1 = sys.AddLevel(t1, LevelKind::kMidrange, -10, 10, 2);
    auto bass2 = sys.AddLevel(t2, LevelKind::kBass, -10, 10, 3);
    auto treble2 = sys.AddLevel(t2, LevelKind::kTreble, -10, 10, 4);
    FakePart& in1 = sys.AddPart(u"In 1");
    FakePart& in2 = sys.AddPart(u"In 2");
    sys.Link(in1, mix);
    sys.Link(in2, mix);
    sys.AddAdapterTopology({&start});
    sys.ConnectEndpoint(d, start);
    ASSERT_EQ(lib.OpenSoundCard("PLAY", "", ""), 0);
    double db = 0;
    int32_t status = -1;
    lib.GetBass(&db, &status);
    EXPECT_DOUBLE_EQ(db, 1);  // the first bass on the way up
    lib.GetMidRange(&db, &status);
    EXPECT_DOUBLE_EQ(db, 2);
    lib.GetTreble(&db, &status);
    EXPECT_DOUBLE_EQ(db, 4);
    EXPECT_EQ(bass2->Calls("GetLevel"), 0);
}

TEST_F(WalkTest, ChainEndingWithoutIncomingPartsFailsButKeepsMasterControls) {
    FakeDevice& d = sys.AddDevice(Flow::kRender, u"PLAY", u"Speakers");
    FakePart& start = sys.AddPart(u"Speaker");
    FakePart& only = sys.AddPart(u"Master Volume");  // single input, itself without inputs
    sys.Link(only, start);
    sys.AddAdapterTopology({&start});
    sys.ConnectEndpoint(d, start);
    d.volume->masterDb = -7;
    d.volume->muted = true;
    EXPECT_EQ(lib.OpenSoundCard("PLAY", "", ""), 1);
    int32_t status = -1;
    EXPECT_EQ(lib.SetMasterVolume(100, &status), 100);
    EXPECT_EQ(status, 0);
    lib.SetMasterMute(0, &status);
    EXPECT_EQ(status, 0);
    lib.CloseSoundCard();
    EXPECT_FLOAT_EQ(d.volume->masterDb, -7);  // the captured level and mute are put back
    EXPECT_TRUE(d.volume->muted);
}

// A playback walk that fails on the way to its start part or at it keeps the endpoint
// volume, and the playback-mix controls stay unfound.
TEST_F(WalkTest, PlaybackWalkFailuresKeepTheEndpointVolume) {
    using fake::PlaybackRig;
    const std::pair<const char*, std::function<void(PlaybackRig&)>> rows[] = {
        {"GetConnector", [](PlaybackRig& r) { r.device->topology->Fail("GetConnector"); }},
        {"GetConnectedTo",
         [](PlaybackRig& r) { r.device->topology->connectors[0]->Fail("GetConnectedTo"); }},
        {"QueryPart",
         [](PlaybackRig& r) { r.device->topology->connectors[0]->connectedTo->Fail("QueryPart"); }},
        {"unreadable master mute", [](PlaybackRig& r) { r.device->volume->Fail("GetMute"); }},
        {"start part without inputs", [](PlaybackRig& r) { r.start->incoming.clear(); }},
    };
    for (const auto& [what, breakIt] : rows) {
        SCOPED_TRACE(what);
        FakeAudioSystem s;
        auto rig = fake::BuildPlayback(s, u"P", u"Speakers");
        breakIt(rig);
        Library l(s);
        EXPECT_EQ(l.OpenSoundCard("{P}", "", ""), 1);
        int32_t status = -1;
        l.GetMasterVolume(&status);
        EXPECT_EQ(status, 0);
        l.GetLinePlayBack(&status);
        EXPECT_EQ(status, 1);
    }
}

// The capture walks fail without an adapter topology, when a connector's part cannot be
// taken (what was found before stays), and the line-in walk without its second part.
TEST_F(WalkTest, CaptureWalkFailures) {
    auto rig = fake::BuildCapture(sys, u"M", u"Microphone");
    rig.adapter->connectors[2]->Fail("QueryPart");
    EXPECT_EQ(lib.OpenSoundCard("", "{m}", ""), 3);
    EXPECT_EQ(Status(&Library::GetMicBoost), 0);
    rig.adapter->connectors[2]->Heal("QueryPart");
    rig.adapter->connectors[2]->part->outgoing[0]->outgoing.clear();
    EXPECT_EQ(lib.OpenSoundCard("", "", "{m}"), 6);
    EXPECT_EQ(Status(&Library::GetLineRecordVolume), 0);
    EXPECT_EQ(Status(&Library::GetNoMonitor), 1);
    rig.adc->topology = nullptr;
    EXPECT_EQ(lib.OpenSoundCard("", "{m}", "{m}"), 5);
}

TEST_F(WalkTest, CycleUpstreamOfAnInputEndsAtTheBound) {
    PlainPlayback();
    FakePart& input = AddInput(u"Input", {u"Line X", u"Line Y"});
    sys.Link(Upstream(input, 1), Upstream(input, 2));  // Line Y <- Line X: a loop
    EXPECT_EQ(lib.OpenSoundCard("PLAY", "", ""), 1);
}

TEST_F(WalkTest, LaterMicConnectorWithoutBoostKeepsTheEarlierOne) {
    auto rig = fake::BuildCapture(sys, u"M", u"Microphone");
    FakePart& rear = sys.AddPart(u"Rear Mic");
    FakePart& plain = sys.AddPart(u"Selector");
    sys.Link(rear, plain);
    auto c = std::make_shared<fake::FakeConnector>();
    c->part = &rear;
    rig.adapter->connectors.push_back(c);
    ASSERT_EQ(lib.OpenSoundCard("", "{m}", ""), 0);
    EXPECT_EQ(Status(&Library::GetMicBoost), 0);
}

TEST_F(WalkTest, LoudnessOnlyBoostIsUsedAndBoostIsFoundFurtherDownstream) {
    auto rig = fake::BuildCapture(sys, u"M", u"Microphone");
    FakePart& boostPart = *rig.adapter->connectors[1]->part->outgoing[0];
    boostPart.switches.clear();
    boostPart.name = u"Pre-amp";  // no longer named like a boost
    FakePart& mux = *boostPart.outgoing[0];
    mux.name = u"AGC stage";
    auto loud = sys.AddSwitch(mux, SwitchKind::kLoudness, true);
    ASSERT_EQ(lib.OpenSoundCard("", "{m}", ""), 0);
    int32_t status = -1;
    EXPECT_EQ(lib.GetMicBoost(&status), 1);
    lib.SetMicBoost(0, &status);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(loud->enabled);
}

// Every name the walks recognise, each on its own: an input whose upstream path is named
// like a line or a microphone, and a boost part.
TEST(WalkNames, EachRecognisedNameIsEnoughOnItsOwn) {
    const struct {
        std::u16string jack;
        int32_t lineStatus, micStatus;
    } inputs[] = {{u"Line Jack", 0, 1},
                  {u"Rear GREEN", 0, 1},
                  {u"MIC 2", 1, 0},
                  {u"Front Pink", 1, 0},
                  {u"CD Audio", 1, 1}};
    for (const auto& row : inputs) {
        FakeAudioSystem sys;
        Library lib{sys, 500};
        FakeDevice& d = sys.AddDevice(Flow::kRender, u"PLAY", u"Speakers");
        FakePart& speaker = sys.AddPart(u"Speaker");
        FakePart& sum = sys.AddPart(u"Sum");
        FakePart& input = sys.AddPart(u"Input");
        FakePart& volume = sys.AddPart(u"Volume");
        FakePart& jack = sys.AddPart(row.jack);
        sys.Link(sum, speaker);
        sys.Link(input, sum);
        sys.Link(sys.AddPart(u"Wave"), sum);
        sys.Link(volume, input);
        sys.Link(jack, volume);
        sys.AddLevel(volume, LevelKind::kVolumeLevel, -30, 0, -3);
        sys.AddAdapterTopology({&speaker});
        sys.ConnectEndpoint(d, speaker);
        ASSERT_EQ(lib.OpenSoundCard("PLAY", "", ""), 0);
        int32_t status = -1;
        lib.GetLinePlayBack(&status);
        EXPECT_EQ(status, row.lineStatus) << std::string(row.jack.begin(), row.jack.end());
        lib.GetMicPlayBack(&status);
        EXPECT_EQ(status, row.micStatus) << std::string(row.jack.begin(), row.jack.end());
    }
    for (const std::u16string boost : {u"Mic Boost", u"+20 dB", u"AGC", u"Gain"}) {
        FakeAudioSystem sys;
        Library lib{sys, 500};
        auto rig = fake::BuildCapture(sys, u"M", u"Microphone");
        rig.adapter->connectors[1]->part->outgoing[0]->name = boost;
        ASSERT_EQ(lib.OpenSoundCard("", "{m}", ""), 0);
        int32_t status = -1;
        lib.GetMicBoost(&status);
        EXPECT_EQ(status, boost == u"Gain" ? 1 : 0) << std::string(boost.begin(), boost.end());
    }
}

TEST_F(WalkTest, BoostNamedPartWithoutSwitchIsPassedOver) {
    auto rig = fake::BuildCapture(sys, u"M", u"Microphone");
    rig.adapter->connectors[1]->part->outgoing[0]->switches.clear();
    ASSERT_EQ(lib.OpenSoundCard("", "{m}", ""), 0);
    EXPECT_EQ(Status(&Library::GetMicBoost), 1);
}

TEST_F(WalkTest, OpenDefaultDevicesKeepsToneControlsFoundBefore) {
    auto rig = fake::BuildPlayback(sys, u"P", u"Speakers");
    auto rec = fake::BuildCapture(sys, u"M", u"Microphone");
    sys.defaultRender = rig.device->id;
    sys.defaultCapture = rec.device->id;
    ASSERT_EQ(lib.OpenDefaultDevices(), 0);
    rig.bass->ResetCalls();
    ASSERT_EQ(lib.OpenDefaultDevices(), 0);
    EXPECT_EQ(rig.bass->Calls("GetLevel"), 0);  // not searched again
    double db = 0;
    int32_t status = -1;
    EXPECT_EQ(lib.GetBass(&db, &status), 0);
}

TEST_F(WalkTest, AnyFailingCallInTheWalksIsSurvived) {
    // Fail each method of each object in turn: the open must neither crash nor leave COM
    // initialised, and the close must complete.
    const char* methods[] = {"GetName",           "EnumPartsIncoming", "EnumPartsOutgoing",
                             "GetTopologyObject", "ActivateLevel",     "ActivateMute",
                             "ActivateSwitch",    "GetLevel",          "GetMute",
                             "GetEnabled",        "GetLevelRange",     "GetChannelCount"};
    for (const char* method : methods) {
        FakeAudioSystem s;
        auto rig = fake::BuildPlayback(s, u"P", u"Speakers");
        auto rec = fake::BuildCapture(s, u"M", u"Microphone");
        rig.start->Fail(method);
        rig.sum->Fail(method);
        rig.lineLevel->Fail(method);
        rig.micMute->Fail(method);
        rec.adc->Fail(method);
        rec.boost->Fail(method);
        Library l(s);
        l.OpenSoundCard("{p}", "{m}", "{m}");
        EXPECT_EQ(s.initDepth, 0) << method;
        int32_t status = -1;
        l.GetMasterVolume(&status);
        EXPECT_EQ(status, 0) << method;  // the endpoint volume is kept whatever failed
        EXPECT_EQ(l.CloseSoundCard(), 0);
    }
}

}  // namespace
}  // namespace havro
