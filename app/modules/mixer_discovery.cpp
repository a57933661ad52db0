#include "mixer_discovery.h"

#include <functional>
#include <string>

#include "convert.h"

namespace tk {

using namespace mixercode;
namespace me = mixerentry;

namespace {

bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

// What the scans look at for the current line and control.
struct Probe {
    MixerControlInfo control;
    MixerLineInfo line;
    MixerDestinationInfo destination;
    std::string name;       // as the mixer gives it
    std::string upperName;  // upper-cased
};

Probe probe(Mixer& mixer, bool withLineAndDestination) {
    Probe p;
    p.control = mixer.getControlInfo();
    if (withLineAndDestination) {
        p.line = mixer.getLineInfo();
        p.destination = mixer.getDestinationInfo();
    }
    p.name = mixer.controlName();
    p.upperName = upper(p.name);
    return p;
}

// Visits the lines of the current destination in order and stops at the first one
// `matches` accepts, which stays current (with its control 0). Without a match the
// last line visited stays current.
bool lineScan(Mixer& mixer, const std::function<bool(const Probe&)>& matches) {
    int count = mixer.lineCount();
    for (int i = 0; i < count; ++i) {
        mixer.setCurrentLine(static_cast<int16_t>(i));
        if (matches(probe(mixer, true))) return true;
    }
    return false;
}

// The same over the controls of the current line.
bool controlScan(Mixer& mixer, const std::function<bool(const Probe&)>& matches) {
    int count = mixer.controlCount();
    for (int i = 0; i < count; ++i) {
        mixer.setCurrentControl(static_cast<int16_t>(i));
        if (matches(probe(mixer, false))) return true;
    }
    return false;
}

MixerControlEntry readCurrent(Mixer& mixer) {
    int16_t line = mixer.currentLine();
    int16_t destination = mixer.currentDestination();
    int16_t control = mixer.currentControl();
    return ReadMixerControl(mixer, line, destination, control);
}

MixerControlEntry currentOrNotFound(Mixer& mixer, bool found) {
    return found ? readCurrent(mixer) : NotFoundEntry();
}

bool isLineInPlayback(const Probe& p) {
    return contains(p.upperName, "LIN") ||
           (p.control.type == kTypeVolume && p.line.lineCode == kLineLineIn &&
            p.destination.code == kDestPlayback);
}

bool isBoost(const Probe& p) {
    // Deliberately case-sensitive: "Gain", "+20dB", "Boost" match, "BOOST" does not.
    return (contains(p.name, "ain") || contains(p.name, "20") || contains(p.name, "oost")) &&
           (p.control.type == kTypeOnOff || p.control.type == kTypeOtherSwitch);
}

}  // namespace

MixerControlEntry NotFoundEntry() {
    return MixerControlEntry{-1, -1, -1, -1.0f, 0};
}

MixerControlEntry ReadMixerControl(Mixer& mixer, int16_t line, int16_t destination,
                                   int16_t control) {
    if (line == -1) return NotFoundEntry();
    int16_t type = mixer.getControlInfo().type;
    int32_t raw = mixer.controlValue(0);
    MixerControlEntry entry;
    entry.destination = destination;
    entry.line = line;
    entry.control = control;
    entry.value = type == kTypeVolume ? static_cast<float>(raw / 655.35) : static_cast<float>(raw);
    entry.reserved = 0;
    return entry;
}

void SetUpSoundControls(Mixer& mixer, Publics& publics) {
    if (publics.endpointPath()) {
        SetUpVistaSoundControls(mixer, publics);
        return;
    }
    auto& e = publics.MixerControls;

    // Master volume and mute.
    e[me::kMaster] = currentOrNotFound(mixer, mixer.findVolume(kSidePlayback, kLineMaster) == 0);
    e[me::kMasterMute] =
        currentOrNotFound(mixer, mixer.findSwitch(kSidePlayback, kLineMaster) == 0);

    // Microphone playback volume and mute.
    bool found = mixer.findVolume(kSidePlayback, kLineMicrophone) == 0 ||
                 mixer.selectControl(kDestPlayback, kSubPlayback, kLineMicrophone, kLineMicrophone,
                                     kTypeVolume) == 0;
    e[me::kMicPlay] = currentOrNotFound(mixer, found);
    found = mixer.findSwitch(kSidePlayback, kLineMicrophone) == 0 ||
            mixer.selectControl(kDestPlayback, kSubPlayback, kLineMicrophone, kLineMicrophone,
                                kTypeMute) == 0;
    e[me::kMicPlayMute] = currentOrNotFound(mixer, found);

    // Line-in playback volume.
    found = mixer.findVolume(kSidePlayback, kLineLineIn) == 0;
    if (!found) {
        mixer.selectLine(kDestPlayback, kSubPlayback, kLineLineIn, 0);
        found = lineScan(mixer, isLineInPlayback);
    }
    e[me::kLinePlay] = currentOrNotFound(mixer, found);

    // Wave volume and mute.
    if (mixer.findVolume(kSidePlayback, kLineWave) == 0) {
        e[me::kWave] = readCurrent(mixer);
        e[me::kWaveMute] =
            currentOrNotFound(mixer, mixer.findSwitch(kSidePlayback, kLineWave) == 0);
    } else {
        mixer.selectDestination(kDestPlayback, 49);
        found = lineScan(mixer, [](const Probe& p) {
            return contains(p.upperName, "WAV") ||
                   (p.control.type == kTypeVolume && p.line.lineCode == kLineWave &&
                    p.destination.subCode == kSubPlayback);
        });
        e[me::kWave] = currentOrNotFound(mixer, found);
        found = controlScan(mixer, [](const Probe& p) { return p.control.type == kTypeMute; });
        e[me::kWaveMute] = currentOrNotFound(mixer, found);
    }

    // Line-in playback mute.
    found = mixer.findSwitch(kSidePlayback, kLineLineIn) == 0;
    if (!found) {
        mixer.selectLine(kDestPlayback, kSubPlayback, kLineLineIn, 0);
        lineScan(mixer, isLineInPlayback);
        found = controlScan(mixer, [](const Probe& p) {
            return contains(p.upperName, "MUT") || p.control.type == kTypeMute;
        });
    }
    e[me::kLinePlayMute] = currentOrNotFound(mixer, found);

    // Line-in record volume; its line is then scanned for the monitor switch.
    found = mixer.findVolume(kSideRecording, kLineLineIn) == 0;
    if (!found) {
        mixer.selectLine(kDestRecording, kSubRecording, kLineLineIn, 0);
        found = lineScan(mixer, [](const Probe& p) {
            return (p.control.type == kTypeVolume && p.line.lineCode == kLineLineIn &&
                    p.destination.code == kDestRecording) ||
                   contains(p.upperName, "LIN");
        });
    }
    e[me::kLineRecord] = currentOrNotFound(mixer, found);

    // Monitor switch: the first on/off control of that line that is not a mute.
    e[me::kMonitor].value = 2;
    if (controlScan(mixer, [](const Probe& p) {
            return !contains(p.upperName, "MUT") && p.control.type == kTypeOnOff;
        }))
        e[me::kMonitor] = readCurrent(mixer);

    // Microphone record volume; its line is then scanned for the boost switch.
    e[me::kMicRecord] =
        currentOrNotFound(mixer, mixer.findVolume(kSideRecording, kLineMicrophone) == 0);

    e[me::kMicBoost].value = 2;
    if (controlScan(mixer, isBoost)) {
        e[me::kMicBoost] = readCurrent(mixer);
    } else {
        mixer.findSwitch(kSidePlayback, kLineMicrophone);
        if (controlScan(mixer, isBoost)) e[me::kMicBoost] = readCurrent(mixer);
    }

    // Record source: microphone and line in.
    for (auto [index, lineCode] :
         {std::pair{me::kMicSelect, kLineMicrophone}, std::pair{me::kLineSelect, kLineLineIn}}) {
        int16_t state = 0;
        if (mixer.findSwitch(kSideRecording, lineCode, &state) == 0) {
            e[index] = readCurrent(mixer);
            e[index].value = state;
            e[index].reserved = 0;
        } else {
            e[index] = NotFoundEntry();
        }
    }
}

void SetUpVistaSoundControls(Mixer& mixer, Publics& publics) {
    auto& e = publics.MixerControls;
    int lines = mixer.lineCount();
    for (int l = 0; l < lines; ++l) {
        mixer.setCurrentLine(static_cast<int16_t>(l));
        int controls = mixer.controlCount();
        for (int c = 0; c < controls; ++c) {
            mixer.setCurrentLine(static_cast<int16_t>(l));
            mixer.setCurrentControl(static_cast<int16_t>(c));
            std::string name = upper(mixer.controlName());
            auto fill = [&](MixerControlEntry& entry) {
                entry.control = static_cast<int16_t>(c);
                entry.value = static_cast<float>(mixer.controlValue(0));
                entry.line = mixer.currentLine();
                entry.destination = mixer.currentDestination();
            };
            if (contains(name, "VOL")) fill(e[me::kWave]);
            if (contains(name, "MUT")) fill(e[me::kMasterMute]);
        }
    }
}

}  // namespace tk
