// The identifier table against the values Windows uses, written here as Windows' SDK
// writes them (text, not the table's own numbers), so a wrong entry cannot agree with itself.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "coreaudio_ids.h"

namespace {

std::string Text(const havro::ids::Guid& g) {
    char out[40];
    std::snprintf(out, sizeof out, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                  static_cast<unsigned>(g.data1), g.data2, g.data3, g.data4[0], g.data4[1],
                  g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
    return out;
}

TEST(CoreAudioIdsTest, EveryIdentifierHasWindowsValue) {
    namespace ids = havro::ids;
    const struct {
        const char* name;
        const ids::Guid& id;
        const char* windows;
    } rows[] = {
        {"CLSID_MMDeviceEnumerator", ids::kClsidMMDeviceEnumerator,
         "BCDE0395-E52F-467C-8E3D-C4579291692E"},
        {"IID_IMMDeviceEnumerator", ids::kIidMMDeviceEnumerator,
         "A95664D2-9614-4F35-A746-DE8DB63617E6"},
        {"IID_IMMDevice", ids::kIidMMDevice, "D666063F-1587-4E43-81F1-B948E807363F"},
        {"IID_IMMDeviceCollection", ids::kIidMMDeviceCollection,
         "0BD7A1BE-7A1A-44DB-8397-CC5392387B5E"},
        {"IID_IMMNotificationClient", ids::kIidMMNotificationClient,
         "7991EEC9-7E89-4D85-8390-6C703CEC60C0"},
        {"IID_IAudioEndpointVolume", ids::kIidAudioEndpointVolume,
         "5CDF2C82-841E-4546-9722-0CF74078229A"},
        {"IID_IDeviceTopology", ids::kIidDeviceTopology, "2A07407E-6497-4A18-9787-32F79BD0D98F"},
        {"IID_IConnector", ids::kIidConnector, "9C2C4058-23F5-41DE-877A-DF3AF236A09E"},
        {"IID_IPart", ids::kIidPart, "AE2DE0E4-5BCA-4F2D-AA46-5D13F8FDB3A9"},
        {"IID_IPartsList", ids::kIidPartsList, "6DAA848C-5EB0-45CC-AEA5-998A2CDA1FFB"},
        {"IID_ISubunit", ids::kIidSubunit, "82149A85-DBA6-4487-86BB-EA8F7FEFCC71"},
        {"IID_IControlInterface", ids::kIidControlInterface,
         "45D37C3F-5140-444A-AE24-400789F3CBF3"},
        {"IID_IPerChannelDbLevel", ids::kIidPerChannelDbLevel,
         "C2F8E001-F205-4BC9-99BC-C13B1E048CCB"},
        {"IID_IAudioVolumeLevel", ids::kIidAudioVolumeLevel,
         "7FB7B48F-531D-44A2-BCB3-5AD5A134B3DC"},
        {"IID_IAudioMute", ids::kIidAudioMute, "DF45AEEA-B74A-4B6B-AFAD-2366B6AA012E"},
        {"IID_IAudioBass", ids::kIidAudioBass, "A2B1A1D9-4DB3-425D-A2B2-BD335CB3E2E5"},
        {"IID_IAudioMidrange", ids::kIidAudioMidrange, "5E54B6D7-B44B-40D9-9A9E-E691D9CE6EDF"},
        {"IID_IAudioTreble", ids::kIidAudioTreble, "0A717812-694E-4907-B74B-BAFA5CFDCA7B"},
        {"IID_IAudioAutoGainControl", ids::kIidAudioAutoGainControl,
         "85401FD4-6DE4-4B9D-9869-2D6753A82F3C"},
        {"IID_IAudioLoudness", ids::kIidAudioLoudness, "7D8B1437-DD53-4350-9C1B-1EE2890BD938"},
        {"IID_IAudioInputSelector", ids::kIidAudioInputSelector,
         "4F03DC02-5E6E-4653-8F72-A030C123D598"},
        {"IID_IAudioPeakMeter", ids::kIidAudioPeakMeter, "DD79923C-0599-45E0-B8B6-C8DF7DB6E796"},
        {"PKEY_Device_FriendlyName", ids::kPkeyDeviceFriendlyNameFmtid,
         "A45C254E-DF1C-4EFD-8020-67D146A850E0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Text(row.id), row.windows);
    }
    EXPECT_EQ(ids::kPkeyDeviceFriendlyNamePid, 14u);
}

}  // namespace
