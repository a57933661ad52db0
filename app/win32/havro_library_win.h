// The binding of HavroVista.dll.
//
// The library is loaded from the program's own folder by its full path with
// LOAD_WITH_ALTERED_SEARCH_PATH — never from the current directory or PATH — on the
// first call, and each export is bound by GetProcAddress the first time it is called.
// A missing file or export throws LibraryMissing (and is tried again on the next call).
// Text crosses the boundary in the system ANSI code page; output strings follow the
// 256-blank-buffer convention of platform/havro_library.h.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "platform/havro_library.h"

namespace tk::win {

class HavroLibraryWin : public HavroLibrary {
  public:
    // The library next to this program's executable.
    HavroLibraryWin();
    // The library at an explicit full path (tests).
    explicit HavroLibraryWin(std::wstring fullPath);
    ~HavroLibraryWin() override;
    HavroLibraryWin(const HavroLibraryWin&) = delete;
    HavroLibraryWin& operator=(const HavroLibraryWin&) = delete;

    const std::wstring& path() const { return path_; }
    bool loaded() const { return module_ != nullptr; }

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

    int32_t SetMasterVolume(int32_t percent, int32_t& status) override;
    int32_t GetMasterVolume(int32_t& status) override;
    int32_t SetLinePlayBack(int32_t percent, int32_t& status) override;
    int32_t GetLinePlayBack(int32_t& status) override;
    int32_t SetMicPlayBack(int32_t percent, int32_t& status) override;
    int32_t GetMicPlayBack(int32_t& status) override;
    int32_t SetMicRecordVolume(int32_t percent, int32_t& status) override;
    int32_t GetMicRecordVolume(int32_t& status) override;
    int32_t SetLineRecordVolume(int32_t percent, int32_t& status) override;
    int32_t GetLineRecordVolume(int32_t& status) override;

    int32_t SetMasterMute(int32_t flag, int32_t& status) override;
    int32_t GetMasterMute(int32_t& status) override;
    int32_t SetLinePlayBackMute(int32_t flag, int32_t& status) override;
    int32_t GetLinePlayBackMute(int32_t& status) override;
    int32_t SetMicPlayBackMute(int32_t flag, int32_t& status) override;
    int32_t GetMicPlayBackMute(int32_t& status) override;
    int32_t SetMicBoost(int32_t flag, int32_t& status) override;
    int32_t GetMicBoost(int32_t& status) override;
    int32_t SetNoMonitor(int32_t flag, int32_t& status) override;
    int32_t GetNoMonitor(int32_t& status) override;

    int32_t GetEQRange(double& minDb, double& maxDb, double& stepDb) override;
    int32_t SetBass(double db, int32_t& status) override;
    int32_t GetBass(double& db, int32_t& status) override;
    int32_t SetMidRange(double db, int32_t& status) override;
    int32_t GetMidRange(double& db, int32_t& status) override;
    int32_t SetTreble(double db, int32_t& status) override;
    int32_t GetTreble(double& db, int32_t& status) override;

    int32_t OpenVirtual_1(const std::string& id) override;
    int32_t CloseVirtual_1() override;
    int32_t SetVirtualVolume(int32_t percent, int32_t& status) override;
    int32_t GetVirtualVolume(int32_t& status) override;
    int32_t SetVirtualMute(int32_t flag, int32_t& status) override;
    int32_t GetVirtualMute(int32_t& status) override;

    // The folder of the running executable, with a trailing backslash.
    static std::wstring programFolder();

  private:
    // The export's address, loading the library first when needed; throws LibraryMissing.
    FARPROC bind(int slot, const char* name);
    template <typename Fn>
    Fn fn(int slot, const char* name) {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(bind(slot, name)));
    }

    std::wstring path_;
    HMODULE module_ = nullptr;
    std::array<FARPROC, 41> bound_{};
};

// An output buffer as the library sees it: 256 bytes from the caller's string (its
// blanks), NUL-padded; after the call, writeBack() copies what the library wrote.
class LibraryTextBuffer {
  public:
    explicit LibraryTextBuffer(const std::string& initial);
    char* data() { return bytes_.data(); }
    // Copies the text up to the library's NUL, converted to UTF-8, followed by the NUL,
    // over the front of `target`; leaves `target` alone when the library wrote nothing.
    void writeBack(std::string& target) const;

    static constexpr size_t kSize = 256;

  private:
    std::array<char, kSize + 1> bytes_{};
    std::string initial_;
};

}  // namespace tk::win
