// Cost of the topology walks on a large in-memory topology: a long single-input chain
// before the mixing point, many inputs with deep upstream paths (the line and microphone
// names only on the last inputs), and a capture adapter with many connectors. Prints
// figures; it is a benchmark, not a test.
#include <chrono>
#include <cstdio>
#include <string>

#include "core/library.h"
#include "fake_audio_system.h"

using havro::Flow;
using havro::LevelKind;
using havro::Library;
using havro::SwitchKind;
using havro::fake::FakeAudioSystem;
using havro::fake::FakePart;

namespace {

std::u16string U16(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

constexpr int kChain = 1000;
constexpr int kInputs = 500;
constexpr int kDepth = 8;
constexpr int kConnectors = 1000;
constexpr int kRuns = 50;

void BuildPlayback(FakeAudioSystem& sys) {
    auto& device = sys.AddDevice(Flow::kRender, u"BIG-PLAY", u"Big Speakers");
    FakePart& start = sys.AddPart(u"Speaker");
    FakePart* below = &start;
    for (int i = 0; i < kChain; ++i) {
        FakePart& p = sys.AddPart(U16("Stage " + std::to_string(i)));
        sys.Link({&p, below});
        below = &p;
    }
    sys.AddLevel(*below, LevelKind::kBass, -12, 12, {0, 0});
    FakePart& sum = sys.AddPart(u"Sum");
    sys.Link({&sum, below});
    for (int i = 0; i < kInputs; ++i) {
        const bool line = i == kInputs - 2;
        const bool mic = i == kInputs - 1;
        FakePart& input = sys.AddPart(U16("Input " + std::to_string(i)));
        sys.Link({&input, &sum});
        FakePart* down = &input;
        for (int d = 0; d < kDepth; ++d) {
            std::string name = "Node " + std::to_string(i) + "." + std::to_string(d);
            if (d == kDepth - 1) name = line ? "Line Jack" : mic ? "Mic Jack" : "Aux Jack";
            FakePart& p = sys.AddPart(U16(name));
            sys.Link({&p, down});
            if (d == kDepth / 2) sys.AddLevel(p, LevelKind::kVolumeLevel, -30, 0, {-3, -3});
            down = &p;
        }
        sys.AddMute(input, false);
    }
    sys.AddAdapterTopology({&start});
    sys.ConnectEndpoint(device, start);
}

void BuildCapture(FakeAudioSystem& sys) {
    auto& device = sys.AddDevice(Flow::kCapture, u"BIG-REC", u"Big Microphone");
    FakePart& adc = sys.AddPart(u"ADC");
    std::vector<FakePart*> connectors{&adc};
    for (int i = 0; i < kConnectors; ++i) {
        FakePart& jack = sys.AddPart(U16((i % 2 ? "Mic " : "Line ") + std::to_string(i)));
        FakePart& a = sys.AddPart(u"Volume");
        FakePart& b = sys.AddPart(i % 2 ? u"Mic Boost" : u"Monitor");
        sys.Link({&jack, &a});
        sys.Link({&a, &b});
        sys.AddSwitch(b, SwitchKind::kAutoGainControl, false);
        connectors.push_back(&jack);
    }
    sys.AddAdapterTopology(connectors);
    sys.ConnectEndpoint(device, adc);
}

template <class F>
double MicrosPerRun(F&& body) {
    body();  // warm up
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRuns; ++i) body();
    const auto stop = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::micro>(stop - start).count() / kRuns;
}

}  // namespace

int main() {
    FakeAudioSystem sys;
    BuildPlayback(sys);
    BuildCapture(sys);
    Library lib(sys);
    int32_t result = -1;
    const double playback = MicrosPerRun([&] { result = lib.OpenSoundCard("BIG-PLAY", "", ""); });
    std::printf("playback walk: chain %d, %d inputs x depth %d: %.1f us per open (result %d)\n",
                kChain, kInputs, kDepth, playback, result);
    const double mic = MicrosPerRun([&] { result = lib.OpenSoundCard("", "BIG-REC", ""); });
    std::printf("microphone walk: %d connectors: %.1f us per open (result %d)\n", kConnectors, mic,
                result);
    const double line = MicrosPerRun([&] { result = lib.OpenSoundCard("", "", "BIG-REC"); });
    std::printf("line-in walk: %d connectors: %.1f us per open (result %d)\n", kConnectors, line,
                result);
    int32_t status = -1;
    lib.OpenSoundCard("BIG-PLAY", "BIG-REC", "BIG-REC");
    lib.GetLinePlayBack(&status);
    std::printf("line level found: %s\n", status == 0 ? "yes" : "no");

    // A cycle: the bound ends the walk.
    FakeAudioSystem loop;
    auto& device = loop.AddDevice(Flow::kRender, u"LOOP", u"Loop");
    FakePart& start = loop.AddPart(u"Speaker");
    FakePart& a = loop.AddPart(u"A");
    FakePart& b = loop.AddPart(u"B");
    loop.Link({&a, &start});
    loop.Link({&b, &a});
    loop.Link({&a, &b});
    loop.AddAdapterTopology({&start});
    loop.ConnectEndpoint(device, start);
    Library loopLib(loop);
    const double cycle = MicrosPerRun([&] { result = loopLib.OpenSoundCard("LOOP", "", ""); });
    std::printf("cyclic topology: walk gives up after %u parts in %.1f us (result %d)\n",
                havro::kDefaultMaxPartsPerWalk, cycle, result);
    return 0;
}
