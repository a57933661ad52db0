// The AudioSystem of the HavroVista core over the real Windows Core Audio COM objects.
// Windows only. Creating it does no COM work; each call maps to one COM call (or a few, for
// the friendly name) and hands back its HRESULT unchanged.
#pragma once

#include "audio_system.h"

namespace havro::coreaudio {

class CoreAudioSystem : public AudioSystem {
  public:
    HResult Initialize() override;
    void Uninitialize() override;
    HResult CreateEnumerator(std::shared_ptr<DeviceEnumerator>* enumerator) override;
    std::string ToAnsi(std::u16string_view text) override;
    std::u16string FromAnsi(std::string_view text) override;
};

}  // namespace havro::coreaudio
