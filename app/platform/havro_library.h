// The endpoint library HavroVista as the program sees it: one method per export,
// with the export's own arguments and results (percent levels 0..100, flags passed
// as -1 on / 0 off and read back as 0/1, decibels as double, LibraryStatus out-values
// 0 done, 1 control not found, 2 system call failed, 3 no endpoint set open).
// Output strings pass through std::string& parameters that the caller fills with 256
// blanks first, as the program's buffers are. After the call the string holds the
// text the library wrote (converted from the ANSI code page to UTF-8) followed by a
// NUL character and whatever of the blanks is left; when the library wrote nothing
// the string is unchanged (no NUL in it). Callers cut at the NUL.
//
// The Windows binding loads HavroVista.dll from the program's own folder and binds
// each export the first time it is called; when the file or the export is missing
// the call throws LibraryMissing.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tk {

struct LibraryMissing : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class HavroLibrary {
  public:
    virtual ~HavroLibrary() = default;

    virtual int32_t GetNumberPlayDevices(int32_t& count) = 0;
    virtual int32_t GetNumberRecordDevices(int32_t& count) = 0;
    virtual int32_t GetPlayBackDevice(int32_t index, std::string& name, std::string& id) = 0;
    virtual int32_t GetRecordDevice(int32_t index, std::string& name, std::string& id) = 0;
    virtual int32_t GetDeviceNames(std::string& playback, std::string& lineIn,
                                   std::string& microphone) = 0;
    virtual int32_t OpenDefaultDevices() = 0;
    virtual int32_t OpenSoundCard(const std::string& playbackId, const std::string& micId,
                                  const std::string& lineInId) = 0;
    virtual int32_t CloseSoundCard() = 0;

    virtual int32_t SetMasterVolume(int32_t percent, int32_t& status) = 0;
    virtual int32_t GetMasterVolume(int32_t& status) = 0;
    virtual int32_t SetLinePlayBack(int32_t percent, int32_t& status) = 0;
    virtual int32_t GetLinePlayBack(int32_t& status) = 0;
    virtual int32_t SetMicPlayBack(int32_t percent, int32_t& status) = 0;
    virtual int32_t GetMicPlayBack(int32_t& status) = 0;
    virtual int32_t SetMicRecordVolume(int32_t percent, int32_t& status) = 0;
    virtual int32_t GetMicRecordVolume(int32_t& status) = 0;
    virtual int32_t SetLineRecordVolume(int32_t percent, int32_t& status) = 0;
    virtual int32_t GetLineRecordVolume(int32_t& status) = 0;

    virtual int32_t SetMasterMute(int32_t flag, int32_t& status) = 0;
    virtual int32_t GetMasterMute(int32_t& status) = 0;
    virtual int32_t SetLinePlayBackMute(int32_t flag, int32_t& status) = 0;
    virtual int32_t GetLinePlayBackMute(int32_t& status) = 0;
    virtual int32_t SetMicPlayBackMute(int32_t flag, int32_t& status) = 0;
    virtual int32_t GetMicPlayBackMute(int32_t& status) = 0;
    virtual int32_t SetMicBoost(int32_t flag, int32_t& status) = 0;
    virtual int32_t GetMicBoost(int32_t& status) = 0;
    virtual int32_t SetNoMonitor(int32_t flag, int32_t& status) = 0;
    virtual int32_t GetNoMonitor(int32_t& status) = 0;

    virtual int32_t GetEQRange(double& minDb, double& maxDb, double& stepDb) = 0;
    virtual int32_t SetBass(double db, int32_t& status) = 0;
    virtual int32_t GetBass(double& db, int32_t& status) = 0;
    virtual int32_t SetMidRange(double db, int32_t& status) = 0;
    virtual int32_t GetMidRange(double& db, int32_t& status) = 0;
    virtual int32_t SetTreble(double db, int32_t& status) = 0;
    virtual int32_t GetTreble(double& db, int32_t& status) = 0;

    virtual int32_t OpenVirtual_1(const std::string& id) = 0;
    virtual int32_t CloseVirtual_1() = 0;
    virtual int32_t SetVirtualVolume(int32_t percent, int32_t& status) = 0;
    virtual int32_t GetVirtualVolume(int32_t& status) = 0;
    virtual int32_t SetVirtualMute(int32_t flag, int32_t& status) = 0;
    virtual int32_t GetVirtualMute(int32_t& status) = 0;
};

}  // namespace tk
