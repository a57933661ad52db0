#include "havro_library_win.h"

#include <algorithm>
#include <vector>

#include "havro_vista.h"
#include "win_util.h"

namespace tk::win {

namespace {
constexpr wchar_t kLibraryFile[] = L"HavroVista.dll";
}  // namespace

std::wstring HavroLibraryWin::programFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) {
            std::wstring path(buffer.data(), n);
            auto slash = path.find_last_of(L"\\/");
            return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
        }
        buffer.resize(buffer.size() * 2);
    }
}

HavroLibraryWin::HavroLibraryWin() : HavroLibraryWin(programFolder() + kLibraryFile) {}

HavroLibraryWin::HavroLibraryWin(std::wstring fullPath) : path_(std::move(fullPath)) {}

HavroLibraryWin::~HavroLibraryWin() {
    if (module_) FreeLibrary(module_);
}

FARPROC HavroLibraryWin::bind(int slot, const char* name) {
    if (bound_[slot]) return bound_[slot];
    if (!module_) {
        // Only a full path is accepted: a bare name would search the current directory.
        bool fullPath = path_.size() > 2 && (path_[1] == L':' || path_.rfind(L"\\\\", 0) == 0);
        if (!fullPath) throw LibraryMissing("HavroVista.dll: the program's folder is unknown");
        module_ = LoadLibraryExW(path_.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (!module_)
            throw LibraryMissing("Cannot load " + narrow(path_) + ": " + errorText(GetLastError()));
    }
    FARPROC address = GetProcAddress(module_, name);
    if (!address) throw LibraryMissing(std::string("HavroVista.dll has no export ") + name);
    bound_[slot] = address;
    return address;
}

LibraryTextBuffer::LibraryTextBuffer(const std::string& initial) : initial_(initial) {
    bytes_.fill(' ');
    std::copy_n(initial.begin(), std::min(initial.size(), kSize), bytes_.begin());
    // Past the program's 256 bytes: a terminator the library never sees as its own.
    bytes_[kSize] = '\0';
}

void LibraryTextBuffer::writeBack(std::string& target) const {
    auto end = std::find(bytes_.begin(), bytes_.begin() + kSize, '\0');
    if (end == bytes_.begin() + kSize) return;  // no terminator: the library wrote nothing
    std::string text = ansiToUtf8(std::string_view(bytes_.data(), end - bytes_.begin()));
    text += '\0';
    if (target.size() > text.size())
        target.replace(0, text.size(), text);
    else
        target = text;
}

int32_t HavroLibraryWin::GetNumberPlayDevices(int32_t& count) {
    return fn<havro::PFN_GetNumberPlayDevices>(0, "GetNumberPlayDevices")(&count);
}

int32_t HavroLibraryWin::GetNumberRecordDevices(int32_t& count) {
    return fn<havro::PFN_GetNumberRecordDevices>(1, "GetNumberRecordDevices")(&count);
}

namespace {
// The playback and recording lists are read the same way: one device's name and id.
template <typename Fn>
int32_t readListedDevice(Fn f, int32_t index, std::string& name, std::string& id) {
    LibraryTextBuffer nameBuffer(name), idBuffer(id);
    int32_t result = f(index, nameBuffer.data(), idBuffer.data());
    nameBuffer.writeBack(name);
    idBuffer.writeBack(id);
    return result;
}
}  // namespace

int32_t HavroLibraryWin::GetPlayBackDevice(int32_t index, std::string& name, std::string& id) {
    return readListedDevice(fn<havro::PFN_GetPlayBackDevice>(2, "GetPlayBackDevice"), index, name,
                            id);
}

int32_t HavroLibraryWin::GetRecordDevice(int32_t index, std::string& name, std::string& id) {
    return readListedDevice(fn<havro::PFN_GetRecordDevice>(3, "GetRecordDevice"), index, name, id);
}

int32_t HavroLibraryWin::GetDeviceNames(std::string& playback, std::string& lineIn,
                                        std::string& microphone) {
    auto f = fn<havro::PFN_GetDeviceNames>(4, "GetDeviceNames");
    LibraryTextBuffer a(playback), b(lineIn), c(microphone);
    int32_t result = f(a.data(), b.data(), c.data());
    a.writeBack(playback);
    b.writeBack(lineIn);
    c.writeBack(microphone);
    return result;
}

int32_t HavroLibraryWin::OpenDefaultDevices() {
    return fn<havro::PFN_OpenDefaultDevices>(5, "OpenDefaultDevices")();
}

int32_t HavroLibraryWin::CloseSoundCard() {
    return fn<havro::PFN_CloseSoundCard>(7, "CloseSoundCard")();
}

int32_t HavroLibraryWin::CloseVirtual_1() {
    return fn<havro::PFN_CloseVirtual_1>(36, "CloseVirtual_1")();
}

int32_t HavroLibraryWin::OpenSoundCard(const std::string& playbackId, const std::string& micId,
                                       const std::string& lineInId) {
    auto f = fn<havro::PFN_OpenSoundCard>(6, "OpenSoundCard");
    std::string a = utf8ToAnsi(playbackId), b = utf8ToAnsi(micId), c = utf8ToAnsi(lineInId);
    return f(a.c_str(), b.c_str(), c.c_str());
}

int32_t HavroLibraryWin::OpenVirtual_1(const std::string& id) {
    auto f = fn<havro::PFN_OpenVirtual_1>(35, "OpenVirtual_1");
    std::string a = utf8ToAnsi(id);
    return f(a.c_str());
}

int32_t HavroLibraryWin::SetMasterVolume(int32_t percent, int32_t& status) {
    return fn<havro::PFN_SetMasterVolume>(8, "SetMasterVolume")(percent, &status);
}

int32_t HavroLibraryWin::GetMasterVolume(int32_t& status) {
    return fn<havro::PFN_GetMasterVolume>(9, "GetMasterVolume")(&status);
}

int32_t HavroLibraryWin::SetLinePlayBack(int32_t percent, int32_t& status) {
    return fn<havro::PFN_SetLinePlayBack>(10, "SetLinePlayBack")(percent, &status);
}

int32_t HavroLibraryWin::GetLinePlayBack(int32_t& status) {
    return fn<havro::PFN_GetLinePlayBack>(11, "GetLinePlayBack")(&status);
}

int32_t HavroLibraryWin::SetMicPlayBack(int32_t percent, int32_t& status) {
    return fn<havro::PFN_SetMicPlayBack>(12, "SetMicPlayBack")(percent, &status);
}

int32_t HavroLibraryWin::GetMicPlayBack(int32_t& status) {
    return fn<havro::PFN_GetMicPlayBack>(13, "GetMicPlayBack")(&status);
}

int32_t HavroLibraryWin::SetMicRecordVolume(int32_t percent, int32_t& status) {
    return fn<havro::PFN_SetMicRecordVolume>(14, "SetMicRecordVolume")(percent, &status);
}

int32_t HavroLibraryWin::GetMicRecordVolume(int32_t& status) {
    return fn<havro::PFN_GetMicRecordVolume>(15, "GetMicRecordVolume")(&status);
}

int32_t HavroLibraryWin::SetLineRecordVolume(int32_t percent, int32_t& status) {
    return fn<havro::PFN_SetLineRecordVolume>(16, "SetLineRecordVolume")(percent, &status);
}

int32_t HavroLibraryWin::GetLineRecordVolume(int32_t& status) {
    return fn<havro::PFN_GetLineRecordVolume>(17, "GetLineRecordVolume")(&status);
}

int32_t HavroLibraryWin::SetMasterMute(int32_t flag, int32_t& status) {
    return fn<havro::PFN_SetMasterMute>(18, "SetMasterMute")(flag, &status);
}

int32_t HavroLibraryWin::GetMasterMute(int32_t& status) {
    return fn<havro::PFN_GetMasterMute>(19, "GetMasterMute")(&status);
}

int32_t HavroLibraryWin::SetLinePlayBackMute(int32_t flag, int32_t& status) {
    return fn<havro::PFN_SetLinePlayBackMute>(20, "SetLinePlayBackMute")(flag, &status);
}

int32_t HavroLibraryWin::GetLinePlayBackMute(int32_t& status) {
    return fn<havro::PFN_GetLinePlayBackMute>(21, "GetLinePlayBackMute")(&status);
}

int32_t HavroLibraryWin::SetMicPlayBackMute(int32_t flag, int32_t& status) {
    return fn<havro::PFN_SetMicPlayBackMute>(22, "SetMicPlayBackMute")(flag, &status);
}

int32_t HavroLibraryWin::GetMicPlayBackMute(int32_t& status) {
    return fn<havro::PFN_GetMicPlayBackMute>(23, "GetMicPlayBackMute")(&status);
}

int32_t HavroLibraryWin::SetMicBoost(int32_t flag, int32_t& status) {
    return fn<havro::PFN_SetMicBoost>(24, "SetMicBoost")(flag, &status);
}

int32_t HavroLibraryWin::GetMicBoost(int32_t& status) {
    return fn<havro::PFN_GetMicBoost>(25, "GetMicBoost")(&status);
}

int32_t HavroLibraryWin::SetNoMonitor(int32_t flag, int32_t& status) {
    return fn<havro::PFN_SetNoMonitor>(26, "SetNoMonitor")(flag, &status);
}

int32_t HavroLibraryWin::GetNoMonitor(int32_t& status) {
    return fn<havro::PFN_GetNoMonitor>(27, "GetNoMonitor")(&status);
}

int32_t HavroLibraryWin::SetVirtualVolume(int32_t percent, int32_t& status) {
    return fn<havro::PFN_SetVirtualVolume>(37, "SetVirtualVolume")(percent, &status);
}

int32_t HavroLibraryWin::GetVirtualVolume(int32_t& status) {
    return fn<havro::PFN_GetVirtualVolume>(38, "GetVirtualVolume")(&status);
}

int32_t HavroLibraryWin::SetVirtualMute(int32_t flag, int32_t& status) {
    return fn<havro::PFN_SetVirtualMute>(39, "SetVirtualMute")(flag, &status);
}

int32_t HavroLibraryWin::GetVirtualMute(int32_t& status) {
    return fn<havro::PFN_GetVirtualMute>(40, "GetVirtualMute")(&status);
}

int32_t HavroLibraryWin::SetBass(double db, int32_t& status) {
    return fn<havro::PFN_SetBass>(29, "SetBass")(db, &status);
}

int32_t HavroLibraryWin::SetMidRange(double db, int32_t& status) {
    return fn<havro::PFN_SetMidRange>(31, "SetMidRange")(db, &status);
}

int32_t HavroLibraryWin::SetTreble(double db, int32_t& status) {
    return fn<havro::PFN_SetTreble>(33, "SetTreble")(db, &status);
}

int32_t HavroLibraryWin::GetBass(double& db, int32_t& status) {
    return fn<havro::PFN_GetBass>(30, "GetBass")(&db, &status);
}

int32_t HavroLibraryWin::GetMidRange(double& db, int32_t& status) {
    return fn<havro::PFN_GetMidRange>(32, "GetMidRange")(&db, &status);
}

int32_t HavroLibraryWin::GetTreble(double& db, int32_t& status) {
    return fn<havro::PFN_GetTreble>(34, "GetTreble")(&db, &status);
}

int32_t HavroLibraryWin::GetEQRange(double& minDb, double& maxDb, double& stepDb) {
    return fn<havro::PFN_GetEQRange>(28, "GetEQRange")(&minDb, &maxDb, &stepDb);
}

}  // namespace tk::win
