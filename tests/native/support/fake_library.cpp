#include "fake_library.h"

#include <algorithm>
#include <sstream>

namespace tk::test {

namespace {

Role roleOf(Ctl c) {
    if (c == Ctl::MicRecord || c == Ctl::MicBoost) return Role::Microphone;
    return c == Ctl::LineRecord || c == Ctl::NoMonitor ? Role::LineIn : Role::Playback;
}

std::string lowerAscii(std::string s) {
    for (char& ch : s)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return s;
}

template <typename T>
std::string argText(const T& v) {
    std::ostringstream o;
    o << v;
    return o.str();
}

}  // namespace

FakeEndpoint& FakeEndpoint::set(Ctl c, double value) {
    (*this)[c].present = true;
    (*this)[c].value = value;
    return *this;
}

FakeEndpoint& FakeLibrary::addPlayback(const std::string& name, const std::string& guid) {
    playback.push_back({name, "{0.0.0.00000000}.{" + guid + "}", {}});
    return playback.back();
}

FakeEndpoint& FakeLibrary::addCapture(const std::string& name, const std::string& guid) {
    capture.push_back({name, "{0.0.1.00000000}.{" + guid + "}", {}});
    return capture.back();
}

FakeEndpoint* FakeLibrary::opened(Role role) {
    int i = slots_[static_cast<int>(role)];
    if (i < 0) return nullptr;
    auto& list = role == Role::Playback ? playback : capture;
    return i < static_cast<int>(list.size()) ? &list[i] : nullptr;
}

double FakeLibrary::level(Ctl c) {
    FakeEndpoint* e = opened(roleOf(c));
    return e ? (*e)[c].value : 0;
}

int FakeLibrary::countCalls(const std::string& name) const {
    return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const std::string& c) {
        return c.compare(0, name.size() + 1, name + "(") == 0;
    }));
}

void FakeLibrary::enter(const std::string& call) {
    calls.push_back(call);
    std::string name = call.substr(0, call.find('('));
    if (throwAll) throw LibraryMissing("HavroVista: " + name);
}

void FakeLibrary::writeBuffer(std::string& buffer, const std::string& text) {
    // The library writes its text and a terminating NUL over the front of the
    // caller's blanks.
    std::string written = text + '\0';
    if (buffer.size() < written.size()) buffer.resize(written.size(), ' ');
    buffer.replace(0, written.size(), written);
}

int FakeLibrary::resolve(const std::vector<FakeEndpoint>& list, const std::string& text) const {
    std::string needle = lowerAscii(text);
    for (size_t i = 0; i < list.size(); ++i)
        if (lowerAscii(list[i].id).find(needle) != std::string::npos) return static_cast<int>(i);
    return -1;
}

bool FakeLibrary::openRole(Role role, const std::string& text) {
    const auto& list = role == Role::Playback ? playback : capture;
    int i = resolve(list, text);
    if (i < 0) return false;
    open_ = true;
    int r = static_cast<int>(role);
    slots_[r] = i;
    names_[r] = list[i].name;
    return true;
}

// --- listing and opening ---------------------------------------------------------

int32_t FakeLibrary::count(const char* name, const std::vector<FakeEndpoint>& list,
                           int32_t& count) {
    enter(std::string(name) + "()");
    if (failOn.count(name)) return 1;
    count = static_cast<int32_t>(list.size());
    return 0;
}

// A playback index out of range answers -1, a capture one the number of endpoints.
int32_t FakeLibrary::device(const char* name, const std::vector<FakeEndpoint>& list, int32_t index,
                            std::string& deviceName, std::string& id) {
    enter(std::string(name) + "(" + argText(index) + ")");
    if (index < 0 || index >= static_cast<int32_t>(list.size()))
        return &list == &playback ? -1 : static_cast<int32_t>(list.size());
    writeBuffer(deviceName, list[index].name);
    writeBuffer(id, list[index].id);
    return 0;
}

int32_t FakeLibrary::GetDeviceNames(std::string& playbackName, std::string& lineInName,
                                    std::string& microphoneName) {
    enter("GetDeviceNames()");
    if (!names_[0].empty()) writeBuffer(playbackName, names_[0]);
    if (!names_[2].empty()) writeBuffer(lineInName, names_[2]);
    if (!names_[1].empty()) writeBuffer(microphoneName, names_[1]);
    return 0;
}

