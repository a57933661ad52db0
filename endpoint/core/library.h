// The HavroVista library's whole behaviour over the AudioSystem interfaces: one module-wide
// endpoint set (playback, microphone, line-in), the controls the topology walks find on it,
// the levels those controls had when found, and the second playback endpoint.
//
// Each public method is one export with the export's exact arguments and results (see
// havro_vista.h for the contract); exports.cpp only forwards. Null output pointers are
// tolerated: nothing is written through them.
//
// Threading: not thread-safe, one caller thread that keeps COM initialised. Listing and
// opening methods wrap their work in AudioSystem::Initialize/Uninitialize and create their
// own enumerator; level methods use the kept controls only.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include <string_view>

#include "../audio_system.h"

namespace havro {

// A walk gives up (and fails) after visiting this many parts, so a malformed topology with
// a cycle or an endless chain cannot hang the caller. Real topologies have a few dozen.
inline constexpr uint32_t kDefaultMaxPartsPerWalk = 10000;

// Stored names and ids are cut to this many bytes (plus the terminator) so they fit the
// caller's 256-byte buffers.
inline constexpr size_t kMaxTextBytes = 254;

class Library {
  public:
    explicit Library(AudioSystem& system, uint32_t maxPartsPerWalk = kDefaultMaxPartsPerWalk);
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    ~Library();

    // Listing and opening.
    int32_t GetNumberPlayDevices(int32_t* count);
    int32_t GetNumberRecordDevices(int32_t* count);
    int32_t GetPlayBackDevice(int32_t index, char* name, char* id);
    int32_t GetRecordDevice(int32_t index, char* name, char* id);
    int32_t GetDeviceNames(char* playback, char* lineIn, char* microphone);
    int32_t OpenDefaultDevices();
    int32_t OpenSoundCard(const char* playbackId, const char* micId, const char* lineInId);
    int32_t CloseSoundCard();

    // Percent levels.
    int32_t SetMasterVolume(int32_t percent, int32_t* status);
    int32_t GetMasterVolume(int32_t* status);
    int32_t SetLinePlayBack(int32_t percent, int32_t* status);
    int32_t GetLinePlayBack(int32_t* status);
    int32_t SetMicPlayBack(int32_t percent, int32_t* status);
    int32_t GetMicPlayBack(int32_t* status);
    int32_t SetMicRecordVolume(int32_t percent, int32_t* status);
    int32_t GetMicRecordVolume(int32_t* status);
    int32_t SetLineRecordVolume(int32_t percent, int32_t* status);
    int32_t GetLineRecordVolume(int32_t* status);

    // Mutes and switches.
    int32_t SetMasterMute(int32_t flag, int32_t* status);
    int32_t GetMasterMute(int32_t* status);
    int32_t SetLinePlayBackMute(int32_t flag, int32_t* status);
    int32_t GetLinePlayBackMute(int32_t* status);
    int32_t SetMicPlayBackMute(int32_t flag, int32_t* status);
    int32_t GetMicPlayBackMute(int32_t* status);
    int32_t SetMicBoost(int32_t flag, int32_t* status);
    int32_t GetMicBoost(int32_t* status);
    int32_t SetNoMonitor(int32_t flag, int32_t* status);
    int32_t GetNoMonitor(int32_t* status);

    // Tone.
    int32_t GetEQRange(double* minDb, double* maxDb, double* stepDb);
    int32_t SetBass(double db, int32_t* status);
    int32_t GetBass(double* db, int32_t* status);
    int32_t SetMidRange(double db, int32_t* status);
    int32_t GetMidRange(double* db, int32_t* status);
    int32_t SetTreble(double db, int32_t* status);
    int32_t GetTreble(double* db, int32_t* status);

    // Second playback endpoint.
    int32_t OpenVirtual_1(const char* id);
    int32_t CloseVirtual_1();
    int32_t SetVirtualVolume(int32_t percent, int32_t* status);
    int32_t GetVirtualVolume(int32_t* status);
    int32_t SetVirtualMute(int32_t flag, int32_t* status);
    int32_t GetVirtualMute(int32_t* status);

    // For tests: whether a resolve has opened the library and no close has followed.
    bool IsOpen() const { return openMark_; }

  private:
    // A control found by a walk and the value it had when found. The value is kept only
    // when it could be read, and it goes with its control: a slot emptied or refilled loses
    // it, so a close never puts back a value that belongs to another device.
    struct VolumeSlot {
        std::shared_ptr<EndpointVolume> control;
        std::optional<float> capturedDb;
        std::optional<bool> capturedMute;
        void Reset(std::shared_ptr<EndpointVolume> c = nullptr) {
            control = std::move(c);
            capturedDb.reset();
            capturedMute.reset();
        }
    };
    struct LevelSlot {
        std::shared_ptr<LevelControl> control;
        std::optional<float> capturedDb;  // channel 0: what the level exports report
        // Every channel as found (empty when one could not be read), so that a balance
        // between the channels survives the restore on close.
        std::vector<float> capturedChannels;
        void Reset(std::shared_ptr<LevelControl> c = nullptr) {
            control = std::move(c);
            capturedDb.reset();
            capturedChannels.clear();
        }
        // Reads the levels of the control just found; false when channel 0 cannot be read.
        bool Capture();
        // Puts the captured levels back (on close).
        void Restore() const;
    };
    struct MuteSlot {
        std::shared_ptr<MuteControl> control;
        std::optional<bool> captured;
        void Reset(std::shared_ptr<MuteControl> c = nullptr) {
            control = std::move(c);
            captured.reset();
        }
    };
    struct SwitchSlot {
        std::shared_ptr<SwitchControl> control;
        std::optional<bool> captured;
        void Reset(std::shared_ptr<SwitchControl> c = nullptr) {
            control = std::move(c);
            captured.reset();
        }
    };