int32_t FakeLibrary::OpenDefaultDevices() {
    enter("OpenDefaultDevices()");
    if (defaultPlayback >= 0 && defaultPlayback < static_cast<int>(playback.size()))
        openRole(Role::Playback, playback[defaultPlayback].id);
    if (capture.empty()) return 1;
    // The library resolves the first capture endpoint (the set counts as open from
    // there), then opens the default one as microphone or line-in by its own name.
    open_ = true;
    if (defaultCapture < 0 || defaultCapture >= static_cast<int>(capture.size())) return 1;
    bool isMic = lowerAscii(capture[defaultCapture].name).find("mic") != std::string::npos;
    const std::string id = capture[defaultCapture].id;
    if (isMic && openRole(Role::Microphone, id))
        names_[2].clear();
    else
        openRole(Role::LineIn, id);
    return 0;
}

int32_t FakeLibrary::OpenSoundCard(const std::string& playbackId, const std::string& micId,
                                   const std::string& lineInId) {
    enter("OpenSoundCard(" + playbackId + "," + micId + "," + lineInId + ")");
    slots_ = {-1, -1, -1};
    int32_t code = 0;
    if (!playbackId.empty() && !openRole(Role::Playback, playbackId)) code ^= 1;
    if (!micId.empty() && !openRole(Role::Microphone, micId)) code ^= 3;
    if (!lineInId.empty() && !openRole(Role::LineIn, lineInId)) code ^= 6;
    return code;
}

int32_t FakeLibrary::CloseSoundCard() {
    enter("CloseSoundCard()");
    slots_ = {-1, -1, -1};
    names_ = {};
    open_ = false;
    return 0;
}

// --- levels ------------------------------------------------------------------------

FakeControl* FakeLibrary::control(Ctl c, int32_t& status) {
    FakeEndpoint* e = open_ ? opened(roleOf(c)) : nullptr;
    status = !open_ ? 3 : !e || !(*e)[c].present ? 1 : (*e)[c].fails ? 2 : 0;
    return status == 0 ? &(*e)[c] : nullptr;
}

int32_t FakeLibrary::setPercent(const char* name, Ctl c, int32_t percent, int32_t& status,
                                bool resultOnFailure) {
    enter(std::string(name) + "(" + argText(percent) + ")");
    FakeControl* k = control(c, status);
    if (!k) return status == 2 && resultOnFailure ? percent : 0;
    if (c == Ctl::LineRecord && percent == 0) percent = 1;
    if (percent < 0 || percent > 100) {
        status = 2;
        return resultOnFailure ? percent : 0;
    }
    k->value = percent;
    return percent;
}

int32_t FakeLibrary::getPercent(const char* name, Ctl c, int32_t& status) {
    enter(std::string(name) + "()");
    FakeControl* k = control(c, status);
    return k ? static_cast<int32_t>(k->value) : 0;
}

int32_t FakeLibrary::setFlag(const char* name, Ctl c, int32_t flag, int32_t& status) {
    enter(std::string(name) + "(" + argText(flag) + ")");
    FakeControl* k = control(c, status);
    if (!k) return 0;
    bool on = c == Ctl::MasterMute ? (flag & 0xFF) != 0 : flag != 0;
    k->value = on ? 1 : 0;
    return 0;
}

int32_t FakeLibrary::getFlag(const char* name, Ctl c, int32_t& status) {
    enter(std::string(name) + "()");
    FakeControl* k = control(c, status);
    return k && k->value != 0 ? 1 : 0;
}

// The tone exports answer 0 or 1 by their status; the mid-range pair always 1.
int32_t FakeLibrary::setTone(const char* name, Ctl c, double db, int32_t& status) {
    enter(std::string(name) + "(" + argText(db) + ")");
    FakeControl* k = control(c, status);
    if (k) k->value = db;
    return c == Ctl::Mid || status != 0 ? 1 : 0;
}

int32_t FakeLibrary::getTone(const char* name, Ctl c, double& db, int32_t& status) {
    enter(std::string(name) + "()");
    db = 0;
    FakeControl* k = control(c, status);
    if (k) db = k->value;
    return c == Ctl::Mid || status != 0 ? 1 : 0;
}

// --- tone ----------------------------------------------------------------------------

int32_t FakeLibrary::GetEQRange(double& minDb, double& maxDb, double& stepDb) {
    enter("GetEQRange()");
    minDb = maxDb = stepDb = 0;
    if (!open_) return 3;
    FakeEndpoint* e = opened(Role::Playback);
    if (!e) return 1;
    for (Ctl c : {Ctl::Bass, Ctl::Mid, Ctl::Treble}) {
        const FakeControl& k = (*e)[c];
        if (!k.present) continue;
        minDb = k.minDb;
        maxDb = k.maxDb;
        stepDb = k.stepDb;
        return 0;
    }
    return 1;
}

}  // namespace tk::test