    struct OpenedEndpoint {
        std::shared_ptr<DeviceTopology> topology;  // may be null: not every system has one
        std::shared_ptr<EndpointVolume> volume;
    };

    // How a search inside a walk ended.
    enum class Search { kFound, kNotFound, kFailed };

    // Listing.
    int32_t CountDevices(Flow flow, int32_t* count);
    // 0 and the buffers filled; 1 index out of range; -1 on a system failure.
    int32_t ReadListedDevice(Flow flow, int32_t index, char* name, char* id, int32_t* listCount);

    // Resolve/open.
    bool ResolveEndpoint(DeviceEnumerator& enumerator, const std::string& idText, Flow flow);
    bool OpenEndpoint(DeviceEnumerator& enumerator, const std::string& idText, Flow flow,
                      OpenedEndpoint* opened);
    std::string ReadFriendlyName(Device& device);

    // Walks: true on success.
    bool PlaybackWalk(DeviceEnumerator& enumerator, const std::string& idText);
    bool MicrophoneWalk(DeviceEnumerator& enumerator, const std::string& idText);
    bool LineInWalk(DeviceEnumerator& enumerator, const std::string& idText);
    bool CaptureConnectorWalk(
        DeviceEnumerator& enumerator, const std::string& idText, VolumeSlot& volume,
        std::u16string_view needle,
        const std::function<bool(std::shared_ptr<PartsList> outgoing)>& onConnector);
    bool ChainSearch(Part& start, std::shared_ptr<PartsList>* inputs, uint32_t* inputCount);
    bool BranchSearch(PartsList& inputs, uint32_t inputCount);
    Search FindInputLevel(Part& input, PartsList& inputIncoming,
                          std::initializer_list<std::u16string_view> needles, bool requireRead,
                          LevelSlot& level, MuteSlot& mute);
    Search FindLevelUpstream(PartsList& list, std::shared_ptr<LevelControl>* level);
    Search FindBoostDownstream(std::shared_ptr<PartsList> list);
    bool ReachAdapterTopology(DeviceTopology& endpointTopology,
                              std::shared_ptr<DeviceTopology>* adapter);
    bool Visit();
    void TryToneControl(Part& part, LevelKind kind, LevelSlot& slot);

    // Level helpers.
    bool CheckOpen(const void* control, int32_t* status) const;
    int32_t SetEndpointChannels(EndpointVolume& volume, int32_t percent, int32_t* status);
    int32_t GetEndpointChannel0(EndpointVolume& volume, int32_t* status);
    int32_t SetEndpointMaster(const VolumeSlot& slot, int32_t percent, bool zeroIsOne,
                              int32_t* status);
    int32_t GetEndpointMaster(const VolumeSlot& slot, int32_t* status);
    int32_t SetLevelPercent(const LevelSlot& slot, int32_t percent, bool invalidFunctionIsOk,
                            int32_t* status);
    int32_t GetLevelPercent(const LevelSlot& slot, int32_t* status);
    int32_t SetMuteFlag(const MuteSlot& slot, bool mute, bool invalidFunctionIsOk, int32_t* status);
    int32_t GetMuteFlag(const MuteSlot& slot, int32_t* status);
    int32_t SetSwitchFlag(const SwitchSlot& slot, bool enabled, int32_t* status);
    int32_t GetSwitchFlag(const SwitchSlot& slot, int32_t* status);
    // Status of a tone set/get (0, 1, 2 or 3).
    int32_t SetTone(const LevelSlot& slot, double db);
    int32_t GetTone(const LevelSlot& slot, double* db);
    void RestoreCaptured();
    void ReleaseControls();

    std::string FitText(std::u16string_view text);

    AudioSystem& system_;
    const uint32_t maxPartsPerWalk_;
    uint32_t visitsLeft_ = 0;

    std::optional<std::u16string> currentDeviceId_;
    bool openMark_ = false;
    uint64_t resolveCount_ = 0;  // successful resolves so far
    std::optional<std::string> lastResolvedName_;
    std::optional<std::string> playbackName_;
    std::optional<std::string> microphoneName_;
    std::optional<std::string> lineInName_;

    VolumeSlot playbackVolume_;
    VolumeSlot microphoneVolume_;
    VolumeSlot lineInVolume_;
    LevelSlot linePlayLevel_;
    MuteSlot linePlayMute_;
    LevelSlot micPlayLevel_;
    MuteSlot micPlayMute_;
    SwitchSlot micBoost_;
    SwitchSlot noMonitor_;
    LevelSlot bass_;
    LevelSlot midrange_;
    LevelSlot treble_;

    std::shared_ptr<EndpointVolume> secondVolume_;
};

}  // namespace havro
